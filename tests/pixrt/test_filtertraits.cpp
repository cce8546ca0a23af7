// The host-side table of ranges, value names and live rules, checked against
// the module it describes: a filter or parameter that changes in the module
// without the table following fails here.
#include <gtest/gtest.h>

#include <string>

#include "loaded_module.h"
#include "param_access.h"
#include "pixrt/filtertraits.h"
#include "platform/textconv.h"

using namespace Pixlib;
using orv_test::FilterRef;

namespace {

TEST(FilterTraits, DescribeEveryFilterAndParameterTheModuleLists) {
  const std::vector<std::u16string> names = orv_test::loadedModule().filterNames();
  ASSERT_EQ(names.size(), allFilterTraits().size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    ASSERT_NE(findFilterTraits(names[i]), nullptr) << orv::utf16ToUtf8(names[i]);
    const FilterTraits& traits = *findFilterTraits(names[i]);
    EXPECT_EQ(findFilterTraitsByKey(traits.key), &traits);
    FilterRef filter(names[i].c_str());
    ParameterDesc desc;
    unsigned count = 0;
    for (; filter.params()->getParameterDesc(count, &desc); ++count) {
      const ParameterTraits* p = findParameterTraits(traits, textField(desc.name));
      ASSERT_NE(p, nullptr) << orv::utf16ToUtf8(std::u16string(textField(desc.name)));
      EXPECT_EQ(p->boolean, desc.typeId == 1);
    }
    EXPECT_EQ(count, traits.parameters.size()) << traits.key;
  }
}

TEST(FilterTraits, ListedValuesAndBoundsAreWhatTheSettersTake) {
  for (const FilterTraits& f : allFilterTraits()) {
    for (const ParameterTraits& p : f.parameters) {
      if (p.boolean) continue;
      FilterRef filter(std::u16string(f.name).c_str());
      const std::u16string name(p.name);
      for (const ValueName& v : p.values) EXPECT_EQ(orv_test::setLong(filter.params(), name.c_str(), v.value), eParamOk);
      const bool bounded = !p.values.empty() || p.maximum < 0x7fffffff;
      if (!bounded || p.live == LiveChange::KeepingShape) continue;
      EXPECT_EQ(orv_test::setLong(filter.params(), name.c_str(), p.minimum), eParamOk) << p.key;
      EXPECT_EQ(orv_test::setLong(filter.params(), name.c_str(), p.maximum), eParamOk) << p.key;
      EXPECT_EQ(orv_test::setLong(filter.params(), name.c_str(), p.minimum - 1), eParamInvalid) << p.key;
      EXPECT_EQ(orv_test::setLong(filter.params(), name.c_str(), p.maximum + 1), eParamInvalid) << p.key;
    }
  }
}

TEST(FilterTraits, TextsNameValues) {
  const FilterTraits& debayer = *findFilterTraits(u"DeBayer");
  const FilterTraits& rotflip = *findFilterTraitsByKey("rotflip");
  const ParameterTraits& mode = *findParameterTraitsByKey(debayer, "mode");
  const ParameterTraits& pattern = *findParameterTraitsByKey(debayer, "start_pattern");
  const ParameterTraits& angle = *findParameterTraits(rotflip, u"Rotation Angle");
  const ParameterTraits& flip = *findParameterTraitsByKey(rotflip, "flip-h");
  struct Case {
    const ParameterTraits& param;
    std::string text;
    std::optional<std::int32_t> value;
  } cases[] = {
      {mode, "edge-sensing", 2}, {mode, "Edge Sensing", 2}, {mode, "edge_sensing", 2}, {mode, "1", 1},
      {mode, "bilinearx", {}},   {mode, "", {}},            {pattern, "rg", 0},        {pattern, "BG", 3},
      {angle, "-90°", 270},      {angle, "90", 90},         {flip, "TRUE", 1},         {flip, "0", 0},
      {flip, "yes", {}},         {angle, "99999999999", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(valueFromText(c.param, c.text), c.value) << c.param.key << " " << c.text;

  EXPECT_EQ(describeValues(mode), "0..2: 0 nearest, 1 bilinear, 2 edge-sensing");
  EXPECT_EQ(describeValues(angle), "0, 90, 180, 270");
  EXPECT_EQ(describeValues(flip), "true or false");
  EXPECT_EQ(describeValues(*findParameterTraits(*findFilterTraits(u"ROI"), u"Width")), "1..2147483647");
  EXPECT_FALSE(findFilterTraits(u"DeNoise")->alwaysEmits);
  EXPECT_EQ(findFilterTraits(u"Unknown"), nullptr);
}

}  // namespace
