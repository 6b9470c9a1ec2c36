// The lane kernels this processor runs, for the tests that hold each of
// them to the same bits.
#pragma once

#include <vector>

#include "quadrature/lane_kernel.h"

namespace zemta::testing {

inline std::vector<const detail::LaneKernel*> supported_kernels() {
  std::vector<const detail::LaneKernel*> kernels;
  for (const detail::KernelVariant v : detail::lane_kernel_variants) {
    if (const detail::LaneKernel* kernel = detail::lane_kernel(v)) {
      kernels.push_back(kernel);
    }
  }
  return kernels;
}

}  // namespace zemta::testing
