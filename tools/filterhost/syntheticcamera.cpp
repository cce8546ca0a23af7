#include "syntheticcamera.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "bayer.h"
#include "font.h"

namespace filterhost {
namespace {

constexpr std::uint8_t kBars[8][3] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {0, 255, 0},
                                      {255, 0, 255},   {255, 0, 0},   {0, 0, 255},   {0, 0, 0}};

// Pixels per frame that the bars and the text travel.
constexpr int kBarSpeed = 4;
constexpr int kTextSpeed = 12;
// Turns (in 1/1024) the zone plate's rings advance per frame.
constexpr int kZoneSpeed = 40;

// A well-mixed 32-bit hash.
inline std::uint32_t mix32(std::uint32_t x) {
  x ^= x >> 16;
  x *= 0x7FEB352Du;
  x ^= x >> 15;
  x *= 0x846CA68Bu;
  return x ^ (x >> 16);
}

std::uint8_t ramp(int i, int n) { return static_cast<std::uint8_t>(n > 1 ? 255 * i / (n - 1) : 0); }

// Where the bars end and the gradients begin, in rows from the top.
int barsEnd(int height) { return height * 3 / 10; }
int middleEnd(int height) { return height * 3 / 4; }

// The noise is the sum of four uniform bytes around its mean, scaled so that
// its standard deviation is the asked level. A camera draws a table of such
// deltas once; each row of each frame adds a run of the table that starts at
// a place hashed from the seed, the frame and the row. Drawing noise per
// pixel took longer than the whole chain the demo runs.
constexpr int kNoiseMean = 2 * 255;
const double kNoiseDeviation = std::sqrt(4 * (256.0 * 256.0 - 1) / 12);
// 64K deltas (128 KB) stay in a core's own cache beside the frame.
constexpr std::size_t kNoiseTable = std::size_t{1} << 16;

}  // namespace

SyntheticCamera::SyntheticCamera(const CameraSettings& settings)
    : m_Settings(settings), m_Scene(makeImage(settings.width, settings.height, 3)) {
  for (int i = 0; i < 1024; ++i)
    m_Cosine[i] = static_cast<std::uint8_t>(std::lround(127.5 + 127.5 * std::cos(2 * std::numbers::pi * i / 1024)));
  // A zone plate whose ring frequency grows with the radius up to half a
  // cycle per pixel at the corners of its area.
  const int w = settings.width / 2;
  const int h = settings.height * 3 / 4 - settings.height * 3 / 10;
  m_ZonePhase.resize(static_cast<std::size_t>(std::max(w, 0)) * std::max(h, 0));
  const double cx = w / 2.0, cy = h / 2.0;
  const double rMax = std::max(std::hypot(cx, cy), 1.0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double r2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
      const double turns = r2 / (4 * rMax);  // frequency r / (2 rMax) cycles per pixel
      m_ZonePhase[static_cast<std::size_t>(y) * w + x] = static_cast<std::uint16_t>(std::lround(turns * 1024) & 1023);
    }
  // The gradients are the same in every frame: drawn once, copied into each
  // (before the text, which may reach into them on short frames).
  renderSideGradient(barsEnd(settings.height), middleEnd(settings.height));
  const int top = middleEnd(settings.height);
  renderGradients(top, settings.height);
  m_Gradients.assign(m_Scene.row(top), m_Scene.row(settings.height));
  if (settings.noise > 0) {
    // A sample moved by 255 or more clips the same whatever the excess, so
    // larger deltas are stored as ±255. The table runs on by a row's width,
    // so that every run is whole.
    m_NoiseDelta.resize(kNoiseTable + static_cast<std::size_t>(std::max(settings.width, 0)));
    const std::uint32_t key = mix32(static_cast<std::uint32_t>(settings.seed ^ (settings.seed >> 32)) ^ 0x6A09E667u);
    for (std::size_t i = 0; i < m_NoiseDelta.size(); ++i) {
      const std::uint32_t r = mix32(static_cast<std::uint32_t>(i % kNoiseTable) * 0x9E3779B9u + key);
      const int sum = int(r & 0xFF) + int((r >> 8) & 0xFF) + int((r >> 16) & 0xFF) + int(r >> 24);
      const long delta = std::lround((sum - kNoiseMean) * double(settings.noise) / kNoiseDeviation);
      m_NoiseDelta[i] = static_cast<std::int16_t>(std::clamp(delta, -255L, 255L));
    }
  }
}

const Image& SyntheticCamera::scene(std::uint64_t index) {
  const int h = m_Settings.height;
  const int bars = barsEnd(h), middle = middleEnd(h);
  renderBars(index, 0, bars);
  renderZonePlate(index, bars, middle);
  std::copy(m_Gradients.begin(), m_Gradients.end(), m_Scene.row(middle));
  renderText(index, bars, middle);
  return m_Scene;
}

