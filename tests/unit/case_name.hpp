// The name of a parameterised case, for INSTANTIATE_TEST_SUITE_P: the case's
// own `what` field, so that `ctest -R` finds it by a word a reader can type.
// GoogleTest refuses a name that is empty, repeated within the suite or holds
// anything but letters, digits and underscores.
#pragma once

#include <gtest/gtest.h>

#include <string>

struct case_name {
    template <class Case>
    std::string operator()(const testing::TestParamInfo<Case>& info) const
    {
        return info.param.what;
    }
};
