#include "pixrt/filtertraits.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <limits>

namespace Pixlib {
namespace {

constexpr std::int32_t kLongMax = std::numeric_limits<std::int32_t>::max();

// The start pattern names the colour at column 0 of the second memory row,
// then that of the first.
constexpr std::array kStartPatterns{
    ValueName{0, "RG", "RG"},
    ValueName{1, "GB", "GB"},
    ValueName{2, "GR", "GR"},
    ValueName{3, "BG", "BG"},
};
constexpr std::array kDemosaicModes{
    ValueName{0, "nearest", "Nearest Color"},
    ValueName{1, "bilinear", "Bilinear"},
    ValueName{2, "edge-sensing", "Edge Sensing"},
};
constexpr std::array kRotationAngles{
    ValueName{0, "0", "0°"},
    ValueName{90, "90", "90°"},
    ValueName{180, "180", "180°"},
    ValueName{270, "270", "-90°"},
};

constexpr std::array kDeBayer{
    ParameterTraits{u"Start Pattern", "start-pattern",
                    "Which colour the first samples of the first two memory rows carry, named second row first",
                    false, 0, 3, kStartPatterns, LiveChange::Allowed},
    ParameterTraits{u"Mode", "mode", "Demosaicing method", false, 0, 2, kDemosaicModes, LiveChange::Allowed},
};
constexpr std::array kRotateFlip{
    ParameterTraits{u"Rotation Angle", "rotation-angle",
                    "Clockwise turn in degrees; while streaming only turns that keep width and height", false, 0,
                    270, kRotationAngles, LiveChange::KeepingShape},
    ParameterTraits{u"Flip H", "flip-h", "Mirror left to right after turning", true, 0, 1, {}, LiveChange::Allowed},
    ParameterTraits{u"Flip V", "flip-v", "Mirror top to bottom after turning", true, 0, 1, {}, LiveChange::Allowed},
};
constexpr std::array kRoi{
    ParameterTraits{u"Left", "left", "Left edge of the region, rounded up to a multiple of 8; keeps the width",
                    false, 0, kLongMax, {}, LiveChange::KeepingShape},
    ParameterTraits{u"Top", "top", "Top edge of the region; keeps the height", false, 0, kLongMax, {},
                    LiveChange::KeepingShape},
    ParameterTraits{u"Width", "width", "Width of the region; its right edge is rounded up to a multiple of 8",
                    false, 1, kLongMax, {}, LiveChange::KeepingShape},
    ParameterTraits{u"Height", "height", "Height of the region", false, 1, kLongMax, {}, LiveChange::KeepingShape},
};
constexpr std::array kDeNoise{
    ParameterTraits{u"DeNoise Level", "denoise-level", "Frames averaged per output frame: 2 to the power of the level",
                    false, 0, 7, {}, LiveChange::Refused},
};

constexpr std::array kFilters{
    FilterTraits{u"DeBayer", "debayer", "Demosaics raw 8-bit Bayer frames into RGB24 or RGB32", true, kDeBayer},
    FilterTraits{u"Bayer to Y800", "bayer2y800", "Passes a raw 8-bit Bayer frame on as 8-bit greyscale", true, {}},
    FilterTraits{u"Rotate Flip", "rotflip", "Turns by quarter turns clockwise, then mirrors", true, kRotateFlip},
    FilterTraits{u"ROI", "roi", "Crops to a region whose left and right edges lie on multiples of 8", true, kRoi},
    FilterTraits{u"DeNoise", "denoise", "Averages runs of 2^level frames, emitting one frame per run", false,
                 kDeNoise},
};

char folded(char c) {
  if (c == '_') return '-';
  return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool sameWords(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return folded(x) == folded(y);
         });
}

}  // namespace

std::span<const FilterTraits> allFilterTraits() { return kFilters; }

const FilterTraits* findFilterTraits(std::u16string_view name) {
  for (const FilterTraits& f : kFilters)
    if (f.name == name) return &f;
  return nullptr;
}

const FilterTraits* findFilterTraitsByKey(std::string_view key) {
  for (const FilterTraits& f : kFilters)
    if (sameWords(f.key, key)) return &f;
  return nullptr;
}

const ParameterTraits* findParameterTraits(const FilterTraits& filter, std::u16string_view name) {
  for (const ParameterTraits& p : filter.parameters)
    if (p.name == name) return &p;
  return nullptr;
}

const ParameterTraits* findParameterTraitsByKey(const FilterTraits& filter, std::string_view key) {
  for (const ParameterTraits& p : filter.parameters)
    if (sameWords(p.key, key)) return &p;
  return nullptr;
}

std::optional<std::int32_t> valueFromText(const ParameterTraits& param, std::string_view text) {
  for (const ValueName& v : param.values)
    if (sameWords(v.nick, text) || sameWords(v.label, text)) return v.value;
  if (param.boolean) {
    if (sameWords(text, "true")) return 1;
    if (sameWords(text, "false")) return 0;
  }
  std::int32_t value = 0;
  const char* end = text.data() + text.size();
  const auto [last, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || last != end || text.empty()) return std::nullopt;
  return value;
}

std::string describeValues(const ParameterTraits& param) {
  if (param.boolean) return "true or false";
  std::string text;
  const bool contiguous = !param.values.empty() && param.values.size() == std::size_t(param.maximum) - param.minimum + 1;
  if (param.values.empty() || contiguous) {
    text = std::to_string(param.minimum) + "..";
    text += param.maximum == kLongMax ? "2147483647" : std::to_string(param.maximum);
  }
  if (param.values.empty()) return text;
  text += contiguous ? ": " : "";
  for (std::size_t i = 0; i < param.values.size(); ++i) {
    const ValueName& v = param.values[i];
    text += i ? ", " : "";
    text += std::to_string(v.value);
    if (v.nick != std::to_string(v.value)) {
      text += ' ';
      text += v.nick;
    }
  }
  return text;
}

std::string refusalReason(const ParameterTraits* param, tParamResult result) {
  const std::string takes = param ? " (it takes " + describeValues(*param) + ")" : "";
  switch (result) {
    case eParamOk:
      return "accepted";
    case eParamNotFound:
      return "no parameter of that name";
    case eParamFailed:
      return "the value does not convert to the parameter's type" + takes;
    case eParamInvalid:
      if (param && param->live == LiveChange::KeepingShape)
        return "the value is out of range" + takes + ", or while streaming would change the output size";
      return "the value is out of range or not allowed" + takes;
    case eParamLiveMode:
      if (param && param->live == LiveChange::KeepingShape)
        return "while streaming only values that keep the output size are taken";
      return "it cannot change while the filter is streaming";
  }
  return "refused with result " + std::to_string(static_cast<int>(result));
}

}  // namespace Pixlib
