// `filterhost run` and `filterhost demo`.
#include <iostream>

#include "commands.h"
#include "filtersetup.h"
#include "runplan.h"

namespace filterhost {
namespace {

// The demo: the built-in camera through the module's filters, one picture
// per stage. One line per filter of the chain.
constexpr const char* kDemoChain[] = {
    "DeBayer:Start Pattern=2,Mode=2",
    "Rotate Flip:Rotation Angle=90",
    "ROI:Left=160,Top=160,Width=640,Height=960",
    "DeNoise:DeNoise Level=2",
};

RunPlan demoPlan() {
  RunPlan plan;
  plan.camera = CameraSettings{1280, 960, /*pattern GR*/ 2, /*noise*/ 6, /*seed*/ 1};
  plan.frames = 64;
  plan.stagesDir = "demo-output";
  for (const char* text : kDemoChain) {
    FilterRequest request;
    std::string error;
    parseFilterRequest(text, request, error);
    plan.filters.push_back(std::move(request));
  }
  return plan;
}

}  // namespace

int runCommand(Pixlib::FilterModule& module, const std::vector<std::string>& args) {
  RunPlan plan;
  std::string error;
  if (const int code = parseRunOptions(args, plan, error)) {
    std::cerr << "filterhost: " << error << "\n";
    return code;
  }
  return executeRun(module, plan);
}

// The demo's own filters come first; --filter options add to its chain and
// the other options replace its settings.
int demoCommand(Pixlib::FilterModule& module, const std::vector<std::string>& args) {
  RunPlan plan = demoPlan();
  std::string error;
  if (const int code = parseRunOptions(args, plan, error)) {
    std::cerr << "filterhost: " << error << "\n";
    return code;
  }
  return executeRun(module, plan);
}

}  // namespace filterhost
