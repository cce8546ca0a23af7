// Buffers and frames shared by the demosaicing tests.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "platform/cpu.h"
#include "transform_method.h"

namespace orv_filter::test {

// A heap block of exactly `size` bytes. Under AddressSanitizer the block ends
// where the allocation ends, so any access beyond either end is reported.
// Without it, guard bytes on both sides catch stray writes (checked by
// guardsIntact).
class GuardedBuffer {
 public:
#if defined(__SANITIZE_ADDRESS__)
  static constexpr std::size_t kGuard = 0;
#else
  static constexpr std::size_t kGuard = 64;
#endif
  static constexpr BYTE kGuardByte = 0xA5;

  explicit GuardedBuffer(std::size_t size) : size_(size), block_(new BYTE[size + 2 * kGuard]) {
    std::memset(block_.get(), kGuardByte, size + 2 * kGuard);
  }

  BYTE* data() { return block_.get() + kGuard; }
  const BYTE* data() const { return block_.get() + kGuard; }
  std::size_t size() const { return size_; }
  std::vector<BYTE> bytes() const { return {data(), data() + size_}; }

  void fill(BYTE value) { std::memset(data(), value, size_); }
  void fillRandom(std::mt19937& rng) {
    for (std::size_t i = 0; i < size_; ++i) data()[i] = static_cast<BYTE>(rng());
  }

  bool guardsIntact() const {
    for (std::size_t i = 0; i < kGuard; ++i) {
      if (block_[i] != kGuardByte || block_[kGuard + size_ + i] != kGuardByte) return false;
    }
    return true;
  }

 private:
  std::size_t size_;
  std::unique_ptr<BYTE[]> block_;
};

inline std::size_t rowsOf(LONG signedHeight) {
  return signedHeight < 0 ? static_cast<std::size_t>(-static_cast<long long>(signedHeight))
                          : static_cast<std::size_t>(signedHeight);
}

// Demosaics through the public entry point for `bpp` bytes per output pixel.
inline void runEntry(int bpp, const BYTE* src, BYTE* dst, UINT width, LONG signedHeight,
                     const DeBayerParams& params) {
  (bpp == 3 ? deBayerToRGB24 : deBayerToRGB32)(src, dst, width, signedHeight, params);
}

inline const char* methodName(LONG mode) {
  static const char* const names[] = {"nearest", "bilinear", "edge"};
  return mode >= 0 && mode < 3 ? names[mode] : "?";
}

}  // namespace orv_filter::test
