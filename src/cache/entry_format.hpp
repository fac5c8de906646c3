// The bytes of one cache entry, made and verified apart from any file.
//
// An entry is an 80-byte header, then the payload as it is; numbers are
// unsigned and stored least significant byte first:
//   offset  size
//        0     8  magic: 0x89 then "vestrel"
//        8     4  format version, 2
//       12     4  flags, 0
//       16    32  the key the entry was stored under
//       48     8  the payload's length
//       56     8  0
//       64    16  XXH3-128 of the 64 bytes above and the payload
//       80        the payload
// The checksum finds damage, not forgery: nobody but the cache's owner may
// write its directory.
#pragma once

#include "cache/cache_key.hpp"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

constexpr std::size_t entry_header_size = 80;

// The header of the entry for payload under key.
std::string entry_header(const cache_key& key, std::string_view payload);

// The payload length that a header says, when every field of it is as
// entry_header writes it for this key and the entry is entry_size bytes
// long; none otherwise.
std::optional<std::uint64_t> checked_payload_length(const cache_key& key, std::string_view header,
                                                    std::uint64_t entry_size);

// Whether the header's checksum is that of its fields and the payload.
bool checksum_matches(std::string_view header, std::string_view payload);
