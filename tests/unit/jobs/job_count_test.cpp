#include "jobs/job_count.hpp"

#include <gtest/gtest.h>

#include <optional>

namespace {

TEST(job_count, available_cpus_is_at_least_one)
{
    EXPECT_GE(available_cpus(), 1u);
    EXPECT_LE(available_cpus(), most_jobs);
}

// A positive decimal integer is taken as it is, up to the cap, and one above
// it is capped; anything else is passed over for the default. Either way the
// setting is kept for the warning.
TEST(job_count, settings)
{
    const unsigned cpus = available_cpus();
    struct setting_case {
        std::optional<std::string> setting;
        unsigned count;
        bool ignored;
        bool capped = false;
    };
    const setting_case cases[] = {
        {std::nullopt, cpus, false},
        {"1", 1, false},
        {"2", 2, false},
        {"8", 8, false},
        {"007", 7, false},
        {"256", 256, false},
        {"257", most_jobs, false, true},
        {"0300", most_jobs, false, true},
        {"99999999999999999999", most_jobs, false, true},
        {"0", cpus, true},
        {"000", cpus, true},
        {"-2", cpus, true},
        {"+2", cpus, true},
        {" 2", cpus, true},
        {"2 ", cpus, true},
        {"2x", cpus, true},
        {"1.5", cpus, true},
        {"two", cpus, true},
        {"", cpus, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.setting.value_or("(unset)"));
        const job_count chosen = choose_job_count(c.setting ? c.setting->c_str() : nullptr);
        EXPECT_EQ(chosen.count, c.count);
        EXPECT_EQ(chosen.ignored_setting.has_value(), c.ignored);
        if (c.ignored) {
            EXPECT_EQ(*chosen.ignored_setting, *c.setting);
        }
        EXPECT_EQ(chosen.capped_setting.has_value(), c.capped);
        if (c.capped) {
            EXPECT_EQ(*chosen.capped_setting, *c.setting);
        }
    }
}

}
