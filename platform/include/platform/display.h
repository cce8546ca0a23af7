// The screen, as far as the module needs to know it.
#pragma once

#include "platform/wintypes.h"

namespace orv {
// Bits per pixel of the screen: 32 unless a host, a test or the dialog backend
// (from the real display) has set another value.
ORV_PLATFORM_API int screenBitsPerPixel();
ORV_PLATFORM_API void setScreenBitsPerPixel(int bits);
}  // namespace orv
