#include "jobs/message_io.hpp"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

// Both ends of a socket pair, closed with the object.
struct socket_pair {
    int ends[2] = {-1, -1};
    socket_pair()
    {
        if (socketpair(AF_UNIX, SOCK_STREAM, 0, ends) != 0)
            throw std::runtime_error("socketpair failed");
    }
    ~socket_pair()
    {
        close_end(0);
        close_end(1);
    }
    void close_end(int i)
    {
        if (ends[i] >= 0)
            close(ends[i]);
        ends[i] = -1;
    }
};

std::string bytes_of(std::size_t size, char seed)
{
    std::string text(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        text[i] = static_cast<char>(seed + i * 7);
    return text;
}

// Messages of every shape come through whole, one after another, even when
// they are far larger than the socket's buffer.
TEST(message_io, messages_arrive_as_they_were_sent)
{
    std::vector<message> sent = {
        {},
        {""},
        {"one"},
        {"", "", ""},
        {std::string("\0\n\xff", 3), "x"},
        {bytes_of(65535, 'a'), bytes_of(65536, 'b'), bytes_of(65537, 'c')},
        {bytes_of(3 << 20, 'd')},
    };
    message many;
    for (int i = 0; i < 20000; ++i)
        many.push_back(bytes_of(static_cast<std::size_t>(i % 50), char(i)));
    sent.push_back(many);

    socket_pair pair;
    std::thread writer([&] {
        for (const message& m : sent)
            EXPECT_TRUE(send_message(pair.ends[0], m));
        pair.close_end(0);
    });
    for (const message& expected : sent) {
        const auto received = receive_message(pair.ends[1]);
        ASSERT_TRUE(received.has_value());
        EXPECT_TRUE(*received == expected) << expected.size() << " parts";
    }
    EXPECT_FALSE(receive_message(pair.ends[1]).has_value());
    writer.join();
}

TEST(message_io, a_message_cut_short_is_no_message)
{
    const message whole = {"first part", "second part"};
    for (const std::size_t kept : {std::size_t(3), std::size_t(8), std::size_t(20),
                                   std::size_t(30), std::size_t(44)}) {
        SCOPED_TRACE(kept);
        socket_pair pair;
        socket_pair staging;
        ASSERT_TRUE(send_message(staging.ends[0], whole));
        std::string bytes(kept, '\0');
        ASSERT_EQ(read(staging.ends[1], bytes.data(), kept), static_cast<ssize_t>(kept));
        ASSERT_EQ(write(pair.ends[0], bytes.data(), kept), static_cast<ssize_t>(kept));
        pair.close_end(0);
        EXPECT_FALSE(receive_message(pair.ends[1]).has_value());
    }
}

TEST(message_io, sending_to_a_closed_end_fails_without_a_signal)
{
    socket_pair pair;
    pair.close_end(1);
    EXPECT_FALSE(send_message(pair.ends[0], {"nobody listens"}));
}

}

// A descriptor sent with a message arrives with that message and no other,
// as a descriptor of the receiver's own onto the same open file.
TEST(message_io, a_descriptor_travels_with_its_message)
{
    socket_pair pair;
    int pipe_ends[2];
    ASSERT_EQ(pipe(pipe_ends), 0);
    ASSERT_EQ(write(pipe_ends[1], "bytes", 5), 5);
    close(pipe_ends[1]);
    const message big = {bytes_of(200000, 'p')};
    std::thread writer([&] {
        EXPECT_TRUE(send_message(pair.ends[0], {"before"}));
        EXPECT_TRUE(send_message(pair.ends[0], big, pipe_ends[0]));
        EXPECT_TRUE(send_message(pair.ends[0], {"after"}));
    });
    for (const message& expected : {message{"before"}, big, message{"after"}}) {
        owned_fd file;
        const auto received = receive_message(pair.ends[1], &file);
        ASSERT_TRUE(received.has_value());
        EXPECT_TRUE(*received == expected);
        if (expected == big) {
            ASSERT_GE(file.fd, 0);
            EXPECT_NE(file.fd, pipe_ends[0]);
            char got[8] = {};
            EXPECT_EQ(read(file.fd, got, sizeof got), 5);
            EXPECT_EQ(std::string(got, 5), "bytes");
        } else {
            EXPECT_EQ(file.fd, -1);
        }
    }
    writer.join();
    close(pipe_ends[0]);
}
