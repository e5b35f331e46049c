# Run by CPack after it has staged the install for the Debian package and
# before it packs it: moves the programs from usr/bin to usr/games, where
# Debian keeps the programs of a package in the games section (lintian's
# package-section-games-but-contains-no-game). The data stays in
# usr/share/brindlecove, which the game finds as ../share/brindlecove from
# its own folder whichever of the two that is.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
set(root "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
set(from "${root}/${CPACK_BRINDLECOVE_BINDIR}")
set(to "${root}/games")
if(NOT IS_DIRECTORY "${from}")
  message(FATAL_ERROR "no staged programs in ${from}")
endif()
file(GLOB programs "${from}/*")
file(MAKE_DIRECTORY "${to}")
foreach(program ${programs})
  get_filename_component(name "${program}" NAME)
  file(RENAME "${program}" "${to}/${name}")
endforeach()
file(REMOVE_RECURSE "${from}")