void SyntheticCamera::renderBars(std::uint64_t index, int top, int bottom) {
  const int w = m_Settings.width;
  const int shift = static_cast<int>((index * kBarSpeed) % static_cast<std::uint64_t>(w));
  if (top >= bottom) return;
  // Every row is the same: the first is drawn, the others copied.
  std::uint8_t* first = m_Scene.row(top);
  std::uint8_t* out = first;
  for (int x = 0; x < w; ++x, out += 3) {
    const std::uint8_t* bar = kBars[((x + shift) % w) * 8 / w];
    std::copy(bar, bar + 3, out);
  }
  for (int y = top + 1; y < bottom; ++y) std::copy(first, first + m_Scene.rowBytes(), m_Scene.row(y));
}

void SyntheticCamera::renderZonePlate(std::uint64_t index, int top, int bottom) {
  const int w = m_Settings.width;
  const int half = w / 2;
  const int offset = static_cast<int>((index * kZoneSpeed) & 1023);
  for (int y = top; y < bottom; ++y) {
    std::uint8_t* out = m_Scene.row(y);
    const std::uint16_t* phase = m_ZonePhase.data() + static_cast<std::size_t>(y - top) * half;
    for (int x = 0; x < half; ++x, out += 3) out[0] = out[1] = out[2] = m_Cosine[(phase[x] + offset) & 1023];
    // Beside it the two-way colour gradient, the same in every frame.
    const std::size_t sideBytes = static_cast<std::size_t>(w - half) * 3;
    std::copy_n(m_SideGradient.data() + static_cast<std::size_t>(y - top) * sideBytes, sideBytes, out);
  }
}

// Red across, green down, blue the complement of red.
void SyntheticCamera::renderSideGradient(int top, int bottom) {
  const int w = m_Settings.width, half = w / 2;
  m_SideGradient.resize(static_cast<std::size_t>(std::max(bottom - top, 0)) * (w - half) * 3);
  std::uint8_t* out = m_SideGradient.data();
  for (int y = top; y < bottom; ++y)
    for (int x = half; x < w; ++x, out += 3) {
      out[0] = ramp(x - half, w - half);
      out[1] = ramp(y - top, bottom - top);
      out[2] = static_cast<std::uint8_t>(255 - out[0]);
    }
}

void SyntheticCamera::renderGradients(int top, int bottom) {
  const int w = m_Settings.width;
  const int split = (top + bottom) / 2;
  for (int y = top; y < bottom; ++y) {
    std::uint8_t* out = m_Scene.row(y);
    for (int x = 0; x < w; ++x, out += 3) {
      if (y < split) {
        out[0] = out[1] = out[2] = ramp(x, w);  // grey ramp
        continue;
      }
      // Hue ramp through red, yellow, green, cyan, blue, magenta.
      const int hue = w > 1 ? x * 6 * 256 / w : 0;
      const int sector = hue / 256, f = hue % 256;
      const std::uint8_t up = static_cast<std::uint8_t>(f), down = static_cast<std::uint8_t>(255 - f);
      const std::uint8_t rgb[6][3] = {{255, up, 0}, {down, 255, 0}, {0, 255, up},
                                      {0, down, 255}, {up, 0, 255}, {255, 0, down}};
      std::copy(rgb[sector], rgb[sector] + 3, out);
    }
  }
}

void SyntheticCamera::renderText(std::uint64_t index, int top, int bottom) {
  char text[32];
  std::snprintf(text, sizeof text, "FRAME %04llu", static_cast<unsigned long long>(index));
  const int scale = std::max(1, m_Settings.height / 120);
  const int width = textWidth(text, scale);
  const std::uint64_t travel = static_cast<std::uint64_t>(m_Settings.width) + width;
  const int x = static_cast<int>((index * kTextSpeed) % travel) - width;
  const int y = (top + bottom) / 2 - kGlyphHeight * scale / 2;
  constexpr std::uint8_t shadow[3] = {0, 0, 0}, ink[3] = {255, 255, 255};
  drawText(m_Scene, text, x + scale, y + scale, scale, shadow);
  drawText(m_Scene, text, x, y, scale, ink);
}

void SyntheticCamera::capture(std::uint64_t index, std::uint8_t* frame) {
  mosaic(scene(index), m_Settings.pattern, frame);
  if (m_Settings.noise > 0) addNoise(index, frame);
}

// Gaussian-like noise from the sum of four uniform bytes.
void SyntheticCamera::addNoise(std::uint64_t index, std::uint8_t* frame) const {
  const std::uint64_t key64 = m_Settings.seed * 0x2545F4914F6CDD1Dull ^ (index + 1) * 0x9E3779B97F4A7C15ull;
  const std::uint32_t key = mix32(static_cast<std::uint32_t>(key64 ^ (key64 >> 32)));
  const std::size_t width = static_cast<std::size_t>(m_Settings.width);
  for (int y = 0; y < m_Settings.height; ++y, frame += width) {
    const std::int16_t* delta = m_NoiseDelta.data() + mix32(key ^ (static_cast<std::uint32_t>(y) * 0x85EBCA6Bu)) % kNoiseTable;
    // In 16 bits (a sample plus a delta fits), so that it vectorises in 16-bit lanes.
    for (std::size_t x = 0; x < width; ++x) {
      const std::int16_t sum = static_cast<std::int16_t>(frame[x] + delta[x]);
      frame[x] = static_cast<std::uint8_t>(std::clamp<std::int16_t>(sum, 0, 255));
    }
  }
}

}  // namespace filterhost
