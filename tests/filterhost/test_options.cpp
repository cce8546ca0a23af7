// The command line of a chain: filter requests and run options.
#include <gtest/gtest.h>

#include "filtersetup.h"
#include "filterrequest.h"
#include "runplan.h"

using namespace filterhost;

namespace {

TEST(FilterRequests, SplitNameFileAndSettings) {
  struct Case {
    const char* text;
    const char* name;
    const char* file;
    std::vector<std::pair<std::string, std::string>> settings;
  };
  const Case cases[] = {
      {"DeBayer", "DeBayer", "", {}},
      {"DeBayer:Mode=2", "DeBayer", "", {{"Mode", "2"}}},
      {"Rotate Flip:Rotation Angle=90, Flip H = true", "Rotate Flip", "", {{"Rotation Angle", "90"}, {"Flip H", "true"}}},
      {"ROI@saved/roi.json:Left=64,,Width=320", "ROI", "saved/roi.json", {{"Left", "64"}, {"Width", "320"}}},
      {"ROI@roi.json", "ROI", "roi.json", {}},
      {"DeNoise:", "DeNoise", "", {}},
      {"X:A=1=2", "X", "", {{"A", "1=2"}}},
      {"X:A=", "X", "", {{"A", ""}}},
  };
  for (const Case& c : cases) {
    FilterRequest request;
    std::string error;
    ASSERT_TRUE(parseFilterRequest(c.text, request, error)) << c.text << ": " << error;
    EXPECT_EQ(request.name, c.name) << c.text;
    EXPECT_EQ(request.loadFrom, c.file) << c.text;
    ASSERT_EQ(request.settings.size(), c.settings.size()) << c.text;
    for (std::size_t i = 0; i < c.settings.size(); ++i) {
      EXPECT_EQ(request.settings[i].name, c.settings[i].first) << c.text;
      EXPECT_EQ(request.settings[i].value, c.settings[i].second) << c.text;
    }
  }
  for (const char* bad : {"", ":Mode=1", "DeBayer@", "DeBayer:Mode", "DeBayer:=2"}) {
    FilterRequest request;
    std::string error;
    EXPECT_FALSE(parseFilterRequest(bad, request, error)) << bad;
    EXPECT_FALSE(error.empty());
  }
}

TEST(RunOptions, FillThePlan) {
  RunPlan plan;
  std::string error;
  ASSERT_EQ(parseRunOptions({"--filter", "A", "--save-params", "a.json", "--filter=B:x=1", "--load-params", "b.json",
                             "--size", "320x240", "--pattern", "bg", "--noise", "4", "--seed=9", "-n", "5", "-o",
                             "out.png", "--every", "all", "--stages", "st"},
                            plan, error),
            kExitOk)
      << error;
  ASSERT_EQ(plan.filters.size(), 2u);
  EXPECT_EQ(plan.filters[0].saveTo, "a.json");
  EXPECT_EQ(plan.filters[1].loadFrom, "b.json");
  EXPECT_EQ(plan.filters[1].settings[0].value, "1");
  EXPECT_EQ(plan.camera.width, 320);
  EXPECT_EQ(plan.camera.height, 240);
  EXPECT_EQ(plan.camera.pattern, 3);
  EXPECT_EQ(plan.camera.noise, 4);
  EXPECT_EQ(plan.camera.seed, 9u);
  EXPECT_EQ(plan.frames, 5u);
  EXPECT_EQ(plan.output, "out.png");
  EXPECT_EQ(plan.everyDir, "all");
  EXPECT_EQ(plan.stagesDir, "st");
}

TEST(RunOptions, RefuseWhatTheyCannotUse) {
  struct Case {
    std::vector<std::string> args;
    const char* message;
  };
  const Case cases[] = {
      {{}, "at least one --filter"},
      {{"--filter"}, "--filter needs a value"},
      {{"--save-params", "x.json", "--filter", "A"}, "must follow the --filter"},
      {{"--filter", "A", "--size", "0x10"}, "expected WIDTHxHEIGHT"},
      {{"--filter", "A", "--size", "640"}, "expected WIDTHxHEIGHT"},
      {{"--filter", "A", "--size", "70000x2"}, "expected WIDTHxHEIGHT"},
      {{"--filter", "A", "--frames", "0"}, "from 1"},
      {{"--filter", "A", "--frames", "many"}, "from 1"},
      {{"--filter", "A", "--threads", "0"}, "threads from 1 to 64"},
      {{"--filter", "A", "--noise", "-1"}, "standard deviation"},
      {{"--filter", "A", "--pattern", "XY"}, "RG, GB, GR or BG"},
      {{"--filter", "A", "--mosaic", "5"}, "RG, GB, GR or BG"},
      {{"--filter", "A", "--bogus"}, "unknown option '--bogus'"},
      {{"--filter", "A", "--input", "a.png", "--noise", "3"}, "do not apply to --input"},
  };
  for (const Case& c : cases) {
    RunPlan plan;
    std::string error;
    EXPECT_EQ(parseRunOptions(c.args, plan, error), kExitUsage) << c.message;
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
  }
}

}  // namespace
