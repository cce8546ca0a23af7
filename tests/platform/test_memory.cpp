// Task memory and BSTR layout.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/oleauto.h"
#include "platform/taskmem.h"

namespace {

std::uint32_t storedByteLength(BSTR s) {
  std::uint32_t bytes = 0;
  std::memcpy(&bytes, reinterpret_cast<const unsigned char*>(s) - sizeof bytes, sizeof bytes);
  return bytes;
}

TEST(TaskMemory, ZeroSizeBlocksAreValidAndDistinct) {
  void* a = CoTaskMemAlloc(0);
  void* b = CoTaskMemAlloc(0);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_NE(a, b);
  CoTaskMemFree(a);
  CoTaskMemFree(b);
  CoTaskMemFree(nullptr);
}

TEST(TaskMemory, InjectedFailuresAreCountedExactlyAcrossThreads) {
  orv::failNextTaskMemAllocs(2);
  EXPECT_EQ(CoTaskMemAlloc(8), nullptr);
  EXPECT_EQ(CoTaskMemAlloc(8), nullptr);
  void* ok = CoTaskMemAlloc(8);
  EXPECT_NE(ok, nullptr);
  CoTaskMemFree(ok);

  constexpr int kFailures = 150;
  orv::failNextTaskMemAllocs(kFailures);
  std::atomic<int> nulls{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 500; ++i) {
        void* p = CoTaskMemAlloc(16);
        if (!p) ++nulls;
        CoTaskMemFree(p);
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(nulls.load(), kFailures);
}

TEST(Bstr, LayoutHasByteLengthBeforeAndNulAfter) {
  BSTR s = SysAllocString(u"abc");
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(storedByteLength(s), 6u);
  EXPECT_EQ(SysStringLen(s), 3u);
  EXPECT_EQ(std::u16string(s, 4), std::u16string(u"abc\0", 4));
  SysFreeString(s);

  BSTR empty = SysAllocString(u"");
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(SysStringLen(empty), 0u);
  EXPECT_EQ(empty[0], u'\0');
  SysFreeString(empty);
}

TEST(Bstr, ExplicitLengthKeepsEmbeddedNulsAndZeroFillsWithoutText) {
  const char16_t text[] = {u'a', 0, u'b'};
  BSTR s = SysAllocStringLen(text, 3);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(SysStringLen(s), 3u);
  EXPECT_EQ(std::u16string(s, 4), std::u16string(u"a\0b\0", 4));
  SysFreeString(s);

  BSTR zeros = SysAllocStringLen(nullptr, 5);
  ASSERT_NE(zeros, nullptr);
  EXPECT_EQ(SysStringLen(zeros), 5u);
  for (int i = 0; i <= 5; ++i) EXPECT_EQ(zeros[i], 0) << i;
  SysFreeString(zeros);
}

TEST(Bstr, NullAndExhaustion) {
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  SysFreeString(nullptr);
  orv::failNextTaskMemAllocs(1);
  EXPECT_EQ(SysAllocString(u"x"), nullptr);
}

}  // namespace
