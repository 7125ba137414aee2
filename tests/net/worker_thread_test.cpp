#include "net/worker_thread.h"

#include "raw_peer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>

namespace pyrandel {
namespace {

// Runs until released; counts its runs.
class GatedWorker : public WorkerThread {
public:
    ~GatedWorker() override
    {
        Release();
        Join();
    }
    void Release() { gate.store(true); }
    std::atomic<int> runs{0};
    std::atomic<bool> start_from_inside{true};

protected:
    void Run() override
    {
        ++runs;
        start_from_inside = Start(); // refused: this thread still runs
        Join();                      // must not wait for itself
        while (!gate.load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

private:
    std::atomic<bool> gate{false};
};

TEST(WorkerThread, StartIsRefusedWhileRunAndWorksAgainAfterItEnded)
{
    GatedWorker worker;
    ASSERT_TRUE(worker.Start());
    ASSERT_TRUE(test::WaitUntil([&] { return worker.runs.load() == 1; }));
    EXPECT_TRUE(worker.Running());
    EXPECT_FALSE(worker.Start());
    worker.Release();
    worker.Join();
    EXPECT_FALSE(worker.Running());
    EXPECT_FALSE(worker.start_from_inside.load());

    ASSERT_TRUE(worker.Start()); // the ended thread is joined first
    ASSERT_TRUE(test::WaitUntil([&] { return worker.runs.load() == 2; }));
    worker.Join();
    EXPECT_EQ(worker.runs.load(), 2);
}

TEST(WorkerThread, JoinWithoutAThreadReturnsAndTwoJoinersBothWaitForTheEnd)
{
    GatedWorker worker;
    worker.Join();
    ASSERT_TRUE(worker.Start());
    auto first = std::async(std::launch::async, [&] {
        worker.Join();
        return worker.Running();
    });
    auto second = std::async(std::launch::async, [&] {
        worker.Join();
        return worker.Running();
    });
    worker.Release();
    EXPECT_FALSE(first.get());
    EXPECT_FALSE(second.get());
}

TEST(WorkerThread, DestructionJoinsAThreadThatWasWoken)
{
    const int threads = test::ThreadsAtStart();
    {
        GatedWorker worker;
        ASSERT_TRUE(worker.Start());
        ASSERT_TRUE(test::WaitUntil([&] { return worker.runs.load() == 1; }));
    }
    EXPECT_TRUE(test::ThreadsBackTo(threads)) << test::Threads() << " threads, " << threads << " before";
}

} // namespace
} // namespace pyrandel
