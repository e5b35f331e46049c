# Install rules and the Debian package.
#
#   cmake --install build --prefix ~/.local      # or DESTDIR=... cmake --install build
#   (cd build && cpack -G DEB)                   # brindlecove_VERSION_ARCH.deb, for /usr
#
# The tree has the GNU layout: bin/brindlecove, bin/brindlecove-level and
# bin/brindlecove-edit (the editor runs the level tool beside it),
# share/brindlecove holding what the build's run folder holds (the data
# files, allegro.cfg, digmid.cfg and data/ with the levels and the shipped
# high score table), and the desktop entry, icons, AppStream metainfo and
# man pages where desktops and man look for them. The game finds its data
# as ../share/brindlecove from its own folder, so the tree can be moved.
# Only what the game needs is installed: no asset generator, tests or
# benchmarks. The Debian package has the same tree under /usr, except that
# the programs go to /usr/games (cmake/deb_games_layout.cmake).

set(BRINDLECOVE_APP_ID org.brindlecove.Brindlecove)
set(BRINDLECOVE_DATA_INSTALL_DIR ${CMAKE_INSTALL_DATADIR}/brindlecove)
set(BRINDLECOVE_DOC_INSTALL_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/brindlecove)
set(BRINDLECOVE_ICON_SIZES 16 32 48 64 128 256)

# The version is the game's own ("Version 0.8a BETA release" gives 0.8a).
file(STRINGS ${CMAKE_SOURCE_DIR}/src/app/game_state.cpp version_line REGEX "GAME_VERSION = \"Version ")
string(REGEX REPLACE ".*\"Version ([0-9][0-9A-Za-z.+~]*).*" "\\1" BRINDLECOVE_VERSION "${version_line}")
if(NOT BRINDLECOVE_VERSION MATCHES "^[0-9]")
  message(FATAL_ERROR "cannot read the version from src/app/game_state.cpp")
endif()

# The programs.
install(TARGETS brindlecove brindlecove-level brindlecove-edit
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The data folder, shaped like the run folder. The levels and the high
# score table come from the source tree, so a table played in build/run
# is never shipped.
install(FILES
    ${BRINDLECOVE_RUN_DIR}/graphics.dat
    ${BRINDLECOVE_RUN_DIR}/font.dat
    ${BRINDLECOVE_RUN_DIR}/sound.dat
    ${BRINDLECOVE_RUN_DIR}/digmid.cfg
    ${CMAKE_SOURCE_DIR}/data/allegro.cfg
  DESTINATION ${BRINDLECOVE_DATA_INSTALL_DIR})
install(FILES
    ${CMAKE_SOURCE_DIR}/data/level1.dat
    ${CMAKE_SOURCE_DIR}/data/level2.dat
    ${CMAKE_SOURCE_DIR}/data/level3.dat
    ${CMAKE_SOURCE_DIR}/data/menu.dat
    ${CMAKE_SOURCE_DIR}/data/game.hs
  DESTINATION ${BRINDLECOVE_DATA_INSTALL_DIR}/data)
# The second level set, for --levels .../data/levels-2.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/levels-2
  DESTINATION ${BRINDLECOVE_DATA_INSTALL_DIR}/data
  FILES_MATCHING PATTERN "*.dat")

# Desktop entry and AppStream metainfo.
install(FILES ${CMAKE_SOURCE_DIR}/dist/${BRINDLECOVE_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/dist/${BRINDLECOVE_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Icons: the player standing on turf, drawn by the asset generator from
# the game's own sprites, one PNG a size of the hicolor theme.
set(icon_dir ${CMAKE_BINARY_DIR}/icons)
set(icon_files)
foreach(size ${BRINDLECOVE_ICON_SIZES})
  list(APPEND icon_files ${icon_dir}/icon-${size}.png)
endforeach()
add_custom_command(
  OUTPUT ${icon_files}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${icon_dir}
  COMMAND brindlecove-assetgen --icons ${icon_dir} ${BRINDLECOVE_ICON_SIZES}
  DEPENDS brindlecove-assetgen
  COMMENT "Drawing the desktop icons"
  VERBATIM)
foreach(size ${BRINDLECOVE_ICON_SIZES})
  install(FILES ${icon_dir}/icon-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
    RENAME ${BRINDLECOVE_APP_ID}.png)
endforeach()

# Man pages and the package documents, gzipped as Debian ships them (-n:
# no name or time stamp inside, so the bytes follow the source only).
find_program(GZIP_PROGRAM gzip REQUIRED)
set(doc_build_dir ${CMAKE_BINARY_DIR}/dist)
set(gzipped_files)
function(brindlecove_gzip source output)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${doc_build_dir}
    COMMAND sh -c "${GZIP_PROGRAM} -9n -c \"$0\" > \"$1\"" ${source} ${output}
    DEPENDS ${source}
    VERBATIM)
  set(gzipped_files ${gzipped_files} ${output} PARENT_SCOPE)
endfunction()
brindlecove_gzip(${CMAKE_SOURCE_DIR}/dist/brindlecove.6 ${doc_build_dir}/brindlecove.6.gz)
brindlecove_gzip(${CMAKE_SOURCE_DIR}/dist/brindlecove-level.6 ${doc_build_dir}/brindlecove-level.6.gz)
brindlecove_gzip(${CMAKE_SOURCE_DIR}/dist/brindlecove-edit.6 ${doc_build_dir}/brindlecove-edit.6.gz)
brindlecove_gzip(${CMAKE_SOURCE_DIR}/dist/changelog ${doc_build_dir}/changelog.gz)
install(FILES ${doc_build_dir}/brindlecove.6.gz ${doc_build_dir}/brindlecove-level.6.gz
    ${doc_build_dir}/brindlecove-edit.6.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${CMAKE_SOURCE_DIR}/dist/copyright ${doc_build_dir}/changelog.gz
  DESTINATION ${BRINDLECOVE_DOC_INSTALL_DIR})

add_custom_target(install_files ALL DEPENDS ${icon_files} ${gzipped_files})

# The Debian package: `cpack -G DEB` in the build folder. dpkg-shlibdeps
# (dpkg-dev) works out the libraries' packages (Allegro 4, libpng, the C
# and C++ runtimes); freepats, whose patches the music is played with, is
# named here since nothing links to it.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brindlecove)
set(CPACK_PACKAGE_VERSION ${BRINDLECOVE_VERSION})
set(CPACK_PACKAGE_VENDOR "The Brindlecove developers")
set(CPACK_PACKAGE_CONTACT "Brindlecove developers <maintainers@brindlecove.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://brindlecove.org/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "side-scrolling, tile-based platform game")
set(CPACK_PACKAGE_DESCRIPTION
  "Brindlecove is a side-scrolling platform game on the Allegro 4 library. You
steer one character through three levels: walk, jump, collect points,
ammunition and extra seconds, avoid fire and spikes, and find the exit before
the level clock runs out. Each user keeps a ten-place high score table.

The package also holds brindlecove-level, a tool that checks, draws and
solves level files with the game's own rules, and brindlecove-edit, a level
editor that draws with the game's pictures and checks with that tool.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Directories the package makes are 0755 whatever the umask of the build.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "freepats")
# The package keeps the programs in /usr/games, as Debian does for games.
set(CPACK_BRINDLECOVE_BINDIR ${CMAKE_INSTALL_BINDIR})
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/deb_games_layout.cmake)
include(CPack)
