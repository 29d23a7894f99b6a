# Benchmark programs, run by scripts/bench.sh under Wine: the floor window,
# a console stand-in that time-stamps what happens to it, and the driver.
include(${CMAKE_CURRENT_LIST_DIR}/floor.cmake)

add_executable(bench_console WIN32 ${CMAKE_CURRENT_LIST_DIR}/bench_console.cpp)
target_link_options(bench_console PRIVATE -static)

add_executable(bench_driver ${CMAKE_CURRENT_LIST_DIR}/bench_driver.cpp)
target_link_options(bench_driver PRIVATE -static)
add_dependencies(bench_driver Tabrivet floor_window bench_console)

# One lookup of the console search, compiled from the launcher's own sources
# with the launcher's options.
add_executable(bench_lookup ${CMAKE_CURRENT_LIST_DIR}/bench_lookup.cpp
                            ${CMAKE_SOURCE_DIR}/src/console/console_family.cpp
                            ${CMAKE_SOURCE_DIR}/src/window/launcher_placement.cpp)
target_compile_options(bench_lookup PRIVATE ${size_flags})
target_link_libraries(bench_lookup PRIVATE tabrivet_core)
target_link_options(bench_lookup PRIVATE -static)
add_dependencies(bench_lookup bench_console)
