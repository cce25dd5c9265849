# The Windows build: the core on the Windows backend (platform/win32), real
# dialogs from a resource script that a build-machine tool writes from the
# dialog table, and the firmware images as resources of type DUX_FIRMWARE.
#
# Included by the top-level CMakeLists.txt when WIN32 is set (a mingw-w64
# cross build: cmake/mingw-i686.cmake or cmake/mingw-x86_64.cmake), after
# cmake/images.cmake and the dux_warnings function.

enable_language(RC)

# Windows 7 and later: the headers then declare the slim reader/writer lock.
add_compile_definitions(WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0601
                        WINVER=0x0601)
# One self-contained executable: no compiler runtime DLLs beside it.
add_link_options(-static -static-libgcc -static-libstdc++
                 $<$<CONFIG:Release,MinSizeRel>:-s>)

# --- tools for the build machine ---------------------------------------------
# They run during the build, so they are compiled with the build machine's
# own compiler, not the cross compiler.
find_program(DUX_HOST_CXX NAMES c++ g++ REQUIRED NO_CMAKE_FIND_ROOT_PATH)
set(DUX_HOST_DIR "${CMAKE_BINARY_DIR}/host")
file(MAKE_DIRECTORY "${DUX_HOST_DIR}")

function(dux_host_tool name)
  set(sources ${ARGN})
  list(TRANSFORM sources PREPEND "${CMAKE_SOURCE_DIR}/")
  add_custom_command(OUTPUT "${DUX_HOST_DIR}/${name}"
    COMMAND "${DUX_HOST_CXX}" -std=c++20 -O2 -Wall -Wextra -Werror
            -I "${CMAKE_SOURCE_DIR}" ${sources} -o "${DUX_HOST_DIR}/${name}"
    DEPENDS ${sources} "${CMAKE_SOURCE_DIR}/platform/dialog_template.h"
            "${CMAKE_SOURCE_DIR}/resources/dialog_ids.h"
    COMMENT "Building ${name} for the build machine"
    VERBATIM)
  add_custom_target(${name} DEPENDS "${DUX_HOST_DIR}/${name}")
endfunction()

dux_host_tool(dux-make-image tools/make_image.cpp)
dux_host_tool(dux-write-rc platform/win32/host/write_rc.cpp
              resources/dialog_templates.cpp)
dux_host_tool(dux-make-icon platform/win32/host/make_icon.cpp)

set(DUX_ICON "${CMAKE_BINARY_DIR}/resources/dux-upgrade.ico")
add_custom_command(OUTPUT "${DUX_ICON}"
  COMMAND "${CMAKE_COMMAND}" -E make_directory "${CMAKE_BINARY_DIR}/resources"
  COMMAND "${DUX_HOST_DIR}/dux-make-icon" "${DUX_ICON}"
  DEPENDS "${DUX_HOST_DIR}/dux-make-icon"
  COMMENT "Drawing the program icon"
  VERBATIM)

set(DUX_MAKE_IMAGE_TOOL "${DUX_HOST_DIR}/dux-make-image")
dux_default_images(DUX_IMG_TARGET DUX_IMG_TRANSITION)

# Gives `target` its resources: the dialogs, the icon, the manifest and the
# images (726, and 319 when a transition image is given, which also makes the
# build start in the transition stage).
function(dux_win32_resources target target_image transition_image)
  set(dir "${CMAKE_CURRENT_BINARY_DIR}/${target}-resources")
  file(MAKE_DIRECTORY "${dir}")
  set(rc "${dir}/resources.rc")
  set(manifest "${CMAKE_SOURCE_DIR}/platform/win32/dux-upgrade.manifest")
  set(args --output "${rc}" --icon "${DUX_ICON}" --manifest "${manifest}"
           --target "${target_image}")
  set(images "${target_image}")
  set(stage 1)
  if(transition_image)
    list(APPEND args --transition "${transition_image}")
    list(APPEND images "${transition_image}")
    set(stage 0)
  endif()
  add_custom_command(OUTPUT "${rc}"
    COMMAND "${DUX_HOST_DIR}/dux-write-rc" ${args}
    DEPENDS "${DUX_HOST_DIR}/dux-write-rc"
    COMMENT "Writing the resource script of ${target}"
    VERBATIM)
  set_source_files_properties("${rc}" PROPERTIES
    OBJECT_DEPENDS "${images};${DUX_ICON};${manifest}")
  file(CONFIGURE OUTPUT "${dir}/build_stage.cpp" CONTENT
"// Generated: the stage this build starts in.
#include <cstdint>
// 0 = transition, 1 = target: a build with a transition image starts with it.
extern const uint32_t kBuildInitialStage = ${stage};
")
  target_sources(${target} PRIVATE "${rc}" "${dir}/build_stage.cpp")
endfunction()

# --- the system's code: the core and the Windows backend ---------------------
file(GLOB DUX_CORE_SOURCES CONFIGURE_DEPENDS
  app/*.cpp ui/*.cpp firmware/*.cpp web/*.cpp tftp/*.cpp resources/*.cpp)
add_library(dux_core STATIC ${DUX_CORE_SOURCES})
target_include_directories(dux_core PUBLIC ${CMAKE_SOURCE_DIR})
dux_warnings(dux_core)

# Sockets, threads, clock, resources, host addresses, the window class and
# the common controls, test doubles.
add_library(dux_win32 STATIC
  platform/win32/net.cpp platform/win32/thread.cpp
  platform/win32/resource.cpp platform/win32/window_class.cpp
  platform/win32/test_hooks.cpp)
target_include_directories(dux_win32 PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(dux_win32 PUBLIC ws2_32 winmm comctl32 user32)
dux_warnings(dux_win32)

# The dialogs, message boxes and the window class on the Windows user
# interface.
add_library(dux_win32_ui STATIC
  platform/win32/dialog.cpp platform/win32/frontend.cpp)
target_include_directories(dux_win32_ui PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(dux_win32_ui PUBLIC comctl32 user32)
dux_warnings(dux_win32_ui)

target_link_libraries(dux_core PUBLIC dux_win32)

# --- the program -------------------------------------------------------------
add_executable(dux-upgrade WIN32 platform/win32/main.cpp)
target_link_libraries(dux-upgrade PRIVATE dux_core dux_win32_ui)
dux_win32_resources(dux-upgrade "${DUX_IMG_TARGET}" "${DUX_IMG_TRANSITION}")
dux_warnings(dux-upgrade)

# --- tests, run under wine ---------------------------------------------------
if(DUX_BUILD_TESTS)
  include(cmake/win32-tests.cmake)
endif()
