// The chain across threads: the same frames as on one thread, in order;
// stopping with and without draining; failures; restarts; parameter changes
// from a definite frame on. Run under ThreadSanitizer in CI.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "framefilterimpl.h"
#include "loaded_module.h"
#include "param_access.h"
#include "pixrt/pipelinedchain.h"

using namespace orv_test;
using namespace Pixlib;

namespace {

using Bytes = std::string;
using Stop = PipelinedChain::Stop;

constexpr int kWidth = 64, kHeight = 48;
const FrameTypeInfo kRaw(MEDIASUBTYPE_BY8, kWidth, kHeight, 0);

Bytes contents(const IFrameBuffer& b) {
  return Bytes(reinterpret_cast<const char*>(b.getBufferPtr()), b.getFrameType().buffersize);
}

// Eight different raw frames, cycled.
struct Frames {
  std::vector<std::unique_ptr<FrameBuffer>> frames;
  Frames() {
    std::uint32_t x = 12345;
    for (int f = 0; f < 8; ++f) {
      frames.push_back(std::make_unique<FrameBuffer>(kRaw));
      for (DWORD i = 0; i < frames.back()->size(); ++i) {
        x = x * 1664525u + 1013904223u;
        frames.back()->getBufferPtr()[i] = BYTE(x >> 24);
      }
    }
  }
  const FrameBuffer& operator[](std::uint64_t i) const { return *frames[i % frames.size()]; }
};

struct Output {
  std::uint64_t index;
  Bytes bytes;
  bool operator==(const Output&) const = default;
};

// A chain of the module's filters, set up by lines "Name" plus settings.
struct ModuleChain {
  FilterChain chain;
  std::vector<std::unique_ptr<FilterRef>> refs;
  void add(const char16_t* name, const char* label, std::function<void(IParameterCtrl*)> set = {}) {
    refs.push_back(std::make_unique<FilterRef>(name));
    if (set) set(refs.back()->params());
    chain.append(refs.back()->p, label);
  }
  void negotiate() {
    std::string error;
    ASSERT_TRUE(chain.negotiate(kRaw, error)) << error;
  }
};

void demoChain(ModuleChain& c, LONG level) {
  c.add(u"DeBayer", "DeBayer", [](IParameterCtrl* p) {
    setLong(p, u"Start Pattern", 2);
    setLong(p, u"Mode", 2);
  });
  c.add(u"Rotate Flip", "Rotate Flip", [](IParameterCtrl* p) { setLong(p, u"Rotation Angle", 90); });
  c.add(u"ROI", "ROI", [](IParameterCtrl* p) {
    setLong(p, u"Left", 8);
    setLong(p, u"Top", 8);
    setLong(p, u"Width", 32);
    setLong(p, u"Height", 48);
  });
  c.add(u"DeNoise", "DeNoise", [level](IParameterCtrl* p) { setLong(p, u"DeNoise Level", level); });
  c.negotiate();
}

// The outputs of `count` frames on the calling thread.
std::vector<Output> singleThreaded(FilterChain& chain, const Frames& frames, std::uint64_t count) {
  std::string error;
  EXPECT_TRUE(chain.start(error)) << error;
  std::vector<Output> outs;
  for (std::uint64_t i = 0; i < count; ++i)
    if (chain.push(frames[i]) == chain.size()) outs.push_back({i, contents(*chain.outputOf(chain.size() - 1))});
  chain.stop();
  return outs;
}

PipelinedChain::Options optionsFor(std::size_t threads, std::size_t depth, std::vector<Output>& outs) {
  PipelinedChain::Options o;
  o.threads = threads;
  o.queueDepth = depth;
  o.sink = [&outs](const IFrameBuffer& f, std::uint64_t index) {
    outs.push_back({index, contents(f)});
    return true;
  };
  return o;
}

TEST(Concurrency, PipelinedOutputEqualsSingleThreadedOutput) {
  struct Case {
    LONG level;
    std::size_t threads, depth;
    bool fromSource;
    std::vector<double> costs;
    bool lend = false;  // the source lends its frames instead of filling the chain's
  };
  const Case cases[] = {
      {2, 2, 2, false, {}},        {2, 4, 1, false, {}},        {2, 3, 2, true, {1, 5, 1, 1, 1}},
      {0, 2, 2, true, {}, true},   {1, 4, 3, false, {}},        {3, 2, 1, false, {9, 1, 1, 1}},
      {2, 5, 2, true, {}, true},  // the source alone on a thread: what it lends is copied on
      {2, 2, PipelinedChain::Options{}.queueDepth, true, {}, true},  // the default room between groups
  };
  const Frames frames;
  constexpr std::uint64_t kCount = 240;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "level " << c.level << ", " << c.threads << " threads, depth " << c.depth
                                    << (c.fromSource ? c.lend ? ", lending source" : ", source" : ", push"));
    ModuleChain m;
    demoChain(m, c.level);
    const std::vector<Output> expected = singleThreaded(m.chain, frames, kCount);
    ASSERT_EQ(expected.size(), kCount >> c.level);

