# End-to-end tests: the real x86_64 launcher under Wine, driven by Windows
# test programs that ctest runs through the Wine loader.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh)

set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

add_library(e2e_harness STATIC ${CMAKE_SOURCE_DIR}/tests/e2e/harness.cpp)
target_link_libraries(e2e_harness PUBLIC gtest)
target_link_options(e2e_harness PUBLIC -static)

# Stands in for a console program: opens a window of the console class when
# and how a test asks.
add_executable(fake_console WIN32 ${CMAKE_SOURCE_DIR}/tests/e2e/fake_console.cpp)
target_link_options(fake_console PRIVATE -static)
# The same as a console program, whose host the shell's show command reaches.
add_executable(fake_console_cui ${CMAKE_SOURCE_DIR}/tests/e2e/fake_console.cpp)
target_compile_definitions(fake_console_cui PRIVATE CONSOLE_PROGRAM)
target_link_options(fake_console_cui PRIVATE -static)

# Stands in for a DLL that someone left beside the exe under a system
# DLL's name.
add_library(planted_dll SHARED ${CMAKE_SOURCE_DIR}/tests/e2e/planted_dll.cpp)
set_target_properties(planted_dll PROPERTIES PREFIX "")
target_link_options(planted_dll PRIVATE -static)

# Keeps the desktop of a test session from closing between two test programs.
add_executable(desktop_anchor WIN32 ${CMAKE_SOURCE_DIR}/tests/e2e/desktop_anchor.cpp)
target_link_options(desktop_anchor PRIVATE -static)

# The Start pictures and the icon at 24 bits a pixel, which the palette
# pictures and icon in the launcher must match pixel for pixel.
set(reference_pictures ${CMAKE_BINARY_DIR}/pictures-24bit/start.bmp
                       ${CMAKE_BINARY_DIR}/pictures-24bit/startDepressed.bmp
                       ${CMAKE_BINARY_DIR}/pictures-24bit/TabrivetIcon.bmp)
add_custom_command(
  OUTPUT ${reference_pictures}
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/res/make_pictures.py --24bit
          ${CMAKE_BINARY_DIR}/pictures-24bit
  DEPENDS ${CMAKE_SOURCE_DIR}/res/make_pictures.py
  COMMENT "Drawing the 24-bit reference pictures")
add_custom_target(reference_pictures DEPENDS ${reference_pictures})

# Each with a timeout of about three times its longest run seen (start_up 5 s,
# window 30 s, console 172 s, bad_input 24 s, soak 301 s), so that a hang
# is a quick red rather than a run that ends only at CI's limit.
foreach(test start_up:60 window:120 console:540 bad_input:120 soak:900)
  string(REPLACE ":" ";" test ${test})
  list(GET test 0 name)
  list(GET test 1 timeout)
  add_executable(${name}_e2e ${CMAKE_SOURCE_DIR}/tests/e2e/${name}_e2e.cpp)
  target_link_libraries(${name}_e2e PRIVATE e2e_harness gtest_main)
  add_dependencies(${name}_e2e Tabrivet fake_console fake_console_cui)
  add_test(NAME ${name}_e2e COMMAND ${name}_e2e)
  # One desktop, one cursor, and a console search that takes any console
  # window: these tests never run side by side.
  set_tests_properties(${name}_e2e PROPERTIES RESOURCE_LOCK wine_desktop TIMEOUT ${timeout})
endforeach()
add_dependencies(window_e2e reference_pictures)
add_dependencies(bad_input_e2e planted_dll)
