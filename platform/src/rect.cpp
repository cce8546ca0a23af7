#include "platform/rect.h"

#include <algorithm>

namespace {

bool isEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

}  // namespace

BOOL IntersectRect(RECT* dst, const RECT* a, const RECT* b) {
  if (!dst) return FALSE;
  if (!a || !b || isEmpty(*a) || isEmpty(*b)) {
    *dst = RECT{0, 0, 0, 0};
    return FALSE;
  }
  // Computed before storing: dst may be one of the inputs.
  const RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
               std::min(a->bottom, b->bottom)};
  if (isEmpty(r)) {
    *dst = RECT{0, 0, 0, 0};
    return FALSE;
  }
  *dst = r;
  return TRUE;
}