    std::vector<Output> outs;
    PipelinedChain::Options o = optionsFor(c.threads, c.depth, outs);
    o.costs = c.costs;
    if (c.fromSource)
      o.source = [&frames, lend = c.lend](std::uint64_t i, IFrameBuffer& f) -> const IFrameBuffer* {
        if (i >= kCount) return nullptr;
        if (lend) return &frames[i];
        std::memcpy(f.getBufferPtr(), frames[i].getBufferPtr(), frames[i].size());
        return &f;
      };
    PipelinedChain pipe(m.chain);
    std::string error;
    ASSERT_TRUE(pipe.start(o, error)) << error;
    EXPECT_EQ(pipe.groups(), std::min<std::size_t>(c.threads, c.fromSource ? 5 : 4));
    for (std::uint64_t i = 0; !c.fromSource && i < kCount; ++i) ASSERT_TRUE(pipe.push(frames[i]));
    ASSERT_TRUE(pipe.stop(Stop::Drain)) << pipe.error();
    EXPECT_TRUE(outs == expected);
    EXPECT_EQ(pipe.figuresOf(0).framesIn, kCount);
    EXPECT_EQ(pipe.figuresOf(3).framesOut, kCount >> c.level);
    EXPECT_EQ(pipe.figuresOf(3).missing, 0u);  // DeNoise holds frames back by design
    EXPECT_EQ(contents(*pipe.outputOf(3)), expected.back().bytes);
    EXPECT_EQ(contents(*pipe.lastInput()), contents(frames[kCount - 1]));
  }
}

TEST(Concurrency, BalancingKeepsTheSlowestGroupAsFastAsItCanBe) {
  struct Case {
    std::vector<double> costs;
    std::size_t threads;
    std::vector<std::size_t> starts;
    std::vector<double> entry = {};  // what a group starting there pays
  };
  const Case cases[] = {
      {{4, 3, 1, 1}, 2, {0, 1}},       {{1, 1, 1, 1}, 2, {0, 2}},    {{1, 1, 1, 1}, 8, {0, 1, 2, 3}},
      {{5, 0.01, 0.01}, 3, {0}},       {{1, 9, 1}, 3, {0, 1, 2}},    {{2, 2, 2, 6}, 2, {0, 3}},
      {{1, 2, 3}, 1, {0}},
      // A cut where a big frame crosses moves to where a small one does ...
      {{1, 1, 1, 1}, 2, {0, 3}, {0, 2, 2, 0.5}},
      // ... and none is made where crossing costs more than the thread gains.
      {{1, 1}, 2, {0}, {0, 1}},
  };
  for (const Case& c : cases) EXPECT_EQ(balanceStages(c.costs, c.threads, c.entry), c.starts) << c.costs.size();
  // A hand-over is paid by the group with the time to spare.
  std::vector<bool> producerPays;
  EXPECT_EQ(balanceStages({1, 3}, 2, {}, {0, 1}, &producerPays), (std::vector<std::size_t>{0, 1}));
  EXPECT_EQ(producerPays, (std::vector<bool>{false, true}));
  EXPECT_EQ(balanceStages({3, 1}, 2, {}, {0, 1}, &producerPays), (std::vector<std::size_t>{0, 1}));
  EXPECT_EQ(producerPays, (std::vector<bool>{false, false}));
}

