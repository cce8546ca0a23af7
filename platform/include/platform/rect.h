#pragma once

#include "platform/wintypes.h"

// The intersection of *a and *b in *dst. An empty result (no overlap, or an
// empty input) is stored as (0, 0, 0, 0) and answered FALSE; rectangles are
// half-open, right and bottom exclusive.
ORV_SYSTEM_API BOOL IntersectRect(RECT* dst, const RECT* a, const RECT* b);
