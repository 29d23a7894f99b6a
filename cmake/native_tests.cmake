# The platform-free core, natively, under AddressSanitizer and
# UndefinedBehaviorSanitizer.
find_package(GTest REQUIRED)

set(sanitizers -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
target_compile_options(tabrivet_core PRIVATE ${sanitizers} -g)

file(GLOB unit_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*.cpp)
add_executable(unit_tests ${unit_sources})
target_compile_options(unit_tests PRIVATE ${sanitizers} -g)
target_link_options(unit_tests PRIVATE ${sanitizers})
target_link_libraries(unit_tests PRIVATE tabrivet_core GTest::gtest_main)
include(GoogleTest)
gtest_discover_tests(unit_tests)
