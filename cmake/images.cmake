# Firmware images embedded in an executable.
#
# An image travels in the executable's read-only data (assembled with
# .incbin), listed in a small generated table that the resource layer
# searches by type name and id. Nothing is read from disk at run time.

set(DUX_IMAGE_MIN_SIZE 128)
# 65,535 blocks of 512 bytes, the last one short: the most a transfer with
# 16-bit block numbers can deliver.
set(DUX_IMAGE_MAX_SIZE 33553919)

# Refuses, at configure time, an image the program could not serve.
function(dux_check_image path what)
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "${what} image '${path}': no such file")
  endif()
  file(SIZE "${path}" size)
  if(size LESS DUX_IMAGE_MIN_SIZE)
    message(FATAL_ERROR "${what} image '${path}' is ${size} bytes: an image "
      "must be at least ${DUX_IMAGE_MIN_SIZE} bytes (its 128-byte header "
      "holds the product tag and the version text)")
  endif()
  if(size GREATER DUX_IMAGE_MAX_SIZE)
    message(FATAL_ERROR "${what} image '${path}' is ${size} bytes: a TFTP "
      "transfer with 16-bit block numbers delivers at most "
      "${DUX_IMAGE_MAX_SIZE} bytes")
  endif()
  file(READ "${path}" version HEX OFFSET 92 LIMIT 36)
  string(LENGTH "${version}" hexlen)
  set(found -1)
  foreach(i RANGE 0 70 2)
    if(i LESS hexlen)
      string(SUBSTRING "${version}" ${i} 2 byte)
      if(byte STREQUAL "00" AND found EQUAL -1)
        set(found ${i})
      endif()
    endif()
  endforeach()
  if(found EQUAL -1)
    message(FATAL_ERROR "${what} image '${path}': the version text at header "
      "offset 92 must end with a NUL before offset 128")
  endif()
endfunction()

# The images of the main program: the configured ones, or the generated
# synthetic target image.
function(dux_default_images out_target out_transition)
  if(DUX_TARGET_IMAGE)
    dux_check_image("${DUX_TARGET_IMAGE}" "Target")
    set(target "${DUX_TARGET_IMAGE}")
  else()
    set(target "${CMAKE_BINARY_DIR}/images/default-target.bin")
    dux_generated_image("${target}" 4054270 "XzElVaT " "7.2.19c" 1)
  endif()
  set(transition "")
  if(DUX_TRANSITION_IMAGE)
    dux_check_image("${DUX_TRANSITION_IMAGE}" "Transition")
    set(transition "${DUX_TRANSITION_IMAGE}")
  endif()
  set(${out_target} "${target}" PARENT_SCOPE)
  set(${out_transition} "${transition}" PARENT_SCOPE)
endfunction()

# The generator of synthetic images: the dux-make-image target, or (in a
# cross build) the same tool built for the build machine.
if(NOT DEFINED DUX_MAKE_IMAGE_TOOL)
  set(DUX_MAKE_IMAGE_TOOL dux-make-image)
endif()

# A deterministic synthetic image, made at build time by dux-make-image.
function(dux_generated_image path size tag version seed)
  get_property(done GLOBAL PROPERTY "DUX_IMAGE_RULE_${path}")
  if(done)
    return()
  endif()
  set_property(GLOBAL PROPERTY "DUX_IMAGE_RULE_${path}" 1)
  get_filename_component(dir "${path}" DIRECTORY)
  file(MAKE_DIRECTORY "${dir}")
  add_custom_command(OUTPUT "${path}"
    COMMAND "${DUX_MAKE_IMAGE_TOOL}" --size ${size} --tag "${tag}"
            --version "${version}" --seed ${seed} --output "${path}"
    DEPENDS "${DUX_MAKE_IMAGE_TOOL}"
    COMMENT "Generating firmware image ${path}"
    VERBATIM)
endfunction()

# Embeds the target image (resource 726) and, when given, the transition
# image (resource 319, which also makes the build start in the transition
# stage) into `target`.
function(dux_embed_images target target_image transition_image)
  set(dir "${CMAKE_CURRENT_BINARY_DIR}/${target}-images")
  file(MAKE_DIRECTORY "${dir}")
  set(asm "${dir}/images.S")
  set(table "${dir}/image_table.cpp")
  set(content ".section .rodata\n.balign 16\n")
  string(APPEND content ".global dux_image_726_begin\n.global dux_image_726_end\n")
  string(APPEND content "dux_image_726_begin:\n.incbin \"${target_image}\"\ndux_image_726_end:\n")
  set(stage 1)
  set(entries "  {\"DUX_FIRMWARE\", 726, dux_image_726_begin, dux_image_726_end},\n")
  set(decls "extern const unsigned char dux_image_726_begin[], dux_image_726_end[];\n")
  set(deps "${target_image}")
  if(transition_image)
    string(APPEND content ".balign 16\n.global dux_image_319_begin\n.global dux_image_319_end\n")
    string(APPEND content "dux_image_319_begin:\n.incbin \"${transition_image}\"\ndux_image_319_end:\n")
    string(APPEND entries "  {\"DUX_FIRMWARE\", 319, dux_image_319_begin, dux_image_319_end},\n")
    string(APPEND decls "extern const unsigned char dux_image_319_begin[], dux_image_319_end[];\n")
    list(APPEND deps "${transition_image}")
    set(stage 0)
  endif()
  string(APPEND content ".section .note.GNU-stack,\"\",@progbits\n")
  file(CONFIGURE OUTPUT "${asm}" CONTENT "${content}")
  file(CONFIGURE OUTPUT "${table}" CONTENT
"// Generated: the resources embedded in this executable.
#include <cstdint>
#include \"platform/posix/embedded.h\"
extern \"C\" {
${decls}}
const PlatEmbeddedResource kPlatEmbeddedResources[] = {
${entries}  {nullptr, 0, nullptr, nullptr},
};
// 0 = transition, 1 = target: a build with a transition image starts with it.
extern const uint32_t kBuildInitialStage = ${stage};
")
  set_source_files_properties("${asm}" PROPERTIES OBJECT_DEPENDS "${deps}")
  target_sources(${target} PRIVATE "${asm}" "${table}")
  foreach(dep ${deps})
    if(dep MATCHES "^${CMAKE_BINARY_DIR}/images/")
      get_filename_component(name "${dep}" NAME_WE)
      if(NOT TARGET dux-image-${name})
        add_custom_target(dux-image-${name} DEPENDS "${dep}")
      endif()
      add_dependencies(${target} dux-image-${name})
    endif()
  endforeach()
endfunction()
