// Numbers and texts packed into bytes and read back: the one layout of every
// number the program writes to disk or sends to a worker. Numbers are
// unsigned, least significant byte first, whatever the machine's order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Appends to bytes.
class byte_packer {
public:
    // The number in size bytes (at most 8); higher bytes are dropped.
    void number(std::uint64_t value, std::size_t size = 8);
    // The text's length as an 8-byte number, then its bytes.
    void text(std::string_view value);
    // The bytes as they are.
    void raw(std::string_view value) { bytes += value; }

    std::string bytes;
};

// Reads back, from the front, what a byte_packer wrote. Once something runs
// past the end, failed is set for good and every later read gives 0 or an
// empty text.
class byte_unpacker {
public:
    explicit byte_unpacker(std::string_view bytes) : rest(bytes) {}

    std::uint64_t number(std::size_t size = 8);
    std::string text();
    // The next size bytes as they are.
    std::string_view raw(std::size_t size);

    std::string_view rest;
    bool failed = false;
};
