#include "cache/cache_key.hpp"

#include "cache/sha256.hpp"

std::string cache_key::hex() const
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * bytes.size());
    for (const unsigned char byte : bytes) {
        text += digits[byte >> 4];
        text += digits[byte & 0xf];
    }
    return text;
}

cache_key make_key(std::initializer_list<std::string_view> parts)
{
    sha256 hash;
    hash.update(std::uint64_t(parts.size()));
    for (const std::string_view part : parts) {
        hash.update(std::uint64_t(part.size()));
        hash.update(part);
    }
    return cache_key{hash.finish()};
}

cache_key repair_key(const repair_key_parts& parts)
{
    const std::string versions = "vestrel repair " + std::to_string(parts.repair_version)
        + ", tidy " + std::string(parts.tidy_release) + ", tinyxml2 "
        + std::string(parts.xml_parser_release);
    return make_key({versions, parts.tidy_encoding, parts.text});
}
