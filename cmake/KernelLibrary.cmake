# orv_add_kernel_library(<name> C <src...> [SSE2 <src...>] [AVX2 <src...>] [NEON <src...>])
#
# One static library of pixel kernels. The C sources (the scalar reference,
# the dispatch and whatever the sets share) are built everywhere; each
# instruction-set list only for the architecture it belongs to, with the
# flags its intrinsics need, and the library is told which sets it holds
# (ORV_KERNELS_X86, ORV_KERNELS_NEON) so that its ladder in kernel_ladder.h
# offers only those. ORV_SIMD=OFF builds the scalar references alone, as on
# a processor the project has no vector kernels for.
include_guard(GLOBAL)

option(ORV_SIMD "Build the SSE2/AVX2 or NEON kernels beside the scalar references" ON)

if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64|i[3-6]86)$")
  set(ORV_KERNEL_ARCH x86)
elseif(CMAKE_SYSTEM_PROCESSOR MATCHES "^(aarch64|arm64|ARM64)$")
  set(ORV_KERNEL_ARCH arm64)
else()
  set(ORV_KERNEL_ARCH none)
endif()
if(NOT ORV_SIMD)
  set(ORV_KERNEL_ARCH none)
endif()
message(STATUS "Pixel kernels: scalar references plus the vector sets for '${ORV_KERNEL_ARCH}'")

function(orv_add_kernel_library name)
  cmake_parse_arguments(ARG "" "" "C;SSE2;AVX2;NEON" ${ARGN})
  set(sources ${ARG_C})
  if(ORV_KERNEL_ARCH STREQUAL "x86")
    list(APPEND sources ${ARG_SSE2} ${ARG_AVX2})
    # SSE2 is the x86-64 baseline. -mprfchw only lets the write prefetch be
    # emitted; every x86-64 processor either executes PREFETCHW or treats it
    # as a no-op. The AVX2 units run only when the processor reports AVX2.
    set_source_files_properties(${ARG_SSE2} PROPERTIES COMPILE_OPTIONS -mprfchw)
    set_source_files_properties(${ARG_AVX2} PROPERTIES COMPILE_OPTIONS "-mavx2;-mprfchw")
  elseif(ORV_KERNEL_ARCH STREQUAL "arm64")
    # Advanced SIMD is part of AArch64: no flag needed.
    list(APPEND sources ${ARG_NEON})
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/corefilters/kernels/common)
  target_link_libraries(${name} PUBLIC orvplatform)
  if(ORV_KERNEL_ARCH STREQUAL "x86" AND (ARG_SSE2 OR ARG_AVX2))
    target_compile_definitions(${name} PRIVATE ORV_KERNELS_X86=1)
  elseif(ORV_KERNEL_ARCH STREQUAL "arm64" AND ARG_NEON)
    target_compile_definitions(${name} PRIVATE ORV_KERNELS_NEON=1)
  endif()
  # Linked into the plug-in module, whose only exported symbol is its entry.
  set_target_properties(${name} PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
endfunction()