// Records on which thread each call comes and in what order.
class ThreadProbe : public FrameFilterImpl<ThreadProbe> {
 public:
  static FilterInfo getStaticFilterInfo() { return makeFilterInfo(u"Thread Probe"); }
  void ORV_CALL getSupportedInputTypes(std::vector<FrameTypeInfo>& types) override {
    types.emplace_back(MEDIASUBTYPE_BY8, 0, 0, 0);
  }
  bool ORV_CALL getTransformOutputTypes(const FrameTypeInfo& in, std::vector<FrameTypeInfo>& out) override {
    out.push_back(in);
    return true;
  }
  void ORV_CALL notifyStart(const FrameTypeInfo&, const FrameTypeInfo&) override {
    startedOn = std::this_thread::get_id();
    stoppedAfter = -1;
  }
  void ORV_CALL notifyStop() override {
    stoppedOn = std::this_thread::get_id();
    stoppedAfter = calls;
  }
  bool ORV_CALL transform(const IFrameBuffer& src, IFrameBuffer& dest) override {
    if (std::this_thread::get_id() != startedOn) wrongThread = true;
    ++calls;
    if (throwAt == calls) {
      if (throwMemory) throw std::bad_alloc();
      throw std::runtime_error("sensor unplugged");
    }
    if (refuseEvery && calls % refuseEvery == 0) return false;
    std::memcpy(dest.getBufferPtr(), src.getBufferPtr(), dest.getFrameType().buffersize);
    return true;
  }

  std::thread::id startedOn, stoppedOn;
  int calls = 0;
  int stoppedAfter = -1;
  bool wrongThread = false;
  int throwAt = 0;
  bool throwMemory = false;
  int refuseEvery = 0;
};

struct ProbeChain {
  FilterChain chain;
  std::vector<ThreadProbe*> probes;
  explicit ProbeChain(int count) {
    for (int i = 0; i < count; ++i) {
      probes.push_back(new ThreadProbe);
      chain.append(probes.back(), "probe " + std::to_string(i));
    }
    std::string error;
    EXPECT_TRUE(chain.negotiate(kRaw, error)) << error;
  }
  ~ProbeChain() {
    for (ThreadProbe* p : probes) p->Release();
  }
};

TEST(Concurrency, StoppingDrainsOrDropsAndEveryFilterStopsOnItsOwnThread) {
  const Frames frames;
  for (const Stop how : {Stop::Drain, Stop::Drop}) {
    SCOPED_TRACE(how == Stop::Drain ? "drain" : "drop");
    ProbeChain p(3);
    std::vector<Output> outs;
    PipelinedChain pipe(p.chain);
    std::string error;
    ASSERT_TRUE(pipe.start(optionsFor(3, 2, outs), error)) << error;
    constexpr int kPushed = 40;
    for (int i = 0; i < kPushed; ++i) ASSERT_TRUE(pipe.push(frames[i]));
    EXPECT_TRUE(pipe.stop(how));
    EXPECT_FALSE(pipe.push(frames[0]));
    if (how == Stop::Drain)
      EXPECT_EQ(outs.size(), std::size_t(kPushed));
    else
      EXPECT_LE(outs.size(), std::size_t(kPushed));
    for (std::size_t i = 0; i < outs.size(); ++i) {  // a prefix, in order
      EXPECT_EQ(outs[i].index, i);
      EXPECT_EQ(outs[i].bytes, contents(frames[i]));
    }
    for (ThreadProbe* probe : p.probes) {
      EXPECT_FALSE(probe->wrongThread);
      EXPECT_EQ(probe->stoppedOn, probe->startedOn);
      EXPECT_NE(probe->stoppedOn, std::this_thread::get_id());
      EXPECT_EQ(probe->stoppedAfter, probe->calls);
    }
  }
}

TEST(Concurrency, AFailingStageStopsTheChainByName) {
  struct Case {
    const char* what;
    int stage;
    bool memory;
    bool sinkRefuses;
    const char* expected;
  };
  const Case cases[] = {
      {"throws", 1, false, false, "'probe 1' failed"},
      {"runs out of memory", 2, true, false, "'probe 2' ran out of memory"},
      {"receiver refuses", -1, false, true, "the receiver of the frames stopped the chain"},
  };
  const Frames frames;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ProbeChain p(3);
    if (c.stage >= 0) {
      p.probes[c.stage]->throwAt = 5;
      p.probes[c.stage]->throwMemory = c.memory;
    }
    std::vector<Output> outs;
    PipelinedChain::Options o = optionsFor(2, 1, outs);
    if (c.sinkRefuses) o.sink = [](const IFrameBuffer&, std::uint64_t index) { return index < 4; };
    PipelinedChain pipe(p.chain);
    std::string error;
    ASSERT_TRUE(pipe.start(o, error)) << error;
    int pushed = 0;
    while (pushed < 1000 && pipe.push(frames[pushed])) ++pushed;
    EXPECT_LT(pushed, 1000);  // the first ring fills once the chain has stopped
    EXPECT_FALSE(pipe.stop(Stop::Drain));
    EXPECT_EQ(pipe.error(), c.expected);
    for (ThreadProbe* probe : p.probes) EXPECT_EQ(probe->stoppedAfter, probe->calls);  // every thread ended
  }
}

