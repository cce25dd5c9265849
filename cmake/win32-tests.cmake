# Tests of the Windows build, run under wine (scripts/test-wine):
#  - the portable unit tests of tests/unit (those that use neither POSIX
#    headers, OpenSSL nor the terminal frontend) on the Windows backend, with
#    the scripted frontend standing in for the user as on Linux;
#  - the backend's own tests (tests/wine), on the real Windows dialogs.
# GoogleTest is built from Debian's source package with the cross compiler.

set(DUX_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH
    "GoogleTest sources (Debian package googletest)")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
add_subdirectory("${DUX_GTEST_SOURCE_DIR}" "${CMAKE_BINARY_DIR}/googletest"
                 EXCLUDE_FROM_ALL)

file(GLOB candidates CONFIGURE_DEPENDS tests/unit/*.cpp)
set(DUX_WINE_UNIT_SOURCES "")
foreach(source ${candidates})
  file(STRINGS "${source}" includes REGEX "^#include")
  if(NOT includes MATCHES
     "<(unistd|poll|fcntl|pthread|signal)\\.h>|<(sys|arpa|netinet|openssl)/|platform/curses/")
    list(APPEND DUX_WINE_UNIT_SOURCES "${source}")
  endif()
endforeach()

file(GLOB DUX_SCRIPTED_SOURCES CONFIGURE_DEPENDS
  platform/scripted/*.cpp platform/dialogs/*.cpp)
add_library(dux_scripted_win STATIC ${DUX_SCRIPTED_SOURCES})
target_link_libraries(dux_scripted_win PUBLIC dux_core)
dux_warnings(dux_scripted_win)

add_executable(dux_wine_unit_tests ${DUX_WINE_UNIT_SOURCES}
               tests/support/test_main.cpp)
# The core and the scripted frontend call each other.
target_link_libraries(dux_wine_unit_tests PRIVATE
  dux_core dux_scripted_win dux_core dux_scripted_win gtest)
add_dependencies(dux_wine_unit_tests dux-make-image)
target_compile_definitions(dux_wine_unit_tests PRIVATE
  DUX_MAKE_IMAGE="${DUX_HOST_DIR}/dux-make-image")
dux_win32_resources(dux_wine_unit_tests "${DUX_IMG_TARGET}" "")
dux_warnings(dux_wine_unit_tests)

# The backend on the real Windows user interface: dialogs from the resource
# script, threads, sockets, the clock.
file(GLOB DUX_WINE_BACKEND_SOURCES CONFIGURE_DEPENDS tests/wine/*_test.cpp)
add_executable(dux_wine_backend_tests ${DUX_WINE_BACKEND_SOURCES})
target_link_libraries(dux_wine_backend_tests PRIVATE
  dux_win32_ui dux_core gtest_main)
dux_win32_resources(dux_wine_backend_tests "${DUX_IMG_TARGET}" "")
dux_warnings(dux_wine_backend_tests)
