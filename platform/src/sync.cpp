#include "platform/sync.h"

#include <pthread.h>

#include <new>

#include "platform/orv_assert.h"

namespace {

static_assert(sizeof(pthread_mutex_t) <= sizeof(CRITICAL_SECTION::opaque), "the mutex must fit the opaque storage");
static_assert(alignof(pthread_mutex_t) <= alignof(CRITICAL_SECTION), "the opaque storage must align the mutex");

pthread_mutex_t* mutexOf(CRITICAL_SECTION* cs) {
  return std::launder(reinterpret_cast<pthread_mutex_t*>(cs->opaque));
}

}  // namespace

void InitializeCriticalSection(CRITICAL_SECTION* cs) {
  if (!ORV_CHECK(cs != nullptr)) return;
  pthread_mutexattr_t attr;
  pthread_mutexattr_init(&attr);
  pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
  auto* mutex = new (cs->opaque) pthread_mutex_t;
  const int rc = pthread_mutex_init(mutex, &attr);
  pthread_mutexattr_destroy(&attr);
  ORV_ASSERT(rc == 0);
}

void DeleteCriticalSection(CRITICAL_SECTION* cs) {
  if (!ORV_CHECK(cs != nullptr)) return;
  const int rc = pthread_mutex_destroy(mutexOf(cs));
  ORV_ASSERT(rc == 0);
}

void EnterCriticalSection(CRITICAL_SECTION* cs) {
  if (!ORV_CHECK(cs != nullptr)) return;
  const int rc = pthread_mutex_lock(mutexOf(cs));
  ORV_ASSERT(rc == 0);
}

void LeaveCriticalSection(CRITICAL_SECTION* cs) {
  if (!ORV_CHECK(cs != nullptr)) return;
  // Fails (EPERM) when the calling thread does not own the lock.
  const int rc = pthread_mutex_unlock(mutexOf(cs));
  ORV_ASSERT(rc == 0);
}
