// A promise of the code under test that a fuzz target checks: broken, it
// stops the run as a finding, naming the promise.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace orv_fuzz {

[[noreturn]] inline void promiseBroken(const char* what, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: does not hold: %s\n", file, line, what);
  std::abort();
}

}  // namespace orv_fuzz

#define FUZZ_REQUIRE(condition) \
  ((condition) ? static_cast<void>(0) : orv_fuzz::promiseBroken(#condition, __FILE__, __LINE__))
