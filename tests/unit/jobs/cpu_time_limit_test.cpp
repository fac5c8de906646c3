#include "jobs/cpu_time_limit.hpp"

#include <gtest/gtest.h>

#include <optional>

namespace {

// Decimal digits alone are seconds (read as VESTREL_JOBS is read), 0 among
// them: no limit; past the most there is they saturate. Anything else is
// passed over for the default and kept for the warning.
TEST(cpu_time_limit, settings)
{
    struct setting_case {
        std::optional<std::string> setting;
        unsigned seconds;
        bool ignored;
    };
    const setting_case cases[] = {
        {std::nullopt, default_cpu_seconds, false},
        {"0", 0, false},
        {"030", 30, false},
        {"1000000001", most_cpu_seconds, false},
        {"5m", default_cpu_seconds, true},
        {"", default_cpu_seconds, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.setting.value_or("(unset)"));
        const cpu_time_limit chosen = choose_cpu_time_limit(c.setting ? c.setting->c_str() : nullptr);
        EXPECT_EQ(chosen.seconds, c.seconds);
        EXPECT_EQ(chosen.ignored_setting, c.ignored ? c.setting : std::nullopt);
    }
}

}
