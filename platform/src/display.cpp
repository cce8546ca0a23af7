#include "platform/display.h"

#include <atomic>

namespace orv {
namespace {

std::atomic<int> g_screenBits{32};

}  // namespace

int screenBitsPerPixel() { return g_screenBits.load(std::memory_order_relaxed); }

void setScreenBitsPerPixel(int bits) { g_screenBits.store(bits, std::memory_order_relaxed); }

}  // namespace orv
