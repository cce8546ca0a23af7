// The built tool, run as a user runs it: listings, chains over small
// pictures, persistence, and a clear message and exit code for bad input.
#include <algorithm>
#include <filesystem>

#include "image.h"
#include "tool_runner.h"

using namespace filterhost;
using orv_test::readPicture;
using orv_test::runTool;
using orv_test::scratchDir;
using orv_test::writePicture;

namespace {

Image greyRamp(int width, int height) {
  Image image = makeImage(width, height, 1);
  for (std::size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = static_cast<std::uint8_t>(i * 7 + 3);
  return image;
}

TEST(ToolList, ShowsEveryFilterWithDialogInputsAndParameters) {
  const auto r = runTool({"list"}, scratchDir());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("Bayer to Y800\n  dialog: no\n  inputs: BY8\n  parameters: none\n"), std::string::npos) << r.out;
}

TEST(ToolRun, PassesAGreyPictureThroughBayerToY800ByteForByte) {
  const std::string dir = scratchDir();
  const Image input = greyRamp(6, 4);
  writePicture(dir + "/in.png", input);
  const auto r = runTool({"run", "--input", dir + "/in.png", "--filter", "Bayer to Y800", "-o", dir + "/out.png",
                          "--stages", dir + "/stages"},
                         dir);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("chain: BY8 6x4 -> [Bayer to Y800] -> Y800 6x4"), std::string::npos) << r.out;
  EXPECT_EQ(readPicture(dir + "/out.png").pixels, input.pixels);
  EXPECT_EQ(readPicture(dir + "/stages/00-source.png").pixels, input.pixels);
  EXPECT_EQ(readPicture(dir + "/stages/01-bayer-to-y800.png").pixels, input.pixels);
  // The figures: one row per filter with its frames in and out.
  EXPECT_NE(r.out.find("Bayer to Y800  BY8 6x4"), std::string::npos) << r.out;
}

TEST(ToolRun, WritesEveryFrameOfTheCameraAndNoProgressLineWithoutATerminal) {
  const std::string dir = scratchDir();
  const auto r = runTool({"run", "--filter", "Bayer to Y800", "--size", "40x30", "--pattern", "RG", "--frames", "3",
                          "--every", dir + "/all"},
                         dir);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(r.err.empty()) << r.err;
  for (const char* name : {"frame-00000.png", "frame-00001.png", "frame-00002.png"}) {
    const Image frame = readPicture(dir + "/all/" + name);
    EXPECT_EQ(frame.width, 40);
    EXPECT_EQ(frame.height, 30);
  }
  EXPECT_FALSE(std::filesystem::exists(dir + "/all/frame-00003.png"));
}

// Across threads the camera and the filters give the same frames as on one
// thread; the table says which thread ran each stage.
TEST(ToolRun, GivesTheSameFramesOnOneThreadAndAcrossThreads) {
  const std::string dir = scratchDir();
  std::vector<std::vector<std::uint8_t>> frames;
  for (const char* threads : {"1", "3"}) {
    const std::string out = dir + "/t" + threads;
    const auto r = runTool({"run", "--size", "64x48", "--noise", "5", "--frames", "12", "--threads", threads, "--filter",
                            "DeBayer:Mode=2", "--filter", "Rotate Flip:Rotation Angle=90", "--filter",
                            "DeNoise:DeNoise Level=1", "--every", out},
                           dir);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.find("thread\n") != std::string::npos, threads[0] == '3') << r.out;
    for (int n = 0; n < 6; ++n) frames.push_back(readPicture(out + "/frame-0000" + std::to_string(n) + ".png").pixels);
  }
  for (int n = 0; n < 6; ++n) EXPECT_EQ(frames[n], frames[n + 6]) << n;
}

TEST(ToolRun, SavesAndRestoresParameterFiles) {
  const std::string dir = scratchDir();
  const auto saved = runTool({"run", "--filter", "Bayer to Y800", "--save-params", dir + "/b.json", "--size", "4x4",
                              "--frames", "1"},
                             dir);
  ASSERT_EQ(saved.exitCode, 0) << saved.err;
  EXPECT_EQ(orv_test::fileText(dir + "/b.json"), "{}\n");  // no parameters
  const auto restored =
      runTool({"run", "--filter", "Bayer to Y800@" + dir + "/b.json", "--size", "4x4", "--frames", "1"}, dir);
  EXPECT_EQ(restored.exitCode, 0) << restored.err;
}

