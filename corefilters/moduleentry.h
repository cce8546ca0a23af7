#pragma once

#include "platform/wintypes.h"

namespace orv_filter {
// The module's instance handle, recorded when the module is loaded; the
// property dialogs find their templates through it.
HINSTANCE moduleInstance();
}  // namespace orv_filter
