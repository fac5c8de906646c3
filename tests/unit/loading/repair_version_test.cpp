#include "loading/tidy_worker.hpp"

#include <cstdint>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>

namespace {

std::string fnv1a(const std::string& text)
{
    std::uint64_t hash = 0xcbf29ce484222325u;
    for (const unsigned char c : text) {
        hash ^= c;
        hash *= 0x100000001b3u;
    }
    std::ostringstream hex;
    hex << std::hex;
    hex.width(16);
    hex.fill('0');
    hex << hash;
    return hex.str();
}

}

// The settings of the repair are pinned to its version: changing them
// without a new version would let documents kept under the old one pass for
// the new.
TEST(repair_version, names_the_settings_in_use)
{
    std::ifstream in(std::string(VESTREL_TEST_DATA) + "/repair-versions.txt");
    ASSERT_TRUE(in) << "tests/data/repair-versions.txt is missing";
    std::map<int, std::string> digests;
    std::set<std::string> seen;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        int version = 0;
        std::string digest;
        ASSERT_TRUE(fields >> version >> digest) << line;
        EXPECT_TRUE(digests.emplace(version, digest).second) << "version " << version << " twice";
        EXPECT_TRUE(seen.insert(digest).second) << "two versions of the same settings: " << line;
    }
    ASSERT_FALSE(digests.empty());
    EXPECT_EQ(digests.rbegin()->first, repair_version)
        << "repair_version must name the last version in tests/data/repair-versions.txt";
    EXPECT_EQ(digests[repair_version], fnv1a(repair_settings_text()))
        << "the repair's settings changed: raise repair_version and add its line, with this "
           "digest, to tests/data/repair-versions.txt. The settings now:\n"
        << repair_settings_text();
}
