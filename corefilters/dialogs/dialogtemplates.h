// The module's dialog templates and the ids of their controls.
#pragma once

#include <span>

#include "platform/dialogs.h"

namespace orv_filter {

enum : WORD {
  kDeBayerDialog = 101,
  kRotateFlipDialog = 102,
  kDeNoiseDialog = 103,
  kRoiDialog = 104,
};

enum : int {
  kStartPatternList = 1002,
  kAlgorithmList = 1004,
  kRotationList = 1006,
  kFlipVerticalCheck = 1007,
  kFlipHorizontalCheck = 1008,
  kDeNoiseLevelSlider = 1009,
  kDeNoiseFramesText = 1010,
  kRoiLeftSlider = 1011,
  kRoiTopSlider = 1012,
  kRoiWidthSlider = 1013,
  kRoiHeightSlider = 1014,
  kRoiLeftText = 1015,
  kRoiTopText = 1016,
  kRoiWidthText = 1017,
  kRoiHeightText = 1018,
};

std::span<const DialogTemplate> propertyDialogTemplates();

// Called when the module is loaded and unloaded.
void registerPropertyDialogs(HINSTANCE module);
void unregisterPropertyDialogs(HINSTANCE module);

}  // namespace orv_filter
