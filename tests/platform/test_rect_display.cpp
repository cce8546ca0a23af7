// Rectangle intersection and the screen depth.
#include <gtest/gtest.h>

#include "platform/display.h"
#include "platform/rect.h"

namespace {

bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(IntersectRect, HalfOpenRectangles) {
  struct Case {
    RECT a;
    RECT b;
    BOOL overlaps;
    RECT expected;
  };
  const Case cases[] = {
      {{0, 0, 10, 10}, {5, 5, 20, 20}, TRUE, {5, 5, 10, 10}},
      {{0, 0, 640, 480}, {8, 16, 72, 100}, TRUE, {8, 16, 72, 100}},      // containment
      {{-50, -50, 40, 30}, {0, 0, 640, 480}, TRUE, {0, 0, 40, 30}},      // clipped at the origin
      {{0, 0, 10, 10}, {9, 9, 11, 11}, TRUE, {9, 9, 10, 10}},            // a single pixel
      {{0, 0, 10, 10}, {10, 0, 20, 10}, FALSE, {0, 0, 0, 0}},            // touching edges share nothing
      {{0, 0, 10, 10}, {0, 10, 10, 20}, FALSE, {0, 0, 0, 0}},
      {{0, 0, 10, 10}, {30, 30, 40, 40}, FALSE, {0, 0, 0, 0}},
      {{5, 5, 5, 8}, {0, 0, 10, 10}, FALSE, {0, 0, 0, 0}},               // empty input inside the other
      {{0, 0, 10, 10}, {2, 8, 4, 3}, FALSE, {0, 0, 0, 0}},               // inverted input
      {{0, 0, 640, -480}, {0, 0, 640, 480}, FALSE, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    RECT out{7, 7, 7, 7};
    EXPECT_EQ(IntersectRect(&out, &c.a, &c.b), c.overlaps);
    EXPECT_TRUE(out == c.expected) << out.left << "," << out.top << "," << out.right << "," << out.bottom;
    RECT swapped{7, 7, 7, 7};
    EXPECT_EQ(IntersectRect(&swapped, &c.b, &c.a), c.overlaps);
    EXPECT_TRUE(swapped == c.expected);
  }
}

TEST(IntersectRect, DestinationMayBeAnInput) {
  RECT a{0, 0, 10, 10};
  const RECT b{4, -3, 30, 6};
  EXPECT_EQ(IntersectRect(&a, &a, &b), TRUE);
  EXPECT_TRUE(a == (RECT{4, 0, 10, 6}));
}

TEST(Display, DepthDefaultsTo32UntilSet) {
  EXPECT_EQ(orv::screenBitsPerPixel(), 32);
  orv::setScreenBitsPerPixel(16);
  EXPECT_EQ(orv::screenBitsPerPixel(), 16);
  orv::setScreenBitsPerPixel(32);
}

}  // namespace
