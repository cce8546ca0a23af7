// Pushing a frame out of every core's caches once its reader is done with
// it. A frame one core writes and another reads leaves its lines shared
// between the two; the next write into that memory must then take each line
// back from the other core, one by one, which on some processors costs
// several times a write to memory (on others little: the chain measures
// which, see evictchooser.h). A line evicted everywhere is written like any
// other line that misses the caches, at the memory's pace.
#pragma once

#include <cstddef>

namespace Pixlib {

// Writes back and evicts the cache lines of [data, data + bytes) from every
// cache of every core; a no-op where the processor cannot evict lines
// without stalling on each one.
void evictLines(const void* data, std::size_t bytes);

}  // namespace Pixlib
