# Cross build for 64-bit Windows with Debian's mingw-w64 (the test build, run
# under wine64). The posix threads flavour of the compiler: the scripted test
# frontend uses std::mutex, which only that flavour of this compiler
# provides; it is linked statically like everything else.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(DUX_MINGW_TRIPLET x86_64-w64-mingw32)
set(DUX_MINGW_THREADS posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
