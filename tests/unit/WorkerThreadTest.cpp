#include "platform/WorkerThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>
#include <vector>

#include "platform/Tick.h"

namespace quillon {
namespace {

TEST(Tick, DifferenceSurvivesTheWrapOfTheCounter) {
    struct Case {
        std::uint32_t now, start, elapsed;
    };
    const Case cases[] = {
        {100, 40, 60},
        {7, 7, 0},
        {5, 0xFFFFFFF0u, 21},
        {0, 0xFFFFFFFFu, 1},
        {0xFFFFFFFFu, 0, 0xFFFFFFFFu},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TickDiff(c.now, c.start), c.elapsed) << c.now << " - " << c.start;
    }
}

TEST(Tick, ACounterAboutToWrapStillMeasuresElapsedTime) {
    SetTickOffsetForTesting(0u - GetTickCount() - 10);  // the count wraps in ~10 ms
    const std::uint32_t start = GetTickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    const std::uint32_t now = GetTickCount();
    SetTickOffsetForTesting(0);
    EXPECT_LT(now, start) << "the counter should have wrapped";
    EXPECT_GE(TickDiff(now, start), 40u);
    EXPECT_LT(TickDiff(now, start), 60'000u);
}

// A body that runs until the test opens its gate.
struct Gate {
    std::promise<void> open;
    std::shared_future<void> opened = open.get_future().share();
};

TEST(WorkerThread, WaitForTellsWhetherTheThreadHasEnded) {
    Gate gate;
    auto thread = WorkerThread::Start([opened = gate.opened] { opened.wait(); });
    ASSERT_TRUE(thread.valid());
    EXPECT_FALSE(thread.WaitFor(0));
    EXPECT_FALSE(thread.WaitFor(30));
    gate.open.set_value();
    EXPECT_TRUE(thread.WaitFor(60'000));
    EXPECT_TRUE(thread.WaitFor(0));  // and stays so
}

TEST(WorkerThread, AnEmptyHandleHasNothingToWaitFor) {
    WorkerThread none;
    EXPECT_FALSE(none.valid());
    EXPECT_TRUE(none.WaitFor(0));
    none.Close();
}

TEST(WorkerThread, AClosedHandlesThreadRunsOnAndIsJoinedAtTheEnd) {
    Gate gate;
    std::atomic<bool> finished{false};
    auto thread = WorkerThread::Start([opened = gate.opened, &finished] {
        opened.wait();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        finished = true;
    });
    thread.Close();  // as the refresh does after its bounded wait
    EXPECT_FALSE(thread.valid());
    EXPECT_FALSE(finished);
    gate.open.set_value();
    JoinOutstandingWorkerThreads();
    // Joined means the body has returned, not merely been let go.
    EXPECT_TRUE(finished);
}

TEST(WorkerThread, ReplacingOrDroppingARunningHandleNeverBlocksOrLosesTheThread) {
    Gate gate;
    std::atomic<int> finished{0};
    const auto body = [opened = gate.opened, &finished] {
        opened.wait();
        ++finished;
    };
    {
        auto a = WorkerThread::Start(body);
        auto b = WorkerThread::Start(body);
        a = std::move(b);  // the first thread's handle is closed, not joined
        WorkerThread c(std::move(a));
        EXPECT_FALSE(a.valid());
        EXPECT_TRUE(c.valid());
        EXPECT_FALSE(c.WaitFor(0));
    }  // c closes here while its thread still waits at the gate
    EXPECT_EQ(finished, 0);
    gate.open.set_value();
    JoinOutstandingWorkerThreads();
    EXPECT_EQ(finished, 2);
}

TEST(WorkerThread, AThreadOutlivingItsHandleKeepsItsSharedDataAlive) {
    // The worker owns a share of what it writes to; when the starter lets go
    // of both its handle and its own share, the data lives until the worker
    // is done with it (ASan would catch a write to freed memory here).
    Gate gate;
    auto data = std::make_shared<std::vector<int>>();
    const std::weak_ptr<std::vector<int>> watch = data;
    auto thread = WorkerThread::Start([opened = gate.opened, data] {
        opened.wait();
        for (int i = 0; i < 1000; ++i) {
            data->push_back(i);
        }
    });
    EXPECT_FALSE(thread.WaitFor(10));
    thread.Close();
    data.reset();
    EXPECT_FALSE(watch.expired());
    gate.open.set_value();
    JoinOutstandingWorkerThreads();
    EXPECT_TRUE(watch.expired());
}

TEST(WorkerThread, ManyShortThreadsClosedEarlyAreAllCollected) {
    std::atomic<int> finished{0};
    for (int i = 0; i < 64; ++i) {
        auto thread = WorkerThread::Start([&finished] {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            ++finished;
        });
        thread.Close();
    }
    JoinOutstandingWorkerThreads();
    EXPECT_EQ(finished, 64);
}

}  // namespace
}  // namespace quillon
