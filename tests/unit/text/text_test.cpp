#include "text/text.hpp"

#include <climits>
#include <gtest/gtest.h>

TEST(to_int, placeholder) { EXPECT_EQ(to_int("12"), 12); }
