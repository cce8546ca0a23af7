// Counts failed checks while in scope instead of printing them.
#pragma once

#include <string>

#include "platform/orv_assert.h"

namespace orv_test {

class AssertCapture {
 public:
  AssertCapture() : m_previous(orv::setAssertHandler(&record)) {
    count() = 0;
    last().clear();
  }
  ~AssertCapture() { orv::setAssertHandler(m_previous); }
  AssertCapture(const AssertCapture&) = delete;
  AssertCapture& operator=(const AssertCapture&) = delete;

  int failures() const { return count(); }
  const std::string& lastExpression() const { return last(); }

 private:
  static int& count() {
    static int n = 0;
    return n;
  }
  static std::string& last() {
    static std::string text;
    return text;
  }
  static void record(const char* expression, const char*, int) {
    ++count();
    last() = expression;
  }

  orv::AssertHandler m_previous;
};

}  // namespace orv_test
