// The module as a host sees it: loaded with dlopen, driven through its
// interfaces only.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "assert_capture.h"
#include "loaded_module.h"
#include "platform/taskmem.h"

using orv_test::FilterRef;
using orv_test::loadedModule;

namespace {

const std::u16string kFilterNames[] = {u"Bayer to Y800", u"DeBayer", u"DeNoise", u"ROI", u"Rotate Flip"};

TEST(Factory, IsOneObjectListingItsFiltersInNameOrder) {
  IFilterFactory* factory = loadedModule().factory();
  EXPECT_EQ(loadedModule().filterNames(), std::vector<std::u16string>(std::begin(kFilterNames), std::end(kFilterNames)));
  EXPECT_EQ(factory->getVersion(), 1);

  FilterInfo info;
  for (unsigned i = 0; i < std::size(kFilterNames); ++i) {
    std::memset(&info, 0xAB, sizeof info);
    ASSERT_TRUE(factory->getFilterInfo(i, &info));
    EXPECT_EQ(info.filterKind, 1);
    EXPECT_EQ(info.filePath[0], u'\0');
    const std::size_t len = std::char_traits<char16_t>::length(info.name);
    for (std::size_t k = len; k < std::size(info.name); ++k) EXPECT_EQ(info.name[k], u'\0') << "padding at " << k;
    for (std::size_t k = 0; k < std::size(info.filePath); ++k) ASSERT_EQ(info.filePath[k], u'\0');
  }

  std::memset(&info, 0x5A, sizeof info);
  FilterInfo untouched = info;
  EXPECT_FALSE(factory->getFilterInfo(static_cast<unsigned>(std::size(kFilterNames)), &info));
  EXPECT_EQ(std::memcmp(&info, &untouched, sizeof info), 0);

  orv_test::AssertCapture asserts;
  EXPECT_FALSE(factory->getFilterInfo(0, nullptr));
  EXPECT_EQ(asserts.failures(), 1);
}

TEST(Factory, CreatesNewObjectsByExactName) {
  IFilterFactory* factory = loadedModule().factory();
  IFrameFilter* a = factory->createFilter(u"Bayer to Y800");
  IFrameFilter* b = factory->createFilter(u"Bayer to Y800");
  ASSERT_TRUE(a && b);
  EXPECT_NE(a, b);
  EXPECT_EQ(a->AddRef(), 2u);
  EXPECT_EQ(a->Release(), 1u);
  EXPECT_EQ(a->Release(), 0u);
  EXPECT_EQ(b->Release(), 0u);

  EXPECT_EQ(factory->createFilter(u"bayer to y800"), nullptr);
  EXPECT_EQ(factory->createFilter(u""), nullptr);
  EXPECT_EQ(factory->createFilter(nullptr), nullptr);
}

TEST(FilterObject, CountsReferencesAndAnswersQueryInterface) {
  FilterRef f(u"Bayer to Y800");
  void* ctrl = nullptr;
  ASSERT_EQ(f->QueryInterface(IID_IParameterCtrl, &ctrl), S_OK);
  EXPECT_EQ(ctrl, static_cast<void*>(reinterpret_cast<char*>(f.p) + sizeof(void*)));
  EXPECT_EQ(f->AddRef(), 2u);  // the parameter interface added no reference
  EXPECT_EQ(f->Release(), 1u);

  void* unknown = nullptr;
  ASSERT_EQ(f->QueryInterface(IID_IUnknown, &unknown), S_OK);
  EXPECT_EQ(unknown, static_cast<void*>(f.p));
  EXPECT_EQ(f->Release(), 1u);

  void* other = reinterpret_cast<void*>(0x1234);
  const IID someIid = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
  EXPECT_EQ(f->QueryInterface(someIid, &other), E_NOINTERFACE);
  EXPECT_EQ(other, reinterpret_cast<void*>(0x1234));
}

TEST(FilterObject, RawTypeListsAreTaskMemoryArrays) {
  FilterRef f(u"Bayer to Y800");
  FrameTypeInfo* types = nullptr;
  LONG count = -1;
  EXPECT_EQ(f->getSupportedInputTypes_(nullptr, &count), E_POINTER);
  EXPECT_EQ(f->getSupportedInputTypes_(&types, nullptr), E_POINTER);
  ASSERT_EQ(f->getSupportedInputTypes_(&types, &count), S_OK);
  ASSERT_EQ(count, 1);
  EXPECT_EQ(types[0], FrameTypeInfo(MEDIASUBTYPE_BY8, 0, 0, 0));
  CoTaskMemFree(types);

  const FrameTypeInfo in(MEDIASUBTYPE_BY8, 640, -480, 640 * 480);
  EXPECT_EQ(f->getTransformOutputTypes_(in, nullptr, &count), E_POINTER);
  ASSERT_EQ(f->getTransformOutputTypes_(in, &types, &count), S_OK);
  ASSERT_EQ(count, 1);
  EXPECT_EQ(types[0], FrameTypeInfo(MEDIASUBTYPE_Y800, 640, -480, 0));
  CoTaskMemFree(types);

  // A failed allocation: null array, count untouched.
  count = 77;
  types = reinterpret_cast<FrameTypeInfo*>(0x1);
  orv::failNextTaskMemAllocs(1);
  EXPECT_EQ(f->getSupportedInputTypes_(&types, &count), E_OUTOFMEMORY);
  EXPECT_EQ(types, nullptr);
  EXPECT_EQ(count, 77);
  types = reinterpret_cast<FrameTypeInfo*>(0x1);
  orv::failNextTaskMemAllocs(1);
  EXPECT_EQ(f->getTransformOutputTypes_(in, &types, &count), E_POINTER);
  EXPECT_EQ(types, nullptr);
  EXPECT_EQ(count, 77);
}

TEST(FilterObject, QueryCapsWritesByteEightOnly) {
  FilterRef f(u"Bayer to Y800");
  FilterCaps caps;
  std::memset(&caps, 0xFF, sizeof caps);
  ASSERT_EQ(f->queryCaps_(&caps), S_OK);
  const auto* bytes = reinterpret_cast<const unsigned char*>(&caps);
  for (std::size_t i = 0; i < sizeof caps; ++i) EXPECT_EQ(bytes[i], i == 8 ? 0 : 0xFF) << "byte " << i;
  EXPECT_EQ(f->queryCaps_(nullptr), E_POINTER);
}

// A record from another module may fill a field to its end with no NUL.
TEST(RecordText, IsReadWithinTheFieldAndWrittenWithATerminator) {
  ParameterDesc desc;
  std::fill(std::begin(desc.name), std::end(desc.name), u'n');
  desc.typeId = 0x7FFF7FFF;  // text-like bytes right after the field
  EXPECT_EQ(textField(desc.name), std::u16string(30, u'n'));

  setTextField(desc.name, std::u16string(40, u'a'));
  EXPECT_EQ(textField(desc.name), std::u16string(29, u'a'));
  EXPECT_EQ(desc.name[29], u'\0');
  setTextField(desc.name, u"ab");
  EXPECT_EQ(textField(desc.name), u"ab");
  for (std::size_t k = 2; k < std::size(desc.name); ++k) ASSERT_EQ(desc.name[k], u'\0');
}

TEST(FilterObject, ReportsItsFilePathWithinTheField) {
  FilterRef f(u"Bayer to Y800");
  FilterInfo info;
  f->setFilePath(u"C:\\a\\b.ftf");
  f->getFilterInfo(&info);
  EXPECT_EQ(std::u16string(info.filePath), u"C:\\a\\b.ftf");
  EXPECT_EQ(std::u16string(info.name), u"Bayer to Y800");

  const std::u16string longPath(300, u'x');
  f->setFilePath(longPath.c_str());
  f->getFilterInfo(&info);
  EXPECT_EQ(std::u16string(info.filePath), longPath.substr(0, 259));

  f->setFilePath(u"");
  std::memset(&info, 0x11, sizeof info);
  f->getFilterInfo(&info);
  EXPECT_EQ(info.filePath[0], u'\0');

  orv_test::AssertCapture asserts;
  f->getFilterInfo(nullptr);
  EXPECT_EQ(asserts.lastExpression(), "pInfo != 0");
}

// A host compiled against its own declarations calls through slot numbers.
// Under the Itanium C++ ABI a virtual destructor takes two entries.
TEST(FilterObject, SlotsAreInTheirFixedOrder) {
  FilterRef f(u"Bayer to Y800");
  void** primary = *reinterpret_cast<void***>(f.p);
  auto addRef = reinterpret_cast<ULONG (*)(void*)>(primary[1]);
  auto release = reinterpret_cast<ULONG (*)(void*)>(primary[2]);
  auto checkInputTypeRaw = reinterpret_cast<HRESULT (*)(void*, const FrameTypeInfo&)>(primary[5]);
  auto queryCaps = reinterpret_cast<HRESULT (*)(void*, FilterCaps*)>(primary[10]);
  auto checkInputType = reinterpret_cast<bool (*)(void*, const FrameTypeInfo&)>(primary[15]);
  auto getFilterInfo = reinterpret_cast<void (*)(void*, FilterInfo*)>(primary[20]);
  auto setFilePath = reinterpret_cast<void (*)(void*, const WCHAR*)>(primary[21]);

  EXPECT_EQ(addRef(f.p), 2u);
  EXPECT_EQ(release(f.p), 1u);
  const FrameTypeInfo by8(MEDIASUBTYPE_BY8, 8, 8, 64), rgb(MEDIASUBTYPE_RGB24, 8, 8, 0);
  EXPECT_EQ(checkInputTypeRaw(f.p, by8), S_OK);
  EXPECT_EQ(checkInputTypeRaw(f.p, rgb), E_FAIL);
  EXPECT_EQ(queryCaps(f.p, nullptr), E_POINTER);
  EXPECT_TRUE(checkInputType(f.p, by8));
  setFilePath(f.p, u"slot");
  FilterInfo info;
  getFilterInfo(f.p, &info);
  EXPECT_EQ(std::u16string(info.filePath), u"slot");

  IParameterCtrl* ctrl = f.params();
  void** second = *reinterpret_cast<void***>(ctrl);
  auto hasDialog = reinterpret_cast<bool (*)(void*)>(second[5]);
  auto getParameterDesc = reinterpret_cast<bool (*)(void*, unsigned, ParameterDesc*)>(second[7]);
  auto saveParameters = reinterpret_cast<tParamResult (*)(void*, WCHAR**)>(second[12]);
  auto restoreParameters = reinterpret_cast<tParamResult (*)(void*, const WCHAR*)>(second[13]);
  ParameterDesc desc;
  EXPECT_FALSE(hasDialog(ctrl));
  EXPECT_FALSE(getParameterDesc(ctrl, 0, &desc));
  EXPECT_EQ(saveParameters(ctrl, nullptr), eParamInvalid);
  EXPECT_EQ(restoreParameters(ctrl, nullptr), eParamInvalid);
}

}  // namespace
