// Internal invariants. A failed check hands the expression text, the file and
// the line to a replaceable handler and then lets the caller carry on: an
// assertion never stops the host process, so every check is followed by the
// safe thing (usually: return without writing).
#pragma once

#include "platform/wintypes.h"

namespace orv {

using AssertHandler = void (*)(const char* expression, const char* file, int line);

// Installs `handler` (null restores the default) and returns the previous one.
// The default prints one line to stderr in debug builds and nothing otherwise.
ORV_PLATFORM_API AssertHandler setAssertHandler(AssertHandler handler);

// Reports a failed check to the current handler.
ORV_PLATFORM_API void reportAssertion(const char* expression, const char* file, int line);

// Evaluates `condition`; reports it when false. Returns the condition so that
// callers write `if (!orv::check(...)) return false;` through ORV_CHECK.
inline bool check(bool condition, const char* expression, const char* file, int line) {
  if (!condition) reportAssertion(expression, file, line);
  return condition;
}

}  // namespace orv

// Usage: `if (!ORV_CHECK(p != 0)) return false;` or plain `ORV_ASSERT(expr);`.
#define ORV_CHECK(expr) (::orv::check(static_cast<bool>(expr), #expr, __FILE__, __LINE__))
#define ORV_ASSERT(expr) static_cast<void>(ORV_CHECK(expr))
// Reports with a message text of its own instead of an expression.
#define ORV_ASSERT_MSG(cond, text) static_cast<void>(::orv::check(static_cast<bool>(cond), text, __FILE__, __LINE__))
