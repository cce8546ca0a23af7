// What `run` (and `demo`) is asked to do, and doing it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "filterrequest.h"
#include "inputlimits.h"
#include "pixrt/filtermodule.h"
#include "syntheticcamera.h"

namespace filterhost {

struct RunPlan {
  std::vector<FilterRequest> filters;   // in chain order
  std::vector<std::string> inputs;   // image files; none: the synthetic camera
  CameraSettings camera;
  bool cameraOptionGiven = false;
  std::uint64_t frames = 0;          // 0: one per input file, or 16 from the camera
  int mosaicPattern = -1;            // colour images become raw Bayer frames with this pattern
  std::string output;                // the last frame out of the chain
  std::string everyDir;              // every frame out of the chain
  std::string stagesDir;             // the last frame out of every stage
  InputLimits limits;
  std::size_t threads = 0;           // 0: the cores, at most one per stage; 1: on the calling thread
};

// Adds the options in `args` to `plan`. Returns an exit code (kExitOk or
// kExitUsage) and sets `error` on failure.
int parseRunOptions(const std::vector<std::string>& args, RunPlan& plan, std::string& error);

// Builds the chain, streams the frames, writes the pictures and prints the
// figures. Returns the exit code; errors go to stderr.
int executeRun(Pixlib::FilterModule& module, const RunPlan& plan);

}  // namespace filterhost
