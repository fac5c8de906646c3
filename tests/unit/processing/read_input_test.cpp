#include "processing/read_input.hpp"

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
    return read_input(fileno(file.get()), past_nul, expected_size).text;
}

struct sized_read_case {
    std::size_t content_size;
    std::size_t expected_size;
};

class read_input_sizes : public testing::TestWithParam<sized_read_case> {};

// The size given up front only shapes the allocation: the content comes back
// whole and unchanged when the guess is right, too small (a file that grew),
// too large (a file that shrank) or absent, around the 64 KiB read blocks.
TEST_P(read_input_sizes, ReturnsTheWholeContentWhateverTheExpectedSize)
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
    Sizes, read_input_sizes,
    testing::Values(sized_read_case{0, 0}, sized_read_case{0, 100}, sized_read_case{1, 1},
                    sized_read_case{1, 0}, sized_read_case{65535, 65535},
                    sized_read_case{65536, 65536}, sized_read_case{65537, 65537},
                    sized_read_case{65537, 65536}, sized_read_case{200000, 1000},
                    sized_read_case{200000, 400000}, sized_read_case{200000, 200000}),
    sizes_name);

// Reading ends at the first NUL byte, wherever it falls against the read
// blocks, unless the NUL bytes belong to the text.
TEST(read_input, stops_at_the_first_nul_byte_unless_told_otherwise)
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

TEST(read_input, an_endless_device_ends_at_its_first_nul_byte)
{
    const int zero = open("/dev/zero", O_RDONLY);
    ASSERT_GE(zero, 0);
    EXPECT_EQ(read_input(zero, false, 0).text, "");
    close(zero);
}

}
