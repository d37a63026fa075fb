# Cross build for 64-bit Windows from the same sources: it runs the tests on
# hosts that cannot execute 32-bit code, under Wine's 64-bit loader.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
