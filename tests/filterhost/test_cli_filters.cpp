// The tool over chains of the module's image filters: colours, orientation,
// crops, frame averaging, parameter refusals and parameter files.
#include <algorithm>
#include <filesystem>

#include "bayer.h"
#include "image.h"
#include "tool_runner.h"

using namespace filterhost;
using orv_test::fileText;
using orv_test::readPicture;
using orv_test::runTool;
using orv_test::scratchDir;
using orv_test::writePicture;

namespace {

Image numbered(int width, int height, int channels, int seed = 0) {
  Image image = makeImage(width, height, channels);
  for (std::size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = static_cast<std::uint8_t>(i * 13 + seed);
  return image;
}

// The picture turned a quarter clockwise.
Image turnedClockwise(const Image& in) {
  Image out = makeImage(in.height, in.width, in.channels);
  for (int y = 0; y < out.height; ++y)
    for (int x = 0; x < out.width; ++x)
      std::copy_n(in.row(in.height - 1 - x) + y * in.channels, in.channels, out.row(y) + x * out.channels);
  return out;
}

Image mirrored(const Image& in) {
  Image out = in;
  for (int y = 0; y < in.height; ++y)
    for (int x = 0; x < in.width; ++x)
      std::copy_n(in.row(y) + (in.width - 1 - x) * in.channels, in.channels, out.row(y) + x * out.channels);
  return out;
}

Image cropped(const Image& in, int left, int top, int width, int height) {
  Image out = makeImage(width, height, in.channels);
  for (int y = 0; y < height; ++y) std::copy_n(in.row(top + y) + left * in.channels, out.rowBytes(), out.row(y));
  return out;
}

// True when the 5 x 5 neighbourhood of (x, y) holds one colour.
bool flatAround(const Image& image, int x, int y) {
  const std::uint8_t* centre = image.row(y) + x * 3;
  for (int dy = -2; dy <= 2; ++dy)
    for (int dx = -2; dx <= 2; ++dx)
      if (!std::equal(centre, centre + 3, image.row(y + dy) + (x + dx) * 3)) return false;
  return true;
}

TEST(ToolListFilters, ShowsTheFiveFiltersInNameOrderWithTheirParameters) {
  const auto r = runTool({"list"}, scratchDir());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::size_t at = 0;
  for (const char* line :
       {"Bayer to Y800\n", "DeBayer\n  dialog: yes\n  inputs: RGB8, Y800, BY8\n",
        "    Mode (Long) = 1  [0..2: 0 nearest, 1 bilinear, 2 edge-sensing; changes while streaming]\n"
        "    Start Pattern (Long) = 2  [0..3: 0 RG, 1 GB, 2 GR, 3 BG; changes while streaming]\n",
        "DeNoise\n  dialog: yes", "    DeNoise Level (Long) = 2  [0..7; fixed while streaming]\n",
        "  emits fewer frames than it takes\n", "ROI\n  dialog: yes", "    Height (Long) = 2000  [1..",
        "    Left (Long) = 0  [0..", "    Top (Long) = 0  [0..", "    Width (Long) = 2000  [1..",
        "Rotate Flip\n  dialog: yes", "    Flip H (Boolean) = false  [true or false; changes while streaming]\n",
        "    Flip V (Boolean) = false", "    Rotation Angle (Long) = 0  [0, 90, 180, 270; changes while streaming if"}) {
    const std::size_t found = r.out.find(line, at);
    ASSERT_NE(found, std::string::npos) << "missing or out of order: " << line << "\n" << r.out;
    at = found;
  }
}

// A colour picture mosaiced with each start pattern and demosaiced with the
// same pattern gives its colours back, upright, wherever they are flat.
TEST(ToolDeBayer, GivesTheColoursOfAMosaicedPictureBackUpright) {
  const std::string dir = scratchDir();
  Image picture = makeImage(16, 16, 3);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) picture.row(y)[x * 3 + (y < 8 ? 0 : 2)] = 255;  // red over blue
  writePicture(dir + "/in.png", picture);
  for (int pattern = 0; pattern < 4; ++pattern) {
    for (int mode = 0; mode < 3; ++mode) {
      const std::string setting = "DeBayer:Start Pattern=" + std::to_string(pattern) + ",Mode=" + std::to_string(mode);
      const auto r = runTool({"run", "--input", dir + "/in.png", "--mosaic", patternName(pattern), "--filter", setting,
                              "-o", dir + "/out.png"},
                             dir);
      ASSERT_EQ(r.exitCode, 0) << setting << "\n" << r.err;
      const Image out = readPicture(dir + "/out.png");
      ASSERT_EQ(out.channels, 3);
      for (int y : {3, 12}) {
        const std::uint8_t* p = out.row(y) + 8 * 3;
        const std::uint8_t* q = picture.row(y) + 8 * 3;
        EXPECT_TRUE(std::equal(p, p + 3, q)) << setting << " row " << y << ": " << int(p[0]) << "," << int(p[1])
                                              << "," << int(p[2]);
      }
    }
  }
}

TEST(ToolDeBayer, TurnsTheCameraBackIntoItsSceneForEveryStartPattern) {
  const std::string dir = scratchDir();
  for (const char* pattern : {"RG", "GB", "GR", "BG"}) {
    int value = 0;
    ASSERT_TRUE(parsePattern(pattern, value));
    const auto r = runTool({"run", "--size", "96x64", "--pattern", pattern, "--frames", "2", "--filter",
                            "DeBayer:Mode=1,Start Pattern=" + std::to_string(value), "--stages", dir + "/" + pattern},
                           dir);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const Image scene = readPicture(dir + "/" + pattern + "/00-scene.png");
    const Image out = readPicture(dir + "/" + pattern + "/01-debayer.png");
    int compared = 0;
    for (int y = 2; y < scene.height - 2; ++y)
      for (int x = 2; x < scene.width - 2; ++x) {
        if (!flatAround(scene, x, y)) continue;
        ++compared;
        ASSERT_TRUE(std::equal(out.row(y) + x * 3, out.row(y) + x * 3 + 3, scene.row(y) + x * 3))
            << pattern << " at " << x << "," << y;
      }
    EXPECT_GT(compared, 500) << pattern;
  }
}

TEST(ToolRotateFlip, TurnsAndMirrorsGreyAndColourPicturesAsDisplayed) {
  const std::string dir = scratchDir();
  for (int channels : {1, 3}) {
    const Image picture = numbered(5, 3, channels);
    writePicture(dir + "/in.png", picture);
    const struct {
      const char* setting;
      Image expected;
    } cases[] = {{"Rotate Flip:Rotation Angle=90", turnedClockwise(picture)},
                 {"Rotate Flip:Rotation Angle=270", turnedClockwise(turnedClockwise(turnedClockwise(picture)))},
                 {"Rotate Flip:Flip H=true", mirrored(picture)},
                 {"Rotate Flip:Rotation Angle=90,Flip H=true", mirrored(turnedClockwise(picture))}};
    for (const auto& c : cases) {
      const auto r = runTool({"run", "--input", dir + "/in.png", "--filter", c.setting, "-o", dir + "/out.png"}, dir);
      ASSERT_EQ(r.exitCode, 0) << c.setting << "\n" << r.err;
      const Image out = readPicture(dir + "/out.png");
      EXPECT_EQ(out.width, c.expected.width) << c.setting;
      EXPECT_EQ(out.pixels, c.expected.pixels) << c.setting << ", " << channels << " channel(s)";
    }
  }
}

TEST(ToolRoi, CropsTheDisplayedRegionOfGreyAndColourPictures) {
  const std::string dir = scratchDir();
  for (int channels : {1, 3}) {
    const Image picture = numbered(24, 6, channels);
    writePicture(dir + "/in.png", picture);
    const auto r = runTool({"run", "--input", dir + "/in.png", "--filter", "ROI:Left=8,Top=1,Width=8,Height=3", "-o",
                            dir + "/out.png"},
                           dir);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(readPicture(dir + "/out.png").pixels, cropped(picture, 8, 1, 8, 3).pixels) << channels << " channel(s)";
  }
}

TEST(ToolDeNoise, EmitsOneAveragedFramePerRun) {
  const std::string dir = scratchDir();
  const Image a = numbered(8, 4, 1, 0), b = numbered(8, 4, 1, 101);
  writePicture(dir + "/a.png", a);
  writePicture(dir + "/b.png", b);
  const auto r = runTool({"run", "--input", dir + "/a.png", "--input", dir + "/b.png", "--frames", "9", "--filter",
                          "DeNoise:DeNoise Level=2", "--every", dir + "/out"},
                         dir);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("chain: Y800 8x4 -> [DeNoise] -> Y800 8x4"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("2 frame(s) out of the chain"), std::string::npos) << r.out;
  EXPECT_FALSE(std::filesystem::exists(dir + "/out/frame-00002.png"));
  for (const char* name : {"frame-00000.png", "frame-00001.png"}) {
    const Image out = readPicture(dir + "/out/" + name);
    ASSERT_EQ(out.pixels.size(), a.pixels.size());
    for (std::size_t i = 0; i < a.pixels.size(); ++i)
      ASSERT_EQ(out.pixels[i], (2 * a.pixels[i] + 2 * b.pixels[i]) / 4) << name << " byte " << i;
  }
}

TEST(ToolParameterFiles, CarrySettingsFromOneRunToTheNext) {
  const std::string dir = scratchDir();
  const auto first = runTool({"run", "--filter", "DeBayer:Mode=2,Start Pattern=1", "--save-params", dir + "/p.json",
                              "--filter", "Rotate Flip:Flip V=true", "--save-params", dir + "/r.json", "--size",
                              "8x8", "--frames", "1"},
                             dir);
  ASSERT_EQ(first.exitCode, 0) << first.err;
  EXPECT_EQ(fileText(dir + "/p.json"), "{\"Mode\":2,\"Start Pattern\":1}\n");
  EXPECT_EQ(fileText(dir + "/r.json"), "{\"Flip H\":false,\"Flip V\":true,\"Rotation Angle\":0}\n");
  const auto second = runTool({"run", "--filter", "DeBayer@" + dir + "/p.json", "--save-params", dir + "/q.json",
                               "--size", "8x8", "--frames", "1"},
                              dir);
  ASSERT_EQ(second.exitCode, 0) << second.err;
  EXPECT_EQ(fileText(dir + "/q.json"), fileText(dir + "/p.json"));
  // Settings after the file win.
  const auto third = runTool({"run", "--filter", "DeBayer@" + dir + "/p.json:Mode=0", "--save-params",
                              dir + "/q.json", "--size", "8x8", "--frames", "1"},
                             dir);
  ASSERT_EQ(third.exitCode, 0) << third.err;
  EXPECT_EQ(fileText(dir + "/q.json"), "{\"Mode\":0,\"Start Pattern\":1}\n");
}

TEST(ToolDialog, ShowsTheDialogOrSaysWhyNot) {
  const std::string dir = scratchDir();
  const auto r = runTool({"dialog", "DeNoise:DeNoise Level=3"}, dir);
  if (r.exitCode == 0) {
    EXPECT_NE(r.out.find("\"DeNoise Level\":"), std::string::npos) << r.out;
  } else {
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("the dialog of 'DeNoise' could not be shown"), std::string::npos) << r.err;
  }
}

