// The kernel tables each instruction-set unit provides.
#pragma once

#include "transform_method.h"

namespace orv_filter::detail {

const DeBayerKernelTable& scalarKernelTable(int bytesPerPixel);
const DeBayerKernelTable& sse2KernelTable(int bytesPerPixel);
const DeBayerKernelTable& avx2KernelTable(int bytesPerPixel);

}  // namespace orv_filter::detail