TEST(ToolErrors, ExplainBadInputAndExitNonZero) {
  const std::string dir = scratchDir();
  writePicture(dir + "/colour.png", makeImage(4, 2, 3));
  writePicture(dir + "/grey.png", greyRamp(4, 2));
  writePicture(dir + "/other.png", greyRamp(5, 2));
  std::vector<std::uint8_t> png;
  std::string error;
  ASSERT_TRUE(encodePng(greyRamp(32, 32), png, error));
  std::ofstream(dir + "/cut.png", std::ios::binary).write(reinterpret_cast<const char*>(png.data()), 40);
  std::ofstream(dir + "/junk.ftf") << "not a module";
  std::ofstream(dir + "/bad.json") << "{\"Mode\":";
  std::ofstream(dir + "/mode7.json") << "{\"Mode\":7}";
  std::ofstream(dir + "/huge.pgm") << "P5\n60000 60000\n255\n";

  struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::string message;
  };
  const std::string b2y = "Bayer to Y800";
  const Case cases[] = {
      {{"run", "--filter", "Debayer"}, 2, "the module has no filter 'Debayer'"},
      {{"run", "--filter", "bayer to y800"}, 2, "did you mean 'Bayer to Y800'?"},
      {{"run", "--filter", b2y + ":Gain=2"}, 2, "'Bayer to Y800' has no parameters, so none called 'Gain'"},
      {{"run", "--filter", b2y, "--filter", b2y, "--frames", "1"}, 1,
       "the chain does not negotiate: 'Bayer to Y800' refuses every output type of 'Bayer to Y800' (Y800 1280x960); "
       "it accepts BY8"},
      {{"run", "--filter", b2y, "--input", dir + "/colour.png"}, 1,
       "'Bayer to Y800' refuses input RGB24 4x2 (it accepts BY8)"},
      {{"run", "--filter", b2y, "--input", dir + "/missing.png"}, 1,
       "cannot read image '" + dir + "/missing.png': No such file or directory"},
      {{"run", "--filter", b2y, "--input", dir + "/cut.png"}, 1, "damaged or truncated PNG image"},
      {{"run", "--filter", b2y, "--input", dir + "/junk.ftf"}, 1, "not a PNG, PGM or PPM image"},
      {{"run", "--filter", b2y, "--input", dir}, 1, "Is a directory"},
      {{"run", "--filter", b2y, "--input", dir + "/grey.png", "--input", dir + "/other.png"}, 1,
       "is 5x2 grey, unlike the first image (4x2 grey)"},
      {{"run", "--filter", b2y + "@" + dir + "/none.json"}, 1, "cannot read the parameter file"},
      {{"run", "--filter", b2y + "@" + dir + "/bad.json"}, 1,
       "'Bayer to Y800' rejects the parameter text in '" + dir + "/bad.json': not JSON (the text ends too early)"},
      {{"run", "--filter", "DeBayer@" + dir + "/mode7.json"}, 1,
       "'Mode': 7 is refused: the value is out of range or not allowed (it takes 0..2"},
      {{"run", "--filter", b2y + "@/dev/zero", "--max-file-size", "64K"}, 1,
       "cannot read the parameter file '/dev/zero' for 'Bayer to Y800': longer than the file size limit of 64 KiB "
       "(--max-file-size raises it)"},
      {{"run", "--filter", b2y, "--input", "/dev/zero", "--max-file-size", "1M"}, 1,
       "cannot read image '/dev/zero': longer than the file size limit of 1 MiB"},
      {{"run", "--filter", b2y, "--input", dir + "/huge.pgm"}, 1,
       "60000x60000 pixels needs 3.4 GiB, more than the 1 GiB of frame memory left for it"},
      {{"run", "--filter", b2y, "--size", "64x64", "--max-frame-memory", "20K"}, 1,
       "the run needs 24 KiB of frame memory (source 16 KiB, input frames 4 KiB, output frames 4 KiB), more than "
       "the frame memory limit of 20 KiB (--max-frame-memory raises it)"},
      // Across threads at least a frame the camera fills and the filter's own come on top of the 24 KiB;
      // how many more depends on the grouping, which depends on measured times.
      {{"run", "--filter", b2y, "--size", "64x64", "--max-frame-memory", "30K", "--threads", "2"}, 1,
       "of it for the frames the threads hand on), more than the frame memory limit of 30 KiB (--max-frame-memory "
       "raises it); --threads 1 needs less"},
      {{"run", "--filter", b2y, "--size", "4096x4096", "--max-frame-memory", "16M"}, 1,
       "the camera at 4096x4096 needs 64 MiB for its scene, more than the frame memory limit of 16 MiB"},
      {{"run", "--filter", b2y, "--max-frame-memory", "lots"}, 2, "expected a number of bytes from 1"},
      {{"run", "--filter", b2y, "-o", dir + "/x.jpg"}, 2,
       "-o " + dir + "/x.jpg: the tool writes pictures as .png, .pgm (grey) or .ppm (colour), not as .jpg"},
      {{"run", "--filter", b2y, "--size", "5"}, 2, "--size 5: expected WIDTHxHEIGHT"},
      {{"run", "--filter", b2y, "--size", "4x4", "-o", dir + "/nodir/x.png"}, 1, "cannot write image"},
      {{"--module", dir + "/missing.ftf", "list"}, 1, "no such file"},
      {{"--module", dir + "/junk.ftf", "list"}, 1, "not a loadable module"},
      {{"--module", ORV_PLATFORM_LIB, "list"}, 1, "does not export getFilterFactory"},
      {{"dialog", b2y}, 1, "'Bayer to Y800' has no property dialog"},
      {{"dialog"}, 2, "dialog needs a filter name"},
      {{"frobnicate"}, 2, "unknown command 'frobnicate'"},
      {{}, 2, "usage: filterhost"},
  };
  for (const Case& c : cases) {
    const auto r = runTool(c.args, dir);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.message << "\n" << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
}

