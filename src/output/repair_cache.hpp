// The cache of repaired documents as one run uses it: the key an input's
// repair is kept under, and the store that gives up writing after its first
// failure.
#pragma once

#include "cache/document_cache.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class repair_cache {
public:
    explicit repair_cache(document_cache cache) : cache(std::move(cache)) {}

    // The key of the repair of text as Tidy reads it (decode_page): the
    // bytes, everything else that decides what Tidy and the XML parser make
    // of them (the encoding Tidy is told, the repair's own version, the
    // libraries' releases), and nothing else.
    static cache_key key_of(std::string_view text, const std::string& tidy_encoding);

    // The payload kept under key, when it is no larger than largest.
    std::optional<std::string> lookup(const cache_key& key, std::uint64_t largest) const
    {
        return cache.lookup(key, largest);
    }

    // Stores the payload. After the first failure nothing more is stored in
    // this process; that failure is returned once, as "vestrel: cache DIR:
    // REASON\n", and every other call returns an empty text.
    std::string store(const cache_key& key, std::string_view payload);

private:
    document_cache cache;
    bool writable = true;
};
