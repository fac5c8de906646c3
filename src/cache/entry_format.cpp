#include "cache/entry_format.hpp"

#include "platform/byte_packing.hpp"

#include <cstring>
#include <memory>
#include <new>
#include <xxhash.h>

namespace {

constexpr std::string_view magic("\x89vestrel", 8);
constexpr std::uint32_t format_version = 2;
constexpr std::size_t checksum_at = 64;

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
    byte_packer header;
    header.raw(magic);
    header.number(format_version, 4);
    header.number(0, 4);  // flags
    header.raw({reinterpret_cast<const char*>(key.bytes.data()), key.bytes.size()});
    header.number(payload.size());
    header.number(0);
    const XXH128_canonical_t checksum = checksum_of(header.bytes, payload);
    header.raw({reinterpret_cast<const char*>(checksum.digest), sizeof checksum.digest});
    return std::move(header.bytes);
}

std::optional<std::uint64_t> checked_payload_length(const cache_key& key, std::string_view header,
                                                    std::uint64_t entry_size)
{
    if (header.size() != entry_header_size)
        return std::nullopt;
    byte_unpacker fields(header);
    const std::string_view key_bytes(reinterpret_cast<const char*>(key.bytes.data()),
                                     key.bytes.size());
    if (fields.raw(magic.size()) != magic || fields.number(4) != format_version
        || fields.number(4) != 0 || fields.raw(key_bytes.size()) != key_bytes)
        return std::nullopt;
    const std::uint64_t length = fields.number();
    if (fields.number() != 0 || entry_size < entry_header_size
        || length != entry_size - entry_header_size)
        return std::nullopt;
    return length;
}

bool checksum_matches(std::string_view header, std::string_view payload)
{
    const XXH128_canonical_t checksum = checksum_of(header, payload);
    return std::memcmp(header.data() + checksum_at, checksum.digest, sizeof checksum.digest) == 0;
}
