# Handed to bench.sh's own i686 tree as CMAKE_PROJECT_INCLUDE: the main build
# takes in the benchmark programs only for x86_64, yet the size comparison
# needs the i686 floor, and a link map of the i686 launcher to tell which
# library its bytes come from. Deferred to the end of the top directory,
# where the launcher target exists.
if(CMAKE_CURRENT_SOURCE_DIR STREQUAL CMAKE_SOURCE_DIR)
  cmake_language(EVAL CODE "
    cmake_language(DEFER CALL include [[${CMAKE_CURRENT_LIST_DIR}/floor.cmake]])
    cmake_language(DEFER CALL target_link_options Tabrivet PRIVATE
                   [[-Wl,-Map=${CMAKE_BINARY_DIR}/Tabrivet.map]])")
endif()
