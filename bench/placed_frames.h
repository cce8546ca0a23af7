// Frames for timing a filter's transform the way a host calls it, side by
// side with a peer on the very same memory: 64-byte-aligned buffers from
// aligned_alloc, reused back to back, with the destination placed at a chosen
// offset against the source modulo a 4 KiB page. Where two buffers land
// decides which cache sets and which store-to-load address matches they
// share, so a cell is only as fast as its worst placement; the sweep and the
// table that names each cell's worst placement are here too.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "bench_support.h"
#include "frametype.h"

namespace orv_bench {

constexpr std::size_t kPage = 4096;

// Destination offsets against the source, in bytes modulo a page; whole
// multiples of 64 keep every buffer 64-byte aligned.
inline std::vector<std::size_t>& placementOffsets() {
  static std::vector<std::size_t> offsets{0, 64, 1024, 2048, 3072};
  return offsets;
}

// Takes --offsets=a,b,... out of the arguments; false on a malformed list.
inline bool applyOffsets(std::vector<char*>& args) {
  const auto it =
      std::find_if(args.begin(), args.end(), [](const char* a) { return std::strncmp(a, "--offsets=", 10) == 0; });
  if (it == args.end()) return true;
  std::vector<std::size_t> offsets;
  for (const char* p = *it + 10; *p;) {
    char* end = nullptr;
    const unsigned long v = std::strtoul(p, &end, 10);
    if (end == p || v % 64 != 0 || v >= kPage) {
      std::fprintf(stderr, "--offsets takes multiples of 64 below 4096, comma-separated\n");
      return false;
    }
    offsets.push_back(v);
    p = *end == ',' ? end + 1 : end;
  }
  args.erase(it);
  placementOffsets() = offsets;
  return !offsets.empty();
}

// One block from aligned_alloc, page-aligned so that the offset alone sets
// the placement, with every page touched so faults stay out of the timings.
class PlacedBlock {
 public:
  PlacedBlock(std::size_t bytes, std::size_t offset, unsigned char fill)
      : base_(static_cast<unsigned char*>(std::aligned_alloc(kPage, (bytes + offset + kPage - 1) / kPage * kPage))),
        data_(base_ + offset) {
    std::memset(data_, fill, bytes);
  }
  ~PlacedBlock() { std::free(base_); }
  PlacedBlock(const PlacedBlock&) = delete;
  PlacedBlock& operator=(const PlacedBlock&) = delete;
  unsigned char* data() const { return data_; }

 private:
  unsigned char* base_;
  unsigned char* data_;
};

// Where the frames come from: one pair reused (it stays in the caches) or a
// round of pairs larger than the caches together (each frame from memory).
enum class Setting { cached, memory };
inline const char* settingName(Setting s) { return s == Setting::cached ? "cached" : "memory"; }

// Source and destination pairs at one placement. A memory round holds at
// least 64 MB, twice a 32 MB last-level cache.
class PlacedPairs {
 public:
  PlacedPairs(std::size_t srcBytes, std::size_t dstBytes, std::size_t offset, Setting setting) {
    constexpr std::size_t kRoundBytes = std::size_t{64} << 20;
    const std::size_t pairBytes = srcBytes + dstBytes;
    const std::size_t count = setting == Setting::cached ? 1 : (kRoundBytes + pairBytes - 1) / pairBytes;
    for (std::size_t i = 0; i < count; ++i) {
      src_.push_back(std::make_unique<PlacedBlock>(srcBytes, 0, static_cast<unsigned char>(i * 37 + 11)));
      dst_.push_back(std::make_unique<PlacedBlock>(dstBytes, offset, 0));
    }
  }
  std::size_t size() const { return src_.size(); }
  const unsigned char* src(std::size_t i) const { return src_[i % src_.size()]->data(); }
  unsigned char* dst(std::size_t i) const { return dst_[i % dst_.size()]->data(); }

