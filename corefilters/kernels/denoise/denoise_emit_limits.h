// Why the vector emit kernels may add in 16 bits although the sum needs 17.
#pragma once

namespace orv_filter {

// The emitted byte is bits level .. level+7 of the 32-bit sum acc + src. A
// wrapping 16-bit add leaves bits 0..15 of that sum intact, and a logical
// 16-bit shift brings bits level .. level+7 down unchanged while they all lie
// below bit 16, that is for every level up to 8. Larger levels need the true
// high bits, and the vector kernels hand them to the reference loop.
inline constexpr unsigned kMaxLevel16BitEmit = 8;

}  // namespace orv_filter
