# The Windows builds: the launcher, and for x86_64 the end-to-end tests that
# run under Wine.
enable_language(RC)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(picture_dir ${CMAKE_BINARY_DIR}/pictures)
set(pictures ${picture_dir}/start.bmp ${picture_dir}/startDepressed.bmp
             ${picture_dir}/TabrivetIcon.ico)
add_custom_command(
  OUTPUT ${pictures}
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/res/make_pictures.py ${picture_dir}
  DEPENDS ${CMAKE_SOURCE_DIR}/res/make_pictures.py
  COMMENT "Drawing the Start pictures and the icon")
add_custom_target(pictures DEPENDS ${pictures})

# Small and self-contained: no C++ runtime DLLs beside the exe.
# Nothing in the launcher throws: without exceptions and run-time type
# information no unwinder is linked in. No -fdata-sections: for PE targets
# GCC then puts zero-initialised variables in .data$ sections, and the file
# would carry their 17 KB of zeros instead of leaving them to .bss.
set(size_flags -Os -ffunction-sections -fno-exceptions -fno-rtti
               -fno-asynchronous-unwind-tables)
target_compile_options(tabrivet_core PRIVATE ${size_flags})

# The manifest goes into the exe without its comments and indentation, which
# the resource compiler would keep byte for byte: half a kilobyte.
file(READ ${CMAKE_SOURCE_DIR}/res/tabrivet.manifest manifest)
string(REGEX REPLACE "<!--[^>]*-->" "" manifest "${manifest}")
string(REGEX REPLACE ">[ \t\r\n]+" ">" manifest "${manifest}")
file(WRITE ${picture_dir}/tabrivet.min.manifest "${manifest}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${CMAKE_SOURCE_DIR}/res/tabrivet.manifest)

add_executable(Tabrivet WIN32
  src/app/entry.cpp
  src/window/main_window.cpp
  src/window/window_procedure.cpp
  src/window/launcher_placement.cpp
  src/window/cursor_readout.cpp
  src/console/console_launch.cpp
  src/console/console_placement.cpp
  src/console/console_search.cpp
  src/console/console_family.cpp
  src/help/pdf_help.cpp
  res/tabrivet.rc)
add_dependencies(Tabrivet pictures)
target_compile_options(Tabrivet PRIVATE ${size_flags})
set_source_files_properties(res/tabrivet.rc PROPERTIES
  OBJECT_DEPENDS "${pictures};${CMAKE_SOURCE_DIR}/res/tabrivet_ids.h;${CMAKE_SOURCE_DIR}/src/app/version.h;${picture_dir}/tabrivet.min.manifest")
target_include_directories(Tabrivet PRIVATE ${picture_dir})
target_link_libraries(Tabrivet PRIVATE tabrivet_core ole32)
# Terminal-server aware, as Microsoft's linker makes every exe: without the
# flag, a terminal server runs the launcher with the shims of old programs,
# a private per-user Windows folder among them.
target_link_options(Tabrivet PRIVATE -static -s -Wl,--gc-sections -Wl,--tsaware
                   -Wl,-T,${CMAKE_SOURCE_DIR}/cmake/data-sections.ld)
set_property(TARGET Tabrivet APPEND PROPERTY LINK_DEPENDS
             ${CMAKE_SOURCE_DIR}/cmake/data-sections.ld)

# Every Windows has these; anything else would have to ship beside the exe.
add_test(NAME exe_imports
  COMMAND ${CMAKE_COMMAND} -DEXE=$<TARGET_FILE:Tabrivet> -DARCH=${TABRIVET_ARCH}
          -DOBJDUMP=${TABRIVET_ARCH}-w64-mingw32-objdump
          -P ${CMAKE_SOURCE_DIR}/tests/check_exe.cmake)
# The shipped exe: a launcher should cost next to nothing to download.
if(TABRIVET_ARCH STREQUAL "i686")
  add_test(NAME exe_size
    COMMAND ${CMAKE_COMMAND} -DEXE=$<TARGET_FILE:Tabrivet> -DMAX_BYTES=32768
            -P ${CMAKE_SOURCE_DIR}/tests/check_size.cmake)
endif()

if(TABRIVET_ARCH STREQUAL "x86_64")
  include(${CMAKE_SOURCE_DIR}/tests/e2e/e2e.cmake)
  include(${CMAKE_SOURCE_DIR}/bench/bench.cmake OPTIONAL)
endif()
