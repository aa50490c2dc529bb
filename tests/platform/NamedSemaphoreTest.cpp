#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/NamedSemaphore.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace vyk {
namespace {

using namespace std::chrono_literals;

TEST(NamedSemaphore, HandlesOfOneNameShareTheCount) {
  NamedSemaphore first("sem-share", 2, 2);
  NamedSemaphore second("sem-share", 9, 9);  // counts of a later opener are ignored
  EXPECT_EQ(second.Maximum(), 2);
  first.Wait();
  EXPECT_EQ(second.Count(), 1);
  EXPECT_TRUE(second.TryWait());
  EXPECT_FALSE(first.TryWait());
  EXPECT_TRUE(first.Release(2));
  EXPECT_EQ(second.Count(), 2);
}

TEST(NamedSemaphore, IsMadeAfreshOnceEveryHandleIsClosed) {
  {
    NamedSemaphore sem("sem-fresh", 1, 1);
    sem.Wait();
  }
  NamedSemaphore again("sem-fresh", 3, 3);
  EXPECT_EQ(again.Count(), 3);
  EXPECT_EQ(again.Maximum(), 3);
}

TEST(NamedSemaphore, ReleaseBeyondTheMaximumGivesNothingBack) {
  NamedSemaphore sem("sem-max", 1, 2);
  EXPECT_FALSE(sem.Release(2));
  EXPECT_EQ(sem.Count(), 1);
  EXPECT_TRUE(sem.Release(1));
  EXPECT_FALSE(sem.Release(1));
  EXPECT_FALSE(sem.Release(0));
  EXPECT_EQ(sem.Count(), 2);
}

TEST(NamedSemaphore, WaitForTimesOutAndWakesOnRelease) {
  NamedSemaphore sem("sem-wake", 0, 1);
  EXPECT_FALSE(sem.WaitFor(10ms));
  std::thread releaser([] {
    NamedSemaphore other("sem-wake", 0, 1);
    std::this_thread::sleep_for(20ms);
    other.Release();
  });
  EXPECT_TRUE(sem.WaitFor(10s));
  releaser.join();
}

TEST(NamedSemaphore, NeverLetsMoreThanItsCountIn) {
  constexpr int kCount = 3;
  NamedSemaphore keeper("sem-bound", kCount, kCount);
  std::atomic<int> inside{0};
  std::atomic<int> most{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 12; ++t) {
    threads.emplace_back([&] {
      for (int round = 0; round < 50; ++round) {
        NamedSemaphore sem("sem-bound", kCount, kCount);
        sem.Wait();
        int now = ++inside;
        int seen = most.load();
        while (now > seen && !most.compare_exchange_weak(seen, now)) {
        }
        std::this_thread::yield();
        --inside;
        sem.Release();
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_LE(most.load(), kCount);
  EXPECT_EQ(keeper.Count(), kCount);
}

#ifdef _WIN32
// On Windows the name is the system's: any program of the session opening it
// shares the count, and it is gone with the last handle.
TEST(NamedSemaphore, IsTheSystemsObjectOfThatName) {
  {
    NamedSemaphore sem("vyk-test-system-semaphore", 2, 2);
    sem.Wait();
    HANDLE other = OpenSemaphoreW(SEMAPHORE_ALL_ACCESS, FALSE, L"vyk-test-system-semaphore");
    ASSERT_NE(other, nullptr);
    LONG previous = -1;
    EXPECT_TRUE(ReleaseSemaphore(other, 1, &previous));
    EXPECT_EQ(previous, 1);
    EXPECT_EQ(sem.Count(), 2);
    EXPECT_EQ(sem.Maximum(), 2);
    CloseHandle(other);
  }
  EXPECT_EQ(OpenSemaphoreW(SYNCHRONIZE, FALSE, L"vyk-test-system-semaphore"), nullptr);
}
#endif

}  // namespace
}  // namespace vyk
