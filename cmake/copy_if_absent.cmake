# Copies SOURCE to TARGET unless TARGET exists: keeps a file the game wrote.
if(NOT EXISTS "${TARGET}")
  configure_file("${SOURCE}" "${TARGET}" COPYONLY)
endif()
