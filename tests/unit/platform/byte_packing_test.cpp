#include "platform/byte_packing.hpp"

#include <gtest/gtest.h>

// The layout on disk does not depend on the machine: least significant byte
// first, texts after their 8-byte length.
TEST(byte_packing, numbers_least_significant_byte_first)
{
    byte_packer packer;
    packer.number(0x0102030405060708);
    packer.number(0x0a0b, 2);
    packer.number(0x1ff, 1);
    packer.text("ab");
    EXPECT_EQ(packer.bytes, std::string("\x08\x07\x06\x05\x04\x03\x02\x01"
                                        "\x0b\x0a"
                                        "\xff"
                                        "\x02\0\0\0\0\0\0\0ab",
                                        21));
}

TEST(byte_packing, what_was_packed_comes_back)
{
    byte_packer packer;
    packer.number(~0ull);
    packer.text(std::string("\0\xff", 2));
    packer.text("");
    packer.number(7, 4);
    byte_unpacker unpacker(packer.bytes);
    EXPECT_EQ(unpacker.number(), ~0ull);
    EXPECT_EQ(unpacker.text(), std::string("\0\xff", 2));
    EXPECT_EQ(unpacker.text(), "");
    EXPECT_EQ(unpacker.number(4), 7u);
    EXPECT_FALSE(unpacker.failed);
    EXPECT_TRUE(unpacker.rest.empty());
}

// Bytes cut short, or a length larger than what is left, fail for good.
TEST(byte_packing, running_past_the_end_fails_for_good)
{
    const std::string cut_cases[] = {
        std::string("\x01\x02\x03", 3),                       // a number cut short
        std::string("\x05\0\0\0\0\0\0\0abc", 11),             // a text longer than the rest
        std::string("\xff\xff\xff\xff\xff\xff\xff\xff", 8),  // a length past any size
    };
    for (const std::string& bytes : cut_cases) {
        byte_unpacker unpacker(bytes);
        if (bytes.size() < 8)
            EXPECT_EQ(unpacker.number(), 0u);
        else
            EXPECT_EQ(unpacker.text(), "");
        EXPECT_TRUE(unpacker.failed);
        EXPECT_EQ(unpacker.number(1), 0u);
        EXPECT_TRUE(unpacker.failed);
    }
}
