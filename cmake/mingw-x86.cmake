# Cross build for 32-bit Windows (the release) with the MinGW-w64 posix-thread
# compilers; test executables run under Wine's 32-bit loader.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
