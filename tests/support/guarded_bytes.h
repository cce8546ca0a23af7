// Bytes placed right against an inaccessible page, after their end
// (AgainstEnd) or before their start (AgainstStart), so that any access
// outside them faults even without a sanitizer.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <vector>

namespace orv_test {

class GuardedBytes {
 public:
  enum Placement { AgainstEnd, AgainstStart };

  GuardedBytes(std::size_t size, Placement placement) : size_(size) {
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t body = (size + page - 1) / page * page;
    mapSize_ = body + 2 * page;
    map_ = mmap(nullptr, mapSize_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (map_ == MAP_FAILED) throw std::runtime_error("mmap");
    auto* base = static_cast<unsigned char*>(map_);
    mprotect(base, page, PROT_NONE);
    mprotect(base + page + body, page, PROT_NONE);
    data_ = placement == AgainstEnd ? base + page + body - size : base + page;
  }
  ~GuardedBytes() { munmap(map_, mapSize_); }
  GuardedBytes(const GuardedBytes&) = delete;
  GuardedBytes& operator=(const GuardedBytes&) = delete;

  unsigned char* data() { return data_; }
  const unsigned char* data() const { return data_; }
  std::size_t size() const { return size_; }
  std::vector<unsigned char> bytes() const { return std::vector<unsigned char>(data_, data_ + size_); }

 private:
  void* map_ = nullptr;
  std::size_t mapSize_ = 0;
  unsigned char* data_ = nullptr;
  std::size_t size_ = 0;
};

inline void fillRandom(unsigned char* p, std::size_t n, std::uint32_t seed) {
  std::mt19937 gen(seed);
  for (std::size_t i = 0; i < n; ++i) p[i] = static_cast<unsigned char>(gen() >> 24);
}

}  // namespace orv_test
