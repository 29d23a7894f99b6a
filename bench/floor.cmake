# The floor window program, compiled and linked with whatever options the
# launcher has, so that a change to the launcher's flags moves both alike.
add_executable(floor_window WIN32 ${CMAKE_CURRENT_LIST_DIR}/floor_window.cpp)
foreach(kind COMPILE LINK)
  get_target_property(options Tabrivet ${kind}_OPTIONS)
  if(options)
    cmake_language(CALL target_${kind}_options floor_window PRIVATE ${options})
  endif()
endforeach()
