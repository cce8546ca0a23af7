// Scalar reference kernels: the pair loop covers every column.
#include "debayer_walk.h"
#include "kernel_tables.h"

namespace orv_filter::detail {

const DeBayerKernelTable& scalarKernelTable(int bytesPerPixel) {
  return kernelTableOf<ScalarSpan>(bytesPerPixel);
}

}  // namespace orv_filter::detail
