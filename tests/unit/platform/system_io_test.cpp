#include "platform/system_io.hpp"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/socket.h>
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
