// Module entry and the exported factory function.
#include "bayer2y800.h"
#include "debayer.h"
#include "denoisetransform.h"
#include "roi.h"
#include "rotflip.h"
#include "cfilterfactory.h"

// The first call builds the one factory and registers the filter classes;
// calls from several threads at once wait for that first one. Null when
// memory runs out while registering; a later call tries again.
extern "C" ORV_EXPORT IFilterFactory* getFilterFactory() {
  static CFilterFactory factory;
  return orv_detail::guarded<IFilterFactory*>(nullptr, nullptr, [] {
    static const bool registered = [] {
      factory.registerFilter<orv_filter::CDeBayerFilter>();
      factory.registerFilter<orv_filter::CDeNoiseTransform>();
      factory.registerFilter<orv_filter::RotFlipTransform>();
      factory.registerFilter<orv_filter::CROITransform>();
      factory.registerFilter<orv_filter::CBayer2Y800>();
      return true;
    }();
    (void)registered;
    return &factory;
  });
}
