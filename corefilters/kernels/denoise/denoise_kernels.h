// Frame-averaging kernels of the DeNoise filter: three operations,
// denoiseStartRun, denoiseAccumulate and denoiseEmit. Implemented by the
// scalar reference (the ...C loops) on every processor, SSE2 and AVX2 on
// x86-64, NEON on AArch64, the vector sets from one loop template over each
// set's operations (denoise_vector_common.h); each entry point takes the
// scalar set and lets the ladder of kernel_ladder.h upgrade it by the
// processor's features on every call.
//
// Per-frame pixel work of frame averaging: a run of 2^L frames is summed byte
// by byte into a signed 16-bit accumulator, one entry per frame byte, and the
// frame that ends the run is added on the fly while the mean is written out.
//
// The kernels know nothing of frames or runs; they treat every byte alike.
// They never allocate, and any of the pointers may be unaligned.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/wintypes.h"

namespace orv_filter {

// First frame of a run: acc[i] = src[i]. One pass instead of "clear, then add".
void denoiseStartRun(std::int16_t* acc, const BYTE* src, std::size_t n);

// Any later frame but the last: acc[i] = int16(acc[i] + src[i]), acc read as
// signed 16-bit and the sum stored truncated to 16 bits (it wraps around).
void denoiseAccumulate(std::int16_t* acc, const BYTE* src, std::size_t n);

// Last frame of a run: dst[i] = BYTE((int32(acc[i]) + src[i]) >> level), an
// arithmetic shift of the 32-bit sum keeping its low 8 bits. Levels 0 to 7
// are the ones in use; a larger level is a floor division as well, so levels
// of 31 and above all give the sign of the sum (0 or 255).
void denoiseEmit(BYTE* dst, const std::int16_t* acc, const BYTE* src, std::size_t n, unsigned level);

// The entry points above choose the best of these sets by orv::cpuFeatureWord()
// on every call. Tests and benchmarks reach each set through denoiseKernelsFor.
struct DenoiseKernels {
  void (*startRun)(std::int16_t* acc, const BYTE* src, std::size_t n);
  void (*accumulate)(std::int16_t* acc, const BYTE* src, std::size_t n);
  void (*emit)(BYTE* dst, const std::int16_t* acc, const BYTE* src, std::size_t n, unsigned level);
};

// The reference loops every vector kernel must equal byte for byte.
const DenoiseKernels& denoiseKernelsC();
// Built only for their architecture: need the orv::kCpuSSE2, orv::kCpuAVX2
// and orv::kCpuNEON feature bits respectively.
const DenoiseKernels& denoiseKernelsSse2();
const DenoiseKernels& denoiseKernelsAvx2();
const DenoiseKernels& denoiseKernelsNeon();

// The fastest set that `cpuFeatures` (a word of orv::CpuFeature bits) allows.
const DenoiseKernels& denoiseKernelsFor(std::uint32_t cpuFeatures);

// The reference kernels, for code that wants one without the table.
void denoiseStartRunC(std::int16_t* acc, const BYTE* src, std::size_t n);
void denoiseAccumulateC(std::int16_t* acc, const BYTE* src, std::size_t n);
void denoiseEmitC(BYTE* dst, const std::int16_t* acc, const BYTE* src, std::size_t n, unsigned level);

}  // namespace orv_filter
