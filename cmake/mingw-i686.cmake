# Cross build for 32-bit Windows with Debian's mingw-w64 (the release build).
# The win32 threads flavour of the compiler: the program needs no POSIX
# thread layer, its backend uses the Windows threads directly.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(DUX_MINGW_TRIPLET i686-w64-mingw32)
set(DUX_MINGW_THREADS win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
