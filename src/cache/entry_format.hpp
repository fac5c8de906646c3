// The bytes of one cache entry, made and verified apart from any file.
//
// An entry is a 96-byte header, then its body; numbers are unsigned and
// stored least significant byte first:
//   offset  size
//        0     8  magic: 0x89 then "vestrel"
//        8     4  format version, 1
//       12     4  body encoding: 0 the payload as it is, 1 one zstd frame
//       16    32  the key the entry was stored under
//       48     8  the payload's length
//       56     8  the body's length
//       64    32  SHA-256 of the 64 bytes above and the body
//       96        the body
#pragma once

#include "cache/cache_key.hpp"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

constexpr std::size_t entry_header_size = 96;

// The entry for payload under key. The body is the payload compressed with
// zstd at a fast level, or the payload itself when that is no smaller.
// Throws std::bad_alloc when memory runs out.
std::string encode_entry(const cache_key& key, std::string_view payload);

// The payload of an entry that verifies completely: every header field is
// as encode_entry writes it for this key, the length is exact, the checksum
// matches and the body gives exactly the payload's length. None for anything
// else, including when memory runs out.
std::optional<std::string> decode_entry(const cache_key& key, std::string_view entry);
