#include "output/repair_cache.hpp"

#include "loading/tidy_worker.hpp"

#include <cstring>
#include <tinyxml2.h>

cache_key repair_cache::key_of(std::string_view text, const std::string& tidy_encoding)
{
    static const std::string versions = "vestrel repair " + std::to_string(repair_version)
        + ", tidy " + tidy_release() + ", tinyxml2 " + std::to_string(TIXML2_MAJOR_VERSION) + "."
        + std::to_string(TIXML2_MINOR_VERSION) + "." + std::to_string(TIXML2_PATCH_VERSION);
    return make_key({versions, tidy_encoding, text});
}

std::string repair_cache::store(const cache_key& key, std::string_view payload)
{
    if (!writable)
        return {};
    const int error = cache.store(key, payload);
    if (error == 0)
        return {};
    writable = false;
    return "vestrel: cache " + cache.directory() + ": " + std::strerror(error) + "\n";
}
