// The key of a cache entry: a SHA-256 digest of the byte strings that decide
// what the entry holds.
#pragma once

#include <array>
#include <initializer_list>
#include <string>
#include <string_view>

struct cache_key {
    std::array<unsigned char, 32> bytes{};

    // The 64 lower-case hex digits of the bytes, first byte first; the name
    // of the key's entry.
    std::string hex() const;

    bool operator==(const cache_key&) const = default;
};

// The key of a list of byte strings: each part's length and bytes go into
// the hash, so ("ab","c") and ("a","bc") differ, and so do () and ("").
// Costs one pass of SHA-256 over the parts. Throws std::runtime_error only
// when libcrypto cannot provide SHA-256 at all.
cache_key make_key(std::initializer_list<std::string_view> parts);

// What the cache keys on for a repaired page: the bytes Tidy reads, the
// encoding Tidy is told they are in, and the versions of everything that
// turns them into a document. A change in any of these gives another key;
// nothing else does.
struct repair_key_parts {
    std::string_view text;
    std::string_view tidy_encoding;
    // The program's own part of the repair: its settings, pruning, attempts.
    int repair_version = 0;
    std::string_view tidy_release;
    std::string_view xml_parser_release;
};

cache_key repair_key(const repair_key_parts& parts);
