#include "cache/cache_key.hpp"

#include <gtest/gtest.h>

namespace {

// The key is SHA-256 over the part count and each part's length (eight
// bytes, least significant first) and bytes; pinned, since a change would
// silently make every stored entry unreachable.
TEST(cache_key, keys_are_pinned_and_written_as_64_lower_case_hex_digits)
{
    EXPECT_EQ(make_key({"abc"}).hex(),
              "f3264e782da0229faf1ce594150d008c42c3a301c4647adfc9032269716cd860");
    EXPECT_EQ(make_key({}).hex(),
              "af5570f5a1810b7af78caf4bc70a660f0df51e42baf91d4de5b2328de0e83dfc");
    cache_key counting;
    for (std::size_t i = 0; i < counting.bytes.size(); ++i)
        counting.bytes[i] = static_cast<unsigned char>(i * 8 + 7);
    EXPECT_EQ(counting.hex(),
              "070f171f272f373f474f575f676f777f878f979fa7afb7bfc7cfd7dfe7eff7ff");
}

TEST(cache_key, the_boundaries_between_parts_matter)
{
    using parts = std::initializer_list<std::string_view>;
    const std::vector<cache_key> keys = {
        make_key(parts{"ab", "c"}), make_key(parts{"a", "bc"}),  make_key(parts{"abc"}),
        make_key(parts{"abc", ""}), make_key(parts{"", "abc"}),  make_key(parts{}),
        make_key(parts{""}),        make_key(parts{"", ""}),
        make_key(parts{std::string_view("a\0", 2), "bc"}),
    };
    for (std::size_t i = 0; i < keys.size(); ++i)
        for (std::size_t j = i + 1; j < keys.size(); ++j)
            EXPECT_FALSE(keys[i] == keys[j]) << i << " and " << j;
    EXPECT_EQ(make_key(parts{"ab", "c"}), keys[0]);
}

}
