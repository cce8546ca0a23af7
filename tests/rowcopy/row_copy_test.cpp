// The vector row copies against the memcpy reference: every byte of every
// row, nothing outside the rows, on sources and destinations placed against
// inaccessible pages at either end.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <vector>

#include "guarded_bytes.h"
#include "kernel_levels.h"
#include "platform/cpu.h"
#include "row_copy.h"

namespace {

using orv_filter::RowCopyKernel;
using orv_test::GuardedBytes;


struct Shape {
  std::size_t rowBytes, rows, srcPitch, dstPitch;
  bool dstUpward;  // destination rows walked from the last one up (negative pitch)
  std::size_t srcBytes() const { return rows == 0 ? 0 : (rows - 1) * srcPitch + rowBytes; }
  std::size_t dstBytes() const { return rows == 0 ? 0 : (rows - 1) * dstPitch + rowBytes; }
};

// Row lengths around the step sizes (64 and 128 bytes) and the lines asked
// for ahead, row counts around the distance of the row asked for ahead,
// with and without gaps between rows on either side.
std::vector<Shape> shapes() {
  std::vector<Shape> out;
  for (std::size_t rowBytes : {0, 1, 15, 63, 64, 65, 127, 128, 129, 191, 200, 255, 256, 257, 1000, 4113})
    for (std::size_t rows : {0, 1, 2, 7, 8, 17, 61})
      for (std::size_t srcGap : {0, 3, 4096 + 69})
        for (std::size_t dstGap : {0, 9})
          for (bool upward : {false, true})
            out.push_back({rowBytes, rows, rowBytes + srcGap, rowBytes + dstGap, upward});
  return out;
}

std::vector<unsigned char> run(RowCopyKernel copy, const Shape& s, GuardedBytes::Placement placement) {
  GuardedBytes src(s.srcBytes(), placement), dst(s.dstBytes(), placement);
  orv_test::fillRandom(src.data(), src.size(), static_cast<std::uint32_t>(s.rowBytes * 131 + s.rows));
  orv_test::fillRandom(dst.data(), dst.size(), 77);  // garbage the gaps must keep
  const auto pitch = static_cast<std::ptrdiff_t>(s.dstPitch);
  unsigned char* first = s.dstUpward && s.rows != 0 ? dst.data() + (s.rows - 1) * s.dstPitch : dst.data();
  copy(src.data(), static_cast<std::ptrdiff_t>(s.srcPitch), first, s.dstUpward ? -pitch : pitch, s.rowBytes, s.rows);
  return dst.bytes();
}

TEST(RowCopy, VectorKernelsEqualTheReferenceAndStayInsideTheRows) {
  for (const orv_test::KernelLevel& level : orv_test::kernelLevels()) {
    const RowCopyKernel copy = orv_filter::rowCopyKernelFor(level.features);
    for (const Shape& s : shapes()) {
      SCOPED_TRACE(testing::Message() << level.name << " rowBytes=" << s.rowBytes << " rows=" << s.rows
                                      << " srcPitch=" << s.srcPitch << " dstPitch=" << s.dstPitch
                                      << (s.dstUpward ? " upward" : ""));
      for (auto placement : {GuardedBytes::AgainstEnd, GuardedBytes::AgainstStart}) {
        ASSERT_EQ(run(copy, s, placement), run(&orv_filter::copyRowsC, s, placement));
      }
    }
  }
}

TEST(RowCopy, ReferenceCopiesEachRowAndLeavesTheGaps) {
  std::vector<unsigned char> src{1, 2, 3, 9, 9, 4, 5, 6};
  std::vector<unsigned char> dst(7, 0xEE);
  orv_filter::copyRowsC(src.data(), 5, dst.data(), 4, 3, 2);
  EXPECT_EQ(dst, (std::vector<unsigned char>{1, 2, 3, 0xEE, 4, 5, 6}));
}

TEST(RowCopy, DispatchFollowsTheFeatureWord) {
  EXPECT_EQ(orv_filter::rowCopyKernelFor(0), &orv_filter::copyRowsC);
}

}  // namespace
