#include "cli/inputs.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

struct file_closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Bytes 1..255 over and over: no NUL, line ends included.
std::string byte_pattern(std::size_t size)
{
    std::string text(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        text[i] = static_cast<char>(1 + i % 255);
    return text;
}

// The content read back through a temporary file.
std::string read_back(const std::string& content, bool past_nul, std::size_t expected_size)
{
    const std::unique_ptr<std::FILE, file_closer> file(std::tmpfile());
    if (!file || std::fwrite(content.data(), 1, content.size(), file.get()) != content.size())
        throw std::runtime_error("cannot write a temporary file");
    std::fflush(file.get());
    lseek(fileno(file.get()), 0, SEEK_SET);
    return read_whole(fileno(file.get()), past_nul, expected_size).text;
}

struct sized_read_case {
    std::size_t content_size;
    std::size_t expected_size;
};

class read_whole_sizes : public testing::TestWithParam<sized_read_case> {};

// The size given up front only shapes the allocation: the content comes back
// whole and unchanged when the guess is right, too small (a file that grew),
// too large (a file that shrank) or absent, around the 64 KiB read blocks.
TEST_P(read_whole_sizes, ReturnsTheWholeContentWhateverTheExpectedSize)
{
    const auto [content_size, expected_size] = GetParam();
    const std::string content = byte_pattern(content_size);
    const std::string text = read_back(content, false, expected_size);
    ASSERT_EQ(text.size(), content.size());
    EXPECT_TRUE(text == content);
}

// Named by the two sizes: size_65537_guess_65536.
std::string sizes_name(const testing::TestParamInfo<sized_read_case>& info)
{
    return "size_" + std::to_string(info.param.content_size) + "_guess_"
           + std::to_string(info.param.expected_size);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, read_whole_sizes,
    testing::Values(sized_read_case{0, 0}, sized_read_case{0, 100}, sized_read_case{1, 1},
                    sized_read_case{1, 0}, sized_read_case{65535, 65535},
                    sized_read_case{65536, 65536}, sized_read_case{65537, 65537},
                    sized_read_case{65537, 65536}, sized_read_case{200000, 1000},
                    sized_read_case{200000, 400000}, sized_read_case{200000, 200000}),
    sizes_name);

// Reading ends at the first NUL byte, wherever it falls against the read
// blocks, unless the NUL bytes belong to the text.
TEST(read_whole, stops_at_the_first_nul_byte_unless_told_otherwise)
{
    for (const std::size_t at : {std::size_t(0), std::size_t(1), std::size_t(65535),
                                 std::size_t(65536), std::size_t(65537), std::size_t(150000)}) {
        SCOPED_TRACE(at);
        std::string content = byte_pattern(200000);
        content[at] = '\0';
        content[at + 10] = '\0';
        EXPECT_TRUE(read_back(content, false, content.size()) == content.substr(0, at));
        EXPECT_TRUE(read_back(content, true, 0) == content);
    }
}

TEST(read_whole, an_endless_device_ends_at_its_first_nul_byte)
{
    const int zero = open("/dev/zero", O_RDONLY);
    ASSERT_GE(zero, 0);
    EXPECT_EQ(read_whole(zero, false).text, "");
    close(zero);
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
        EXPECT_EQ(regular_size(file), content.size());
        EXPECT_TRUE(read_whole(file.fd, false, regular_size(file)).text == content);
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
    EXPECT_EQ(regular_size(named), 0u);
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
    const int fd = first.fd;
    input_file second = std::move(first);
    EXPECT_FALSE(first.is_open());
    EXPECT_EQ(second.fd, fd);
    first = std::move(second);
    EXPECT_EQ(first.fd, fd);
    EXPECT_EQ(read_whole(first.fd, false).text, "a");
}

}
