#include "platform/large_stack.hpp"

#include <cstdint>
#include <fstream>
#include <string>
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

constexpr std::size_t mebibyte = std::size_t(1) << 20;

// A small request runs where it is; a larger one than the thread has left
// gets a thread of its own with at least that stack, and so on inside it.
TEST(run_with_stack, runs_in_place_only_when_the_stack_left_suffices)
{
    struct row {
        std::size_t outer, inner;
        bool inner_in_place;
    };
    const row rows[] = {
        {64 * mebibyte, 16 * mebibyte, true},
        {64 * mebibyte, 128 * mebibyte, false},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.outer << " then " << r.inner);
        std::thread::id outer, inner;
        std::size_t inner_stack = 0;
        EXPECT_EQ(run_with_stack(r.outer, [&] {
            outer = std::this_thread::get_id();
            EXPECT_GE(stack_left(), r.outer);
            EXPECT_EQ(run_with_stack(r.inner, [&] {
                inner = std::this_thread::get_id();
                inner_stack = current_stack_size();
            }), failure{});
        }), failure{});
        EXPECT_NE(outer, std::this_thread::get_id());
        EXPECT_EQ(inner == outer, r.inner_in_place);
        EXPECT_GE(inner_stack, r.inner_in_place ? r.outer : r.inner);
    }
    std::thread::id small;
    EXPECT_FALSE(run_with_stack(64 << 10, [&] { small = std::this_thread::get_id(); }));
    EXPECT_EQ(small, std::this_thread::get_id());
}

// The process's mapped address space, in kiB (VmSize).
std::size_t address_space_kib()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmSize:", 0) == 0)
            return std::stoul(line.substr(7));
    return 0;
}

int* volatile allocated = nullptr;

// A new thread's stack is gone with the thread, whatever its size: none is
// kept for later threads, where a memory limit would count it.
TEST(run_on_new_thread, the_stack_is_given_back_when_the_thread_ends)
{
    // The allocator's first thread other than the main one gets an arena of
    // its own, which stays for the threads after it.
    ASSERT_EQ(run_on_new_thread(64 << 10, [] {
        allocated = new int(1);
        delete allocated;
    }), failure{});
    for (const std::size_t size : {std::size_t(64) << 10, 16 * mebibyte, 256 * mebibyte}) {
        SCOPED_TRACE(size);
        const std::size_t before = address_space_kib();
        std::size_t during = 0;
        std::thread::id ran_on;
        EXPECT_EQ(run_on_new_thread(size, [&] {
            during = address_space_kib();
            ran_on = std::this_thread::get_id();
            EXPECT_GE(stack_left(), size - (std::size_t(16) << 10));
        }), failure{});
        EXPECT_NE(ran_on, std::this_thread::get_id());
        EXPECT_GE(during, before + size / 1024);
        EXPECT_LT(address_space_kib(), before + 1024);
    }
}

TEST(run_with_stack, recursion_far_deeper_than_a_main_thread_allows)
{
    // 64 MiB of frames: eight times the usual main-thread stack.
    constexpr int depth = 64 * 1024;
    std::uint64_t sum = 0;
    // Room for frames twice their plain size, as sanitizers make them.
    EXPECT_FALSE(run_with_stack(256 * mebibyte, [&] { sum = recurse(depth); }));
    EXPECT_GT(sum, std::uint64_t(depth));
}

TEST(run_with_stack, exception_reaches_the_caller)
{
    EXPECT_THROW(run_with_stack(64 * mebibyte, [] { throw std::runtime_error("from the worker"); }),
                 std::runtime_error);
}

// A stack that cannot be had is said, and the work does not run on a stack
// too small for it.
TEST(run_with_stack, says_when_no_such_stack_can_be_had)
{
    bool ran = false;
    EXPECT_TRUE(run_with_stack(std::numeric_limits<std::size_t>::max() / 2, [&] { ran = true; }));
    EXPECT_FALSE(ran);
}
