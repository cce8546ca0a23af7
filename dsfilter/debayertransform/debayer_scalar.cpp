// Scalar reference kernels: the pair loop covers every column.
#include "debayer_walk.h"
#include "kernel_tables.h"

namespace orv_filter::detail {

const DeBayerKernelTable& scalarKernelTable(int bytesPerPixel) {
  return bytesPerPixel == 3 ? KernelTable<ScalarSpan, 3>::value : KernelTable<ScalarSpan, 4>::value;
}

}  // namespace orv_filter::detail
