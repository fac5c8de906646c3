#include "platform/system_io.hpp"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

struct descriptor_pair {
    int ends[2] = {-1, -1};
    ~descriptor_pair()
    {
        for (const int end : ends)
            if (end >= 0)
                close(end);
    }
};

std::string read_to_end(int fd)
{
    std::string text;
    char buffer[4096];
    for (ssize_t got; (got = read_some(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(got));
    return text;
}

}

// A pipe left non-blocking, whose reader takes its time: everything arrives.
TEST(system_io, write_all_waits_on_a_non_blocking_pipe)
{
    descriptor_pair pipe_ends;
    ASSERT_EQ(pipe(pipe_ends.ends), 0);
    fcntl(pipe_ends.ends[1], F_SETFL, O_NONBLOCK);
    const std::string text(1 << 20, 'x');
    std::string received;
    std::thread reader([&] {
        usleep(50000);
        received = read_to_end(pipe_ends.ends[0]);
    });
    EXPECT_FALSE(write_all(pipe_ends.ends[1], text));
    close(pipe_ends.ends[1]);
    pipe_ends.ends[1] = -1;
    reader.join();
    EXPECT_EQ(received, text);
}

// A socket whose peer is gone fails with EPIPE; the process lives on even
// with SIGPIPE at its default.
TEST(system_io, send_all_to_a_closed_peer_fails_without_a_signal)
{
    descriptor_pair sockets;
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, sockets.ends), 0);
    close(sockets.ends[1]);
    sockets.ends[1] = -1;
    const auto before = std::signal(SIGPIPE, SIG_DFL);
    EXPECT_EQ(send_all(sockets.ends[0], "lost"), system_failure(EPIPE));
    std::signal(SIGPIPE, before);
}

TEST(system_io, read_exactly_fails_when_the_input_ends_first)
{
    descriptor_pair pipe_ends;
    ASSERT_EQ(pipe(pipe_ends.ends), 0);
    ASSERT_FALSE(write_all(pipe_ends.ends[1], "abcdef"));
    close(pipe_ends.ends[1]);
    pipe_ends.ends[1] = -1;
    char first[4];
    EXPECT_TRUE(read_exactly(pipe_ends.ends[0], first, sizeof first));
    EXPECT_EQ(std::string(first, 4), "abcd");
    char rest[4];
    EXPECT_FALSE(read_exactly(pipe_ends.ends[0], rest, sizeof rest));
}
