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

# libFuzzer targets, in a clang build of their own (TABRIVET_FUZZ=ON).
if(TABRIVET_FUZZ)
  set(fuzz_flags -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -g)
  foreach(target command_line settings_file)
    add_executable(${target}_fuzz ${CMAKE_SOURCE_DIR}/tests/fuzz/${target}_fuzz.cpp
                                  ${CMAKE_SOURCE_DIR}/src/app/${target}.cpp)
    target_include_directories(${target}_fuzz PRIVATE ${CMAKE_SOURCE_DIR}/src)
    target_compile_options(${target}_fuzz PRIVATE ${fuzz_flags})
    target_link_options(${target}_fuzz PRIVATE ${fuzz_flags})
  endforeach()
  target_sources(settings_file_fuzz PRIVATE ${CMAKE_SOURCE_DIR}/src/app/text_input.cpp)
endif()
