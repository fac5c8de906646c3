#include "loading/large_stack.hpp"

#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <pthread.h>
#include <stdexcept>
#include <thread>

namespace {

std::size_t current_stack_size()
{
    pthread_attr_t attr;
    std::size_t size = 0;
    if (pthread_getattr_np(pthread_self(), &attr) == 0) {
        pthread_attr_getstacksize(&attr, &size);
        pthread_attr_destroy(&attr);
    }
    return size;
}

// Recurses depth levels with a kibibyte of stack each; returns a checksum so
// that the frames cannot be optimised away.
std::uint64_t recurse(int depth)
{
    volatile unsigned char frame[1024];
    frame[0] = static_cast<unsigned char>(depth);
    frame[sizeof frame - 1] = 1;
    if (depth == 0)
        return frame[0];
    return recurse(depth - 1) + frame[0] + frame[sizeof frame - 1];
}

}

TEST(run_on_large_stack, work_gets_the_requested_stack)
{
    std::size_t seen = 0;
    std::thread::id worker;
    run_on_large_stack([&] {
        seen = current_stack_size();
        worker = std::this_thread::get_id();
    });
    EXPECT_GE(seen, large_stack_bytes);
    EXPECT_NE(worker, std::this_thread::get_id());
}

TEST(run_on_large_stack, recursion_far_deeper_than_a_main_thread_allows)
{
    // 64 MiB of frames: eight times the usual main-thread stack.
    constexpr int depth = 64 * 1024;
    std::uint64_t sum = 0;
    run_on_large_stack([&] { sum = recurse(depth); });
    EXPECT_GT(sum, std::uint64_t(depth));
}

TEST(run_on_large_stack, exception_reaches_the_caller)
{
    EXPECT_THROW(run_on_large_stack([] { throw std::runtime_error("from the worker"); }),
                 std::runtime_error);
}

TEST(run_on_large_stack, runs_on_the_caller_when_no_thread_can_be_made)
{
    bool ran = false;
    std::thread::id worker;
    run_on_large_stack([&] {
        ran = true;
        worker = std::this_thread::get_id();
    }, std::numeric_limits<std::size_t>::max() / 2);
    EXPECT_TRUE(ran);
    EXPECT_EQ(worker, std::this_thread::get_id());
}

TEST(run_on_large_stack, nested_calls_reuse_the_large_stack)
{
    std::thread::id outer, inner, small;
    run_on_large_stack([&] {
        outer = std::this_thread::get_id();
        run_on_large_stack([&] { inner = std::this_thread::get_id(); });
        // A request for more than this thread has gets a thread of its own.
        run_on_large_stack([&] { small = std::this_thread::get_id(); },
                           large_stack_bytes + (std::size_t(1) << 20));
    });
    EXPECT_NE(outer, std::this_thread::get_id());
    EXPECT_EQ(inner, outer);
    EXPECT_NE(small, outer);
}
