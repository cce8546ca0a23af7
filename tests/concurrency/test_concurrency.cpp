// Filters under concurrent use: one thread streams frames while another
// changes parameters between lock() and unlock(). Every output frame must be
// one that some consistent parameter set produces. Run under ThreadSanitizer
// in CI, where any data race fails the test.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "denoisetransform.h"
#include "loaded_module.h"
#include "param_access.h"
#include "pixrt/filterchain.h"
#include "pixrt/framebuffer.h"

using namespace orv_test;
using Pixlib::FrameBuffer;

namespace {

constexpr int kFrames = 300;
constexpr int kMinChanges = 200;  // the stream goes on until the writer has made this many

// Frame contents as a byte string: ordered sets of std::vector<BYTE> trip a
// false -Wstringop-overread in GCC 12 at -O3.
using Bytes = std::string;
using ParamSet = std::function<void(IParameterCtrl*)>;

Bytes contents(const FrameBuffer& b) { return Bytes(reinterpret_cast<const char*>(b.getBufferPtr()), b.size()); }

void fillPattern(FrameBuffer& b) {
  for (DWORD i = 0; i < b.size(); ++i) b.getBufferPtr()[i] = BYTE(i * 37 + i / 7);
}

// Streams kFrames frames through `filter` while another thread applies the
// parameter sets in turn under the filter's lock; returns the distinct outputs.
std::set<Bytes> streamWhileChanging(const FilterRef& filter, const FrameTypeInfo& in, const FrameTypeInfo& out,
                                    const std::vector<ParamSet>& sets) {
  IParameterCtrl* ctrl = filter.params();
  FrameBuffer src(in), dest(out);
  fillPattern(src);
  filter->notifyStart_(in, out);
  std::atomic<bool> done{false};
  std::atomic<int> changes{0};
  std::thread writer([&] {
    for (std::size_t i = 0; !done.load(); ++i) {
      ctrl->lock();
      sets[i % sets.size()](ctrl);
      ctrl->unlock();
      ++changes;
      std::this_thread::yield();
    }
  });
  std::set<Bytes> seen;
  for (int i = 0; i < kFrames || changes.load() < kMinChanges; ++i)
    if (filter->transform_(src, dest) == S_OK) seen.insert(contents(dest));
  done = true;
  writer.join();
  filter->notifyStop_();
  return seen;
}

// The output of each parameter set, computed with nothing else running.
std::set<Bytes> expectedOutputs(const char16_t* name, const FrameTypeInfo& in, const FrameTypeInfo& out,
                                const std::vector<ParamSet>& sets) {
  std::set<Bytes> expected;
  for (const ParamSet& set : sets) {
    FilterRef f(name);
    set(f.params());
    FrameBuffer src(in), dest(out);
    fillPattern(src);
    f->notifyStart_(in, out);
    EXPECT_EQ(f->transform_(src, dest), S_OK);
    f->notifyStop_();
    expected.insert(contents(dest));
  }
  return expected;
}

void expectConsistent(const char16_t* name, const FrameTypeInfo& in, const FrameTypeInfo& out,
                      const std::vector<ParamSet>& sets) {
  const std::set<Bytes> expected = expectedOutputs(name, in, out, sets);
  FilterRef f(name);
  sets[0](f.params());
  const std::set<Bytes> seen = streamWhileChanging(f, in, out, sets);
  EXPECT_FALSE(seen.empty());
  for (const Bytes& frame : seen) EXPECT_TRUE(expected.count(frame)) << "an output no parameter set produces";
}

TEST(Concurrency, DeBayerSeesBothParametersOfOneSet) {
  const FrameTypeInfo in(MEDIASUBTYPE_BY8, 64, 16, 64 * 16), out(MEDIASUBTYPE_RGB32, 64, 16, 64 * 16 * 4);
  expectConsistent(u"DeBayer", in, out,
                   {[](IParameterCtrl* c) {
                      setLong(c, u"Start Pattern", 2);
                      setLong(c, u"Mode", 1);
                    },
                    [](IParameterCtrl* c) {
                      setLong(c, u"Start Pattern", 0);
                      setLong(c, u"Mode", 2);
                    },
                    [](IParameterCtrl* c) {
                      setLong(c, u"Start Pattern", 3);
                      setLong(c, u"Mode", 0);
                    }});
}

TEST(Concurrency, RotateFlipChangesBetweenFrames) {
  // Members are read one by one, so every combination is a consistent set.
  std::vector<ParamSet> sets;
  for (LONG angle : {0, 180})
    for (bool h : {false, true})
      for (bool v : {false, true})
        sets.push_back([=](IParameterCtrl* c) {
          setLong(c, u"Rotation Angle", angle);
          setBool(c, u"Flip H", h);
          setBool(c, u"Flip V", v);
        });
  const FrameTypeInfo type(Pixlib::eRGB32, 16, 8, 16 * 8 * 4);
  expectConsistent(u"Rotate Flip", type, type, sets);
}

TEST(Concurrency, RoiMovesTheWholeRegion) {
  const FrameTypeInfo in(Pixlib::eY800, 64, 32, 64 * 32), out(Pixlib::eY800, 32, 16, 32 * 16);
  auto place = [](LONG left, LONG top) {
    return [=](IParameterCtrl* c) {
      setLong(c, u"Width", 32);
      setLong(c, u"Height", 16);
      setLong(c, u"Left", left);
      setLong(c, u"Top", top);
    };
  };
  expectConsistent(u"ROI", in, out, {place(0, 0), place(16, 8), place(32, 16)});
}

TEST(Concurrency, BayerToY800CopiesWhileParametersAreRead) {
  const FrameTypeInfo in(MEDIASUBTYPE_BY8, 16, 4, 64), out(MEDIASUBTYPE_Y800, 16, 4, 64);
  expectConsistent(u"Bayer to Y800", in, out, {[](IParameterCtrl* c) {
                     WCHAR* text = nullptr;
                     c->saveParameters(&text);
                   }});
}

// Alternating frames of 50 and 100: a run of any even length averages to 75,
// so a frame torn between two levels would show as another value.
TEST(Concurrency, DeNoiseLevelChangesLandOnRunBoundaries) {
  Owned<orv_filter::CDeNoiseTransform> filter;
  const FrameTypeInfo type(Pixlib::eRGB24, 32, 8, 32 * 8 * 3);
  FrameBuffer low(type), high(type), dest(type);
  std::fill(low.getBufferPtr(), low.getBufferPtr() + low.size(), BYTE{50});
  std::fill(high.getBufferPtr(), high.getBufferPtr() + high.size(), BYTE{100});
  filter->notifyStart(type, type);
  std::atomic<bool> done{false};
  std::atomic<int> refused{0};
  std::thread writer([&] {
    for (LONG i = 0; !done.load(); ++i) {
      filter->changeLevelLive(1 + i % 3);
      filter->lock();
      if (setLong(filter.p, u"DeNoise Level", 2) == eParamLiveMode) ++refused;
      filter->unlock();
      std::this_thread::yield();
    }
  });
  std::set<BYTE> seen;
  for (int i = 0; i < 4 * kFrames || refused.load() < kMinChanges; ++i)
    if (filter->transform(i % 2 ? high : low, dest)) seen.insert(dest.getBufferPtr()[0]);
  done = true;
  writer.join();
  filter->notifyStop();
  EXPECT_GT(refused.load(), 0);
  for (BYTE v : seen) EXPECT_EQ(v, 75);
}

// The host library's chain changes a parameter from another thread while it
// pushes frames; the change falls between two frames.
TEST(Concurrency, ChainChangesParametersBetweenFrames) {
  const FrameTypeInfo in(MEDIASUBTYPE_BY8, 64, 16, 64 * 16), out(MEDIASUBTYPE_RGB32, 64, 16, 64 * 16 * 4);
  std::vector<ParamSet> sets;
  for (LONG mode : {0, 1, 2}) sets.push_back([mode](IParameterCtrl* c) { setLong(c, u"Mode", mode); });
  const std::set<Bytes> expected = expectedOutputs(u"DeBayer", in, out, sets);

  FilterRef f(u"DeBayer");
  Pixlib::FilterChain chain;
  chain.append(f.p, "DeBayer");
  std::string error;
  ASSERT_TRUE(chain.negotiate(in, error)) << error;
  ASSERT_EQ(chain.outputTypeOf(0), out);
  ASSERT_TRUE(chain.start(error)) << error;
  FrameBuffer src(in);
  fillPattern(src);
  std::atomic<bool> done{false};
  std::atomic<int> changes{0};
  std::thread writer([&] {
    for (LONG i = 0; !done.load(); ++i) {
      VARIANT v;
      VariantInit(&v);
      v.vt = VT_I4;
      v.lVal = i % 3;
      EXPECT_EQ(chain.setParameter(0, u"Mode", v), eParamOk);
      ++changes;
      std::this_thread::yield();
    }
  });
  // On a busy machine the writer may sleep through many frames, so each frame
  // waits for a change after the one before; the stream goes on until every
  // mode has been seen.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  std::set<Bytes> seen;
  for (int i = 0, last = -1; (i < kFrames || seen.size() < expected.size()) && std::chrono::steady_clock::now() < deadline;
       ++i) {
    while (changes.load() == last && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    last = changes.load();
    if (chain.push(src) == 1) seen.insert(contents(*chain.outputOf(0)));
  }
  done = true;
  writer.join();
  chain.stop();
  EXPECT_EQ(seen, expected);
}

TEST(Concurrency, ReferenceCountsSurviveRacingAddRefAndRelease) {
  FilterRef f(u"DeBayer");
  constexpr int kThreads = 4, kRounds = 20000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < kRounds; ++i) {
        f->AddRef();
        f->Release();
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(f->AddRef(), 2u);
  EXPECT_EQ(f->Release(), 1u);
}

}  // namespace
