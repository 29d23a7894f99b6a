# Benchmark programs, run by scripts/bench.sh under Wine: the floor window,
# a console stand-in that time-stamps what happens to it, and the driver.
include(${CMAKE_CURRENT_LIST_DIR}/floor.cmake)

add_executable(bench_console WIN32 ${CMAKE_CURRENT_LIST_DIR}/bench_console.cpp)
target_link_options(bench_console PRIVATE -static)

add_executable(bench_driver ${CMAKE_CURRENT_LIST_DIR}/bench_driver.cpp)
target_link_options(bench_driver PRIVATE -static)
add_dependencies(bench_driver Tabrivet floor_window bench_console)