 private:
  std::vector<std::unique_ptr<PlacedBlock>> src_, dst_;
};

// The pairs of a placement, kept while the total stays under 1 GB so that a
// module and its peers share them even when the repetitions are interleaved
// (--benchmark_enable_random_interleaving, which evens out a busy machine).
inline const PlacedPairs& placedPairs(std::size_t srcBytes, std::size_t dstBytes, std::size_t offset,
                                      Setting setting) {
  using Key = std::tuple<std::size_t, std::size_t, std::size_t, Setting>;
  static std::map<Key, std::unique_ptr<PlacedPairs>> kept;
  static std::size_t keptBytes = 0;
  const Key key{srcBytes, dstBytes, offset, setting};
  auto it = kept.find(key);
  if (it == kept.end()) {
    auto pairs = std::make_unique<PlacedPairs>(srcBytes, dstBytes, offset, setting);
    const std::size_t bytes = pairs->size() * (srcBytes + dstBytes);
    if (keptBytes + bytes > (std::size_t{1} << 30)) kept.clear(), keptBytes = 0;
    keptBytes += bytes;
    it = kept.emplace(key, std::move(pairs)).first;
  }
  return *it->second;
}

// Memory the benchmark owns, seen as a frame buffer by a filter.
class FrameView : public Pixlib::IFrameBuffer {
 public:
  FrameView(const Pixlib::FrameTypeInfo& type, unsigned char* data) : type_(type), data_(data) {}
  const Pixlib::FrameTypeInfo& ORV_CALL getFrameType() const override { return type_; }
  BYTE* ORV_CALL getBufferPtr() const override { return data_; }
  void point(unsigned char* data) { data_ = data; }

 private:
  Pixlib::FrameTypeInfo type_;
  unsigned char* data_;
};

// One timed run of a placement sweep: a module operation, a peer that the
// cell's operations are held to, or a stricter reference shown beside it.
struct PlacedRun {
  std::string cell;    // setting, frame and effect
  std::string target;  // what the cell must reach, as printed
  std::size_t offset;
  std::string who;  // the operation or the peer
  bool peer;
  bool reference = false;  // a peer shown beside the target, not held to it
};
inline std::vector<PlacedRun>& placedRuns() {
  static std::vector<PlacedRun> runs;
  return runs;
}
inline std::string placedName(const PlacedRun& run) {
  return run.cell + "/" + (run.peer ? "peer:" : "") + run.who + "/off" + std::to_string(run.offset);
}

// Per cell and operation, the module against the cell's fastest peer at each
// placement, by medians: the worst placement's ratio (peer time over module
// time, above 1 when the module is faster) with its times, and the best;
// then the worst placement's ratio against the cell's reference, if any.
inline void printPlacementTable(const SummaryReporter& r) {
  const std::vector<PlacedRun>& runs = placedRuns();
  const auto median = [&](const std::string& cell, const std::string& who, bool peer, std::size_t offset) {
    for (const PlacedRun& run : runs)
      if (run.cell == cell && run.who == who && run.peer == peer && run.offset == offset) return r.median(placedName(run));
    return 0.0;
  };
  std::printf("\n%-32s %-15s %-7s %7s %6s %9s %9s %-22s %6s  %s\n", "cell", "operation", "target", "worst", "offset",
              "module us", "peer us", "fastest peer there", "best", "reference: worst");
  std::vector<std::pair<std::string, std::string>> rows;
  for (const PlacedRun& run : runs)
    if (!run.peer && std::find(rows.begin(), rows.end(), std::pair(run.cell, run.who)) == rows.end())
      rows.emplace_back(run.cell, run.who);
  for (const auto& [cell, who] : rows) {
    double worst = 0, best = 0, worstModule = 0, worstPeer = 0, worstReference = 0;
    std::size_t worstOffset = 0;
    std::string worstPeerName, target, referenceName;
    for (const std::size_t offset : placementOffsets()) {
      const double module = median(cell, who, false, offset);
      double peer = 0;
      std::string peerName;
      for (const PlacedRun& run : runs) {
        if (run.cell != cell || !run.peer || run.offset != offset) continue;
        const double t = median(cell, run.who, true, offset);
        if (run.reference) {
          if (t > 0 && module > 0 && (worstReference == 0 || t / module < worstReference)) worstReference = t / module;
          referenceName = run.who;
          continue;
        }
        target = run.target;
        if (t > 0 && (peer == 0 || t < peer)) peer = t, peerName = run.who;
      }
      if (module == 0 || peer == 0) continue;
      const double ratio = peer / module;
      if (worst == 0 || ratio < worst) {
        worst = ratio, worstOffset = offset, worstModule = module, worstPeer = peer, worstPeerName = peerName;
      }
      best = std::max(best, ratio);
    }
    if (worst == 0) continue;
    std::printf("%-32s %-15s %-7s %7.2f %6zu %9.0f %9.0f %-22s %6.2f", cell.c_str(), who.c_str(), target.c_str(), worst,
                worstOffset, worstModule * 1e6, worstPeer * 1e6, worstPeerName.c_str(), best);
    if (worstReference > 0) std::printf("  %s: %.2f", referenceName.c_str(), worstReference);
    std::printf("\n");
  }
}

}  // namespace orv_bench
