// The built-in camera: a moving colour scene seen through a Bayer colour
// filter array, with optional sensor noise. It needs no file and gives the
// same frames for the same settings on every run.
#pragma once

#include <cstdint>
#include <vector>

#include "image.h"

namespace filterhost {

struct CameraSettings {
  int width = 1280;
  int height = 960;
  int pattern = 2;          // start pattern, 0 RG, 1 GB, 2 GR, 3 BG
  int noise = 0;            // standard deviation of the sensor noise, in 8-bit levels
  std::uint64_t seed = 1;   // the noise of frame n depends only on seed and n
};

class SyntheticCamera {
 public:
  explicit SyntheticCamera(const CameraSettings& settings);

  const CameraSettings& settings() const { return m_Settings; }

  // The colour scene of frame `index` (RGB, rows from the top), before the
  // colour filter array and the noise. Valid until the next call.
  const Image& scene(std::uint64_t index);

  // Frame `index` as a raw Bayer frame: width × height bytes, memory row 0
  // being the top row of the scene.
  void capture(std::uint64_t index, std::uint8_t* frame);

 private:
  void renderBars(std::uint64_t index, int top, int bottom);
  void renderZonePlate(std::uint64_t index, int top, int bottom);
  void renderGradients(int top, int bottom);
  void renderSideGradient(int top, int bottom);
  void renderText(std::uint64_t index, int top, int bottom);
  void addNoise(std::uint64_t index, std::uint8_t* frame) const;

  CameraSettings m_Settings;
  Image m_Scene;
  std::vector<std::uint8_t> m_Gradients;     // the scene's bottom rows, the same in every frame
  std::vector<std::uint8_t> m_SideGradient;  // beside the zone plate, the same in every frame
  std::vector<std::int16_t> m_NoiseDelta;    // drawn once; each row adds a run of it
  std::vector<std::uint16_t> m_ZonePhase;    // per pixel of the zone plate, in 1/1024 turns
  std::uint8_t m_Cosine[1024];
};

}  // namespace filterhost
