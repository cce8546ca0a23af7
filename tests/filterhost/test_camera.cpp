// Raw Bayer frames: the start patterns as named, and the built-in camera.
#include <gtest/gtest.h>

#include <cmath>

#include "bayer.h"
#include "syntheticcamera.h"

using namespace filterhost;

namespace {

TEST(BayerPatterns, NameTheColoursAtColumnZeroOfMemoryRowsOneAndZero) {
  // Memory rows 0 and 1, two columns each, of every pattern.
  const struct {
    const char* name;
    const char* rows[2];
  } table[] = {{"RG", {"GB", "RG"}}, {"GB", {"BG", "GR"}}, {"GR", {"RG", "GB"}}, {"BG", {"GR", "BG"}}};
  Image picture = makeImage(4, 4, 3);
  for (std::size_t i = 0; i < picture.pixels.size(); i += 3) {
    picture.pixels[i] = 'R';
    picture.pixels[i + 1] = 'G';
    picture.pixels[i + 2] = 'B';
  }
  for (int p = 0; p < 4; ++p) {
    int parsed = -1;
    ASSERT_TRUE(parsePattern(table[p].name, parsed));
    EXPECT_EQ(parsed, p);
    EXPECT_STREQ(patternName(p), table[p].name);
    const Image raw = mosaicImage(picture, p);
    for (int y = 0; y < 4; ++y) {
      const std::string row(raw.row(y), raw.row(y) + 4);
      const std::string period = table[p].rows[y % 2];
      EXPECT_EQ(row, period + period) << table[p].name << " row " << y;
    }
  }
  int pattern = -1;
  EXPECT_TRUE(parsePattern("bg", pattern));
  EXPECT_EQ(pattern, 3);
  EXPECT_TRUE(parsePattern("1", pattern));
  EXPECT_EQ(pattern, 1);
  EXPECT_FALSE(parsePattern("RB", pattern));
  EXPECT_FALSE(parsePattern("4", pattern));
}

TEST(SyntheticCamera, GivesTheSameFramesForTheSameSettings) {
  CameraSettings settings{64, 48, 2, 10, 7};
  SyntheticCamera a(settings), b(settings);
  std::vector<std::uint8_t> fa(64 * 48), fb(64 * 48), later(64 * 48);
  a.capture(3, fa.data());
  b.capture(1, later.data());  // an earlier frame does not change frame 3
  b.capture(3, fb.data());
  EXPECT_EQ(fa, fb);
  b.capture(4, later.data());
  EXPECT_NE(fa, later);  // the scene moves

  settings.seed = 8;
  SyntheticCamera otherSeed(settings);
  otherSeed.capture(3, fb.data());
  EXPECT_NE(fa, fb);
}

TEST(SyntheticCamera, MosaicsItsSceneAndAddsNoiseOfTheAskedSize) {
  CameraSettings settings{128, 96, 1, 0, 1};
  SyntheticCamera clean(settings);
  std::vector<std::uint8_t> frame(128 * 96);
  clean.capture(5, frame.data());
  EXPECT_EQ(frame, mosaicImage(clean.scene(5), 1).pixels);

  // Colour bars start with white at the top left of frame 0.
  const Image& scene = clean.scene(0);
  EXPECT_EQ(scene.row(0)[0], 255);
  EXPECT_EQ(scene.row(0)[1], 255);
  EXPECT_EQ(scene.row(0)[2], 255);

  settings.noise = 8;
  SyntheticCamera noisy(settings);
  std::vector<std::uint8_t> withNoise(frame.size());
  noisy.capture(5, withNoise.data());
  double sum = 0, squares = 0;
  int counted = 0;
  for (std::size_t i = 0; i < frame.size(); ++i) {
    if (frame[i] < 40 || frame[i] > 215) continue;  // clipping would bias the figures
    const double d = double(withNoise[i]) - frame[i];
    sum += d;
    squares += d * d;
    ++counted;
  }
  ASSERT_GT(counted, 2000);
  EXPECT_NEAR(sum / counted, 0.0, 0.5);
  EXPECT_NEAR(std::sqrt(squares / counted), 8.0, 0.8);

  // Each frame and each row has noise of its own: the noise of frame 5 and
  // of frame 6 (on the same clean scene), and that of each row and the next,
  // agree no more often than independent draws do (a few in a hundred).
  std::vector<std::uint8_t> next(frame.size());
  noisy.capture(6, next.data());
  std::vector<std::uint8_t> clean6(frame.size());
  clean.capture(6, clean6.data());
  int sameInTime = 0, sameInSpace = 0, pairs = 0;
  for (std::size_t i = 0; i + 128 < frame.size(); ++i) {
    if (frame[i] < 40 || frame[i] > 215 || clean6[i] < 40 || clean6[i] > 215) continue;
    ++pairs;
    sameInTime += withNoise[i] - frame[i] == next[i] - clean6[i];
    sameInSpace += withNoise[i] - frame[i] == withNoise[i + 128] - frame[i + 128];
  }
  EXPECT_LT(sameInTime, pairs / 10);
  EXPECT_LT(sameInSpace, pairs / 10);
}

}  // namespace
