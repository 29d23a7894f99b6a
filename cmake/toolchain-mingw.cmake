# Cross-compiling with MinGW-w64. The target is chosen by TABRIVET_ARCH
# (i686 for the shipped exe, x86_64 for the build the tests run under Wine).
set(CMAKE_SYSTEM_NAME Windows)
if(NOT TABRIVET_ARCH)
  set(TABRIVET_ARCH "$ENV{TABRIVET_ARCH}")
endif()
set(TABRIVET_ARCH "${TABRIVET_ARCH}" CACHE STRING "i686 or x86_64")
set(prefix ${TABRIVET_ARCH}-w64-mingw32)
# The x86_64 build links GoogleTest, which needs the std::mutex of the -posix
# compilers. The shipped i686 exe uses no threads; the -win32 compilers spare
# it the static pthread library.
if(TABRIVET_ARCH STREQUAL "i686")
  set(threads win32)
else()
  set(threads posix)
endif()
set(CMAKE_C_COMPILER ${prefix}-gcc-${threads})
set(CMAKE_CXX_COMPILER ${prefix}-g++-${threads})
set(CMAKE_RC_COMPILER ${prefix}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
