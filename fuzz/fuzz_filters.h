// The module's filters, made directly from the filter library, for fuzz
// targets that drive them through their interfaces as a host does.
#pragma once

#include "bayer2y800.h"
#include "debayer.h"
#include "denoisetransform.h"
#include "fuzz_require.h"
#include "roi.h"
#include "rotflip.h"

namespace orv_fuzz {

inline constexpr unsigned kFilterCount = 5;

// Owns the one reference of a new filter; `index` picks the class.
class FilterRef {
 public:
  explicit FilterRef(unsigned index) : m_Filter(make(index % kFilterCount)) {}
  ~FilterRef() { m_Filter->Release(); }
  FilterRef(const FilterRef&) = delete;
  FilterRef& operator=(const FilterRef&) = delete;

  IFrameFilter* operator->() const { return m_Filter; }
  IParameterCtrl* params() const { return m_Filter; }

 private:
  static IFrameFilter* make(unsigned index) {
    switch (index) {
      case 0: return new orv_filter::CBayer2Y800;
      case 1: return new orv_filter::CDeBayerFilter;
      case 2: return new orv_filter::CDeNoiseTransform;
      case 3: return new orv_filter::CROITransform;
      default: return new orv_filter::RotFlipTransform;
    }
  }

  IFrameFilter* m_Filter;
};

}  // namespace orv_fuzz
