// Re-entrant critical sections.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/sync.h"

namespace {

TEST(CriticalSection, OwnerReentersAndOthersWaitUntilFullyLeft) {
  CRITICAL_SECTION cs;
  InitializeCriticalSection(&cs);
  EnterCriticalSection(&cs);
  EnterCriticalSection(&cs);  // would deadlock if not re-entrant

  std::atomic<bool> entered{false};
  std::thread other([&] {
    EnterCriticalSection(&cs);
    entered = true;
    LeaveCriticalSection(&cs);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_FALSE(entered.load());
  LeaveCriticalSection(&cs);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_FALSE(entered.load()) << "one Leave released a lock entered twice";
  LeaveCriticalSection(&cs);
  other.join();
  EXPECT_TRUE(entered.load());
  DeleteCriticalSection(&cs);
}

TEST(CriticalSection, SerialisesNestedUpdatesFromSeveralThreads) {
  CRITICAL_SECTION cs;
  InitializeCriticalSection(&cs);
  long long plain = 0;  // guarded only by the lock
  volatile LONG counted = 0;
  constexpr int kThreads = 4;
  constexpr int kRounds = 20000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < kRounds; ++i) {
        EnterCriticalSection(&cs);
        EnterCriticalSection(&cs);
        plain = plain + 1;
        LeaveCriticalSection(&cs);
        LeaveCriticalSection(&cs);
        InterlockedIncrement(&counted);
        InterlockedDecrement(&counted);
        InterlockedIncrement(&counted);
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(plain, kThreads * kRounds);
  EXPECT_EQ(counted, kThreads * kRounds);
  DeleteCriticalSection(&cs);
}

}  // namespace
