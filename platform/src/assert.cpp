#include "platform/orv_assert.h"

#include <atomic>
#include <cstdio>

namespace orv {
namespace {

void defaultHandler(const char* expression, const char* file, int line) {
#ifndef NDEBUG
  std::fprintf(stderr, "assertion failed: %s (%s:%d)\n", expression, file, line);
#else
  (void)expression;
  (void)file;
  (void)line;
#endif
}

std::atomic<AssertHandler> g_handler{&defaultHandler};

}  // namespace

AssertHandler setAssertHandler(AssertHandler handler) {
  return g_handler.exchange(handler ? handler : &defaultHandler);
}

void reportAssertion(const char* expression, const char* file, int line) {
  g_handler.load()(expression, file, line);
}

}  // namespace orv
