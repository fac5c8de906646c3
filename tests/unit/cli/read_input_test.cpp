#include "cli/inputs.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

struct file_closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Bytes 0..255 over and over, NULs and line ends included.
std::string byte_pattern(std::size_t size)
{
    std::string text(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        text[i] = static_cast<char>(i % 256);
    return text;
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
    const std::unique_ptr<std::FILE, file_closer> file(std::tmpfile());
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fwrite(content.data(), 1, content.size(), file.get()), content.size());
    std::rewind(file.get());

    const std::string text = read_whole(file.get(), expected_size);
    ASSERT_EQ(text.size(), content.size());
    EXPECT_TRUE(text == content);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, read_whole_sizes,
    testing::Values(sized_read_case{0, 0}, sized_read_case{0, 100}, sized_read_case{1, 1},
                    sized_read_case{1, 0}, sized_read_case{65535, 65535},
                    sized_read_case{65536, 65536}, sized_read_case{65537, 65537},
                    sized_read_case{65537, 65536}, sized_read_case{200000, 1000},
                    sized_read_case{200000, 400000}, sized_read_case{200000, 200000}));

class read_input_file_test : public testing::Test {
protected:
    void SetUp() override
    {
        directory = std::filesystem::temp_directory_path()
                    / ("vestrel-read-" + std::to_string(getpid()));
        std::filesystem::create_directories(directory);
    }
    void TearDown() override { std::filesystem::remove_all(directory); }

    std::filesystem::path directory;
};

TEST_F(read_input_file_test, ReadsARegularFileByteForByte)
{
    const std::string content = byte_pattern(300000);
    const auto name = (directory / "page.html").string();
    std::ofstream(name, std::ios::binary) << content;

    const auto text = read_input_file(name);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->size(), content.size());
    EXPECT_TRUE(*text == content);
}

TEST_F(read_input_file_test, GivesNothingForADirectoryOrAMissingFile)
{
    EXPECT_FALSE(read_input_file(directory.string()).has_value());
    EXPECT_FALSE(read_input_file((directory / "missing.html").string()).has_value());
}

TEST_F(read_input_file_test, ReadsAnEmptyFileAsEmptyText)
{
    const auto name = (directory / "empty.html").string();
    std::ofstream(name, std::ios::binary).flush();
    const auto text = read_input_file(name);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(*text, "");
}

}
