// The options of `run`.
#include <charconv>

#include "bayer.h"
#include "image.h"
#include "inputlimits.h"
#include "filtersetup.h"
#include "runplan.h"

namespace filterhost {
namespace {

template <class N>
bool parseNumber(const std::string& text, N& value) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end;
}

bool parseSize(const std::string& text, CameraSettings& camera) {
  const auto x = text.find_first_of("xX");
  if (x == std::string::npos) return false;
  int w = 0, h = 0;
  if (!parseNumber(text.substr(0, x), w) || !parseNumber(text.substr(x + 1), h)) return false;
  if (w < 1 || h < 1 || static_cast<std::uint64_t>(w) > kMaxImageSide || static_cast<std::uint64_t>(h) > kMaxImageSide)
    return false;
  camera.width = w;
  camera.height = h;
  return true;
}

}  // namespace

int parseRunOptions(const std::vector<std::string>& args, RunPlan& plan, std::string& error) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string option = args[i];
    std::string value;
    bool hasValue = false;
    if (option.rfind("--", 0) == 0 && option.find('=') != std::string::npos) {
      value = option.substr(option.find('=') + 1);
      option = option.substr(0, option.find('='));
      hasValue = true;
    }
    const auto needValue = [&]() {
      if (hasValue) return true;
      if (i + 1 >= args.size()) {
        error = option + " needs a value";
        return false;
      }
      value = args[++i];
      return true;
    };
    const auto bad = [&](const std::string& what) {
      error = option + " " + value + ": " + what;
      return kExitUsage;
    };

    if (option == "--filter" || option == "-f") {
      if (!needValue()) return kExitUsage;
      FilterRequest request;
      if (!parseFilterRequest(value, request, error)) return kExitUsage;
      plan.filters.push_back(std::move(request));
    } else if (option == "--load-params" || option == "--save-params") {
      if (!needValue()) return kExitUsage;
      if (plan.filters.empty()) return bad("must follow the --filter it applies to");
      (option == "--load-params" ? plan.filters.back().loadFrom : plan.filters.back().saveTo) = value;
    } else if (option == "--input" || option == "-i") {
      if (!needValue()) return kExitUsage;
      plan.inputs.push_back(value);
    } else if (option == "--mosaic") {
      if (!needValue()) return kExitUsage;
      if (!parsePattern(value, plan.mosaicPattern)) return bad("expected RG, GB, GR or BG");
    } else if (option == "--size") {
      if (!needValue()) return kExitUsage;
      if (!parseSize(value, plan.camera)) return bad("expected WIDTHxHEIGHT, each from 1 to 65535");
      plan.cameraOptionGiven = true;
    } else if (option == "--pattern") {
      if (!needValue()) return kExitUsage;
      if (!parsePattern(value, plan.camera.pattern)) return bad("expected RG, GB, GR or BG");
      plan.cameraOptionGiven = true;
    } else if (option == "--noise") {
      if (!needValue()) return kExitUsage;
      if (!parseNumber(value, plan.camera.noise) || plan.camera.noise < 0 || plan.camera.noise > 255)
        return bad("expected a standard deviation from 0 to 255");
      plan.cameraOptionGiven = true;
    } else if (option == "--seed") {
      if (!needValue()) return kExitUsage;
      if (!parseNumber(value, plan.camera.seed)) return bad("expected a whole number");
      plan.cameraOptionGiven = true;
    } else if (option == "--frames" || option == "-n") {
      if (!needValue()) return kExitUsage;
      if (!parseNumber(value, plan.frames) || plan.frames < 1) return bad("expected a number of frames from 1");
    } else if (option == "--threads") {
      if (!needValue()) return kExitUsage;
      if (!parseNumber(value, plan.threads) || plan.threads < 1 || plan.threads > 64)
        return bad("expected a number of threads from 1 to 64");
    } else if (option == "--output" || option == "-o") {
      if (!needValue()) return kExitUsage;
      ImageFormat format = ImageFormat::png;
      std::string why;
      if (!imageFormatFor(value, format, why)) return bad(why);
      plan.output = value;
    } else if (option == "--every") {
      if (!needValue()) return kExitUsage;
      plan.everyDir = value;
    } else if (option == "--stages") {
      if (!needValue()) return kExitUsage;
      plan.stagesDir = value;
    } else if (option == "--max-file-size" || option == "--max-frame-memory") {
      if (!needValue()) return kExitUsage;
      std::uint64_t& limit = option == "--max-file-size" ? plan.limits.fileBytes : plan.limits.frameBytes;
      if (!parseByteCount(value, limit) || limit == 0)
        return bad("expected a number of bytes from 1, such as 4096, 64K, 512M or 2G");
    } else {
      error = "unknown option '" + args[i] + "' for run";
      return kExitUsage;
    }
  }
  if (plan.filters.empty()) {
    error = "run needs at least one --filter";
    return kExitUsage;
  }
  if (!plan.inputs.empty() && plan.cameraOptionGiven) {
    error = "--size, --pattern, --noise and --seed set up the built-in camera; they do not apply to --input images";
    return kExitUsage;
  }
  return kExitOk;
}

}  // namespace filterhost
