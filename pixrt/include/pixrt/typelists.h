// A filter's frame-type lists, which it hands out in task memory, as vectors.
#pragma once

#include <vector>

#include "framefilter.h"

namespace Pixlib {

// [any thread] Copies a list the filter handed over in task memory and frees it.
ORV_EXPORT std::vector<FrameTypeInfo> takeTypeList(FrameTypeInfo* types, LONG count);

// [any thread] The input types the filter takes; empty when it names none.
ORV_EXPORT std::vector<FrameTypeInfo> supportedInputTypes(IFrameFilter* filter);

// [any thread] The output types it gives for `in`; empty when it refuses `in`.
ORV_EXPORT std::vector<FrameTypeInfo> transformOutputTypes(IFrameFilter* filter, const FrameTypeInfo& in);

}  // namespace Pixlib