TEST(ToolFilterErrors, ExplainEachRefusal) {
  const std::string dir = scratchDir();
  writePicture(dir + "/grey.png", numbered(16, 4, 1));
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::string message;
  };
  const Case cases[] = {
      {{"--filter", "DeBayer:mode=1"}, 2,
       "'DeBayer' has no parameter 'mode'; did you mean 'Mode'? (its parameters: Mode, Start Pattern)"},
      {{"--filter", "DeBayer:Mode=abc"}, 2, "'DeBayer' cannot take Mode=abc: 'abc' does not convert to Long"},
      {{"--filter", "DeBayer:Mode=7"}, 2, "'DeBayer' refuses Mode=7: the value is out of range or not allowed"},
      {{"--filter", "Rotate Flip:Flip H=maybe"}, 2, "'maybe' does not convert to Boolean"},
      {{"--filter", "Rotate Flip:Rotation Angle=45"}, 2, "'Rotate Flip' refuses Rotation Angle=45"},
      {{"--filter", "ROI:Width=0"}, 2, "'ROI' refuses Width=0"},
      {{"--input", dir + "/grey.png", "--filter", "ROI:Left=64"}, 1,
       "'ROI' cannot produce frames from Y800 16x4 with its current parameters"},
      {{"--filter", "DeBayer", "--filter", "Bayer to Y800"}, 1,
       "'Bayer to Y800' refuses every output type of 'DeBayer' (RGB32 1280x960, RGB24 1280x960); it accepts BY8"},
      {{"--filter", "DeNoise"}, 1, "'DeNoise' refuses input BY8 1280x960 (it accepts RGB8, Y800, RGB24, RGB32)"},
      {{"--input", dir + "/grey.png", "--frames", "3", "--filter", "DeNoise", "-o", dir + "/x.png"}, 1,
       "the chain produced no frame from 3 input frame(s)"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args{"run"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const auto r = runTool(args, dir);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.message << "\n" << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
}

}  // namespace