TEST(Concurrency, RepeatedStartsAndStopsCountEveryFrame) {
  const Frames frames;
  ProbeChain p(3);
  p.probes[1]->refuseEvery = 3;  // a filter that should always emit, and does not
  PipelinedChain pipe(p.chain);
  for (int run = 0; run < 30; ++run) {
    SCOPED_TRACE(run);
    std::vector<Output> outs;
    std::string error;
    ASSERT_TRUE(pipe.start(optionsFor(1 + run % 4, 1 + run % 3, outs), error)) << error;
    const int count = run % 7;
    for (int i = 0; i < count; ++i) ASSERT_TRUE(pipe.push(frames[i]));
    const bool drain = run % 2 == 0;
    EXPECT_TRUE(pipe.stop(drain ? Stop::Drain : Stop::Drop));
    if (!drain) continue;
    EXPECT_EQ(pipe.figuresOf(0).framesOut, std::uint64_t(count));
    EXPECT_EQ(pipe.figuresOf(1).missing + pipe.figuresOf(1).framesOut, std::uint64_t(count));
    EXPECT_EQ(pipe.figuresOf(2).framesIn, outs.size());
  }
  EXPECT_FALSE(p.probes[0]->wrongThread);
}

// A change made while frames flow lands between two frames: the output is
// what one thread makes when the change comes just before frame `from`.
TEST(Concurrency, AParameterChangeTakesEffectFromTheFrameItNames) {
  const Frames frames;
  constexpr std::uint64_t kCount = 120;
  const auto build = [](ModuleChain& m) {
    m.add(u"DeBayer", "DeBayer", [](IParameterCtrl* p) { setLong(p, u"Mode", 0); });
    m.add(u"Rotate Flip", "Rotate Flip", [](IParameterCtrl* p) { setLong(p, u"Rotation Angle", 180); });
    m.add(u"ROI", "ROI", [](IParameterCtrl* p) {
      setLong(p, u"Left", 16);
      setLong(p, u"Width", 32);
      setLong(p, u"Height", 40);
    });
    m.negotiate();
  };
  for (std::size_t stage : {0u, 1u}) {
    ModuleChain m;
    build(m);
    std::vector<Output> outs;
    PipelinedChain pipe(m.chain);
    std::string error;
    ASSERT_TRUE(pipe.start(optionsFor(3, 2, outs), error)) << error;
    VARIANT v;
    VariantInit(&v);
    v.vt = stage == 0 ? VT_I4 : VT_BOOL;
    if (stage == 0)
      v.lVal = 2;  // Mode: edge sensing
    else
      v.boolVal = VARIANT_TRUE;  // Flip H
    std::uint64_t from = 0;
    std::thread changer;
    for (std::uint64_t i = 0; i < kCount; ++i) {
      if (i == kCount / 3)
        changer = std::thread([&] {
          EXPECT_EQ(pipe.setParameter(stage, stage == 0 ? u"Mode" : u"Flip H", v, &from), eParamOk);
        });
      ASSERT_TRUE(pipe.push(frames[i]));
    }
    changer.join();
    ASSERT_TRUE(pipe.stop(Stop::Drain));
    EXPECT_LE(from, kCount);

    ModuleChain ref;
    build(ref);
    ASSERT_TRUE(ref.chain.start(error));
    for (std::uint64_t i = 0; i < kCount; ++i) {
      if (i == from) ref.refs[stage]->params()->setParameter(stage == 0 ? u"Mode" : u"Flip H", &v);
      ref.chain.push(frames[i]);
      ASSERT_LT(i, outs.size());
      EXPECT_EQ(outs[i].bytes, contents(*ref.chain.outputOf(2))) << "stage " << stage << " frame " << i;
    }
    ref.chain.stop();
  }
}

}  // namespace
