#include "cli/inputs.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Bytes 1..255 over and over: no NUL, line ends included.
std::string byte_pattern(std::size_t size)
{
    std::string text(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        text[i] = static_cast<char>(1 + i % 255);
    return text;
}

// The whole content of an open file.
std::string content_of(int fd)
{
    std::string text;
    char buffer[65536];
    for (ssize_t got; (got = read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(got));
    return text;
}

class opening_test : public testing::Test {
protected:
    void SetUp() override
    {
        directory = std::filesystem::temp_directory_path()
                    / ("vestrel-read-" + std::to_string(getpid()));
        std::filesystem::create_directories(directory);
    }
    void TearDown() override { std::filesystem::remove_all(directory); }

    std::string path(const std::string& name) const { return (directory / name).string(); }

    std::filesystem::path directory;
};

TEST_F(opening_test, a_regular_file_opens_either_way_and_reads_byte_for_byte)
{
    const std::string content = byte_pattern(300000);
    std::ofstream(path("page.html"), std::ios::binary) << content;
    input_file files[] = {open_argument(path("page.html")), open_found(path("page.html"))};
    for (const input_file& file : files) {
        ASSERT_TRUE(file.is_open());
        EXPECT_FALSE(file.is_directory());
        EXPECT_EQ(std::size_t(file.status.st_size), content.size());
        EXPECT_TRUE(content_of(file.file.fd) == content);
    }
}

TEST_F(opening_test, a_missing_file_opens_neither_way)
{
    EXPECT_FALSE(open_argument(path("missing.html")).is_open());
    EXPECT_FALSE(open_found(path("missing.html")).is_open());
}

// A directory named as an argument opens (and is then skipped as one); one
// that a pattern finds is passed over at once.
TEST_F(opening_test, directories)
{
    const input_file named = open_argument(directory.string());
    ASSERT_TRUE(named.is_open());
    EXPECT_TRUE(named.is_directory());
    EXPECT_FALSE(open_found(directory.string()).is_open());
}

// A FIFO that a pattern finds is passed over without waiting for a writer.
TEST_F(opening_test, a_fifo_found_by_a_pattern_is_passed_over)
{
    ASSERT_EQ(mkfifo(path("pipe.html").c_str(), 0600), 0);
    EXPECT_FALSE(open_found(path("pipe.html")).is_open());
}

TEST_F(opening_test, moving_a_file_hands_over_its_descriptor)
{
    std::ofstream(path("a.html")) << "a";
    input_file first = open_argument(path("a.html"));
    const int fd = first.file.fd;
    input_file second = std::move(first);
    EXPECT_FALSE(first.is_open());
    EXPECT_EQ(second.file.fd, fd);
    first = std::move(second);
    EXPECT_EQ(first.file.fd, fd);
    EXPECT_EQ(content_of(first.file.fd), "a");
}

}
