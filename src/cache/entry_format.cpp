#include "cache/entry_format.hpp"

#include <cstring>
#include <memory>
#include <new>
#include <xxhash.h>

namespace {

constexpr char magic[8] = {'\x89', 'v', 'e', 's', 't', 'r', 'e', 'l'};
constexpr std::uint32_t format_version = 2;

constexpr std::size_t version_at = 8;
constexpr std::size_t flags_at = 12;
constexpr std::size_t key_at = 16;
constexpr std::size_t payload_length_at = 48;
constexpr std::size_t unused_at = 56;
constexpr std::size_t checksum_at = 64;

void put_number(std::string& header, std::size_t at, std::uint64_t number, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i) {
        header[at + i] = static_cast<char>(number & 0xff);
        number >>= 8;
    }
}

std::uint64_t get_number(std::string_view header, std::size_t at, std::size_t size)
{
    std::uint64_t number = 0;
    for (std::size_t i = size; i-- > 0;)
        number = number << 8 | static_cast<unsigned char>(header[at + i]);
    return number;
}

// XXH3-128 of the header's fields and the payload, in its canonical byte
// order.
struct state_free {
    void operator()(XXH3_state_t* state) const { XXH3_freeState(state); }
};

XXH128_canonical_t checksum_of(std::string_view header, std::string_view payload)
{
    const std::unique_ptr<XXH3_state_t, state_free> state(XXH3_createState());
    if (!state)
        throw std::bad_alloc();
    XXH3_128bits_reset(state.get());
    XXH3_128bits_update(state.get(), header.data(), checksum_at);
    XXH3_128bits_update(state.get(), payload.data(), payload.size());
    XXH128_canonical_t canonical;
    XXH128_canonicalFromHash(&canonical, XXH3_128bits_digest(state.get()));
    return canonical;
}

}

std::string entry_header(const cache_key& key, std::string_view payload)
{
    std::string header(entry_header_size, '\0');
    std::memcpy(header.data(), magic, sizeof magic);
    put_number(header, version_at, format_version, 4);
    std::memcpy(header.data() + key_at, key.bytes.data(), key.bytes.size());
    put_number(header, payload_length_at, payload.size(), 8);
    const XXH128_canonical_t checksum = checksum_of(header, payload);
    std::memcpy(header.data() + checksum_at, checksum.digest, sizeof checksum.digest);
    return header;
}

std::optional<std::uint64_t> checked_payload_length(const cache_key& key, std::string_view header,
                                                    std::uint64_t entry_size)
{
    if (header.size() != entry_header_size
        || header.substr(0, sizeof magic) != std::string_view(magic, sizeof magic)
        || get_number(header, version_at, 4) != format_version
        || get_number(header, flags_at, 4) != 0 || get_number(header, unused_at, 8) != 0
        || std::memcmp(header.data() + key_at, key.bytes.data(), key.bytes.size()) != 0)
        return std::nullopt;
    const std::uint64_t length = get_number(header, payload_length_at, 8);
    if (entry_size < entry_header_size || length != entry_size - entry_header_size)
        return std::nullopt;
    return length;
}

bool checksum_matches(std::string_view header, std::string_view payload)
{
    const XXH128_canonical_t checksum = checksum_of(header, payload);
    return std::memcmp(header.data() + checksum_at, checksum.digest, sizeof checksum.digest) == 0;
}

std::string encode_entry(const cache_key& key, std::string_view payload)
{
    std::string entry = entry_header(key, payload);
    entry.append(payload);
    return entry;
}

std::optional<std::string> decode_entry(const cache_key& key, std::string_view entry)
{
    if (entry.size() < entry_header_size)
        return std::nullopt;
    const std::string_view header = entry.substr(0, entry_header_size);
    const std::string_view payload = entry.substr(entry_header_size);
    if (!checked_payload_length(key, header, entry.size()) || !checksum_matches(header, payload))
        return std::nullopt;
    return std::string(payload);
}
