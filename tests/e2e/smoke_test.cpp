#include "harness.hpp"

#include <gtest/gtest.h>

TEST(smoke, runs) {
    e2e::scratch_dir dir;
    EXPECT_EQ(e2e::run_vestrel({}, dir.path).exit_code, 0);
}
