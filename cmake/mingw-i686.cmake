# Cross build for 32-bit Windows with Debian's mingw-w64 (the release build).
# The win32 threads flavour of the compiler: the program needs no POSIX
# thread layer, its backend uses the Windows threads directly.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(DUX_MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_C_COMPILER ${DUX_MINGW_TRIPLET}-gcc-win32)
set(CMAKE_CXX_COMPILER ${DUX_MINGW_TRIPLET}-g++-win32)
set(CMAKE_RC_COMPILER ${DUX_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${DUX_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
