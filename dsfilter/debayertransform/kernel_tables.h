// The kernel tables each instruction-set unit provides; all but the scalar
// one are built only for their architecture.
#pragma once

#include "transform_method.h"

namespace orv_filter::detail {

const DeBayerKernelTable& scalarKernelTable(int bytesPerPixel);
const DeBayerKernelTable& sse2KernelTable(int bytesPerPixel);
const DeBayerKernelTable& avx2KernelTable(int bytesPerPixel);
const DeBayerKernelTable& neonKernelTable(int bytesPerPixel);

}  // namespace orv_filter::detail
