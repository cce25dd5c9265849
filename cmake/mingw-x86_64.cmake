# Cross build for 64-bit Windows with Debian's mingw-w64 (the test build, run
# under wine64). The posix threads flavour of the compiler: the scripted test
# frontend uses std::mutex, which only that flavour of this compiler
# provides; it is linked statically like everything else.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(DUX_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${DUX_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${DUX_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${DUX_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${DUX_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