TEST(ToolOutputs, NeverReplaceAFileTheRunReads) {
  const std::string dir = scratchDir();
  const std::string in = dir + "/in.png", link = dir + "/link.png", params = dir + "/p.json";
  writePicture(in, greyRamp(4, 4));
  std::filesystem::create_symlink(in, link);
  std::ofstream(params) << "{\"Mode\":0}";
  const std::string picture = orv_test::fileText(in);
  const std::vector<std::string> cases[] = {
      {"run", "--input", in, "--filter", "Bayer to Y800", "-o", in},
      {"run", "--input", in, "--filter", "Bayer to Y800", "-o", link},
      {"run", "--filter", "DeBayer@" + params + ":Mode=2", "--save-params", params, "--size", "8x8", "--frames", "1"},
      {"dialog", "DeBayer", "--load-params", params, "--save-params", params},
  };
  for (const auto& args : cases) {
    const auto r = runTool(args, dir);
    EXPECT_EQ(r.exitCode, 1) << args.back() << "\n" << r.err;
    EXPECT_NE(r.err.find("it is one of the files this run reads"), std::string::npos) << r.err;
  }
  EXPECT_EQ(orv_test::fileText(in), picture);
  EXPECT_EQ(orv_test::fileText(params), "{\"Mode\":0}");
}

TEST(ToolHelp, DocumentsTheChainSyntaxAndParameterFiles) {
  const auto r = runTool({"--help"}, scratchDir());
  EXPECT_EQ(r.exitCode, 0);
  for (const char* text : {"--filter 'NAME[@FILE][:PARAM=VALUE,...]'", "--save-params FILE", "--stages DIR",
                           "--max-file-size SIZE", "--max-frame-memory SIZE"})
    EXPECT_NE(r.out.find(text), std::string::npos) << text;
}

}  // namespace

namespace {

TEST(ToolDemo, RunsTheCameraThroughTheDemoChainAndWritesEveryStage) {
  const std::string dir = scratchDir();
  const auto r = runTool({"demo", "--frames", "4", "--stages", dir + "/demo"}, dir);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("source: synthetic camera 1280x960 GR"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("ms/frame"), std::string::npos) << r.out;
  const Image scene = readPicture(dir + "/demo/00-scene.png");
  EXPECT_EQ(scene.width, 1280);
  EXPECT_EQ(scene.channels, 3);
  // One picture per filter after the source.
  const std::size_t filters = static_cast<std::size_t>(std::count(r.out.begin(), r.out.end(), '['));
  std::size_t pictures = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir + "/demo"))
    pictures += entry.path().extension() == ".png";
  EXPECT_EQ(pictures, filters + 2);
}

}  // namespace
