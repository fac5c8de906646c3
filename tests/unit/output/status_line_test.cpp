#include "output/status_line.hpp"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

struct text_case {
    const char* what;
    run_progress progress;
    status_clock::duration elapsed;
    // How long the oldest input has been worked on; none: it waits.
    std::optional<status_clock::duration> oldest_for;
    std::size_t columns;
    std::string text;
};

run_progress counts(std::size_t done, std::size_t known, bool more, std::size_t results,
                    std::string oldest = "slow.html")
{
    run_progress progress;
    progress.inputs_done = done;
    progress.inputs_known = known;
    progress.more_may_come = more;
    progress.results = results;
    progress.oldest_name = std::move(oldest);
    return progress;
}

// 46 columns: "vestrel: 1 of 2 inputs, 0 results, 0:14, 0.1/s".
const std::string short_run = "vestrel: 1 of 2 inputs, 0 results, 0:14, 0.1/s";

// The fixed part is ASCII; only the name may be wider than its bytes say,
// and it is the part that gives way.
const text_case text_cases[] = {
    {"thousands", counts(1204, 20000, false, 3811), 14s, std::nullopt, 80,
     "vestrel: 1,204 of 20,000 inputs, 3,811 results, 0:14, 86/s"},
    {"at_least_while_arguments_remain", counts(5, 7, true, 1), 2s, std::nullopt, 80,
     "vestrel: 5 of at least 7 inputs, 1 result, 0:02, 2.5/s"},
    {"one_input_under_a_second", counts(0, 1, false, 0), 500ms, std::nullopt, 80,
     "vestrel: 0 of 1 input, 0 results, 0:00, 0.0/s"},
    {"hours", counts(3000000, 3000000, false, 4000000), 3723s, std::nullopt, 80,
     "vestrel: 3,000,000 of 3,000,000 inputs, 4,000,000 results, 1:02:03, 806/s"},
    {"slow_page", counts(1, 2, false, 0), 14s, 12s, 80, short_run + ", slow.html 12 s"},
    {"not_slow_at_the_bound", counts(1, 2, false, 0), 14s, slow_input_after, 80, short_run},
    {"slow_just_past_the_bound", counts(1, 2, false, 0), 14s, slow_input_after + 1ms, 80,
     short_run + ", slow.html 3 s"},
    {"control_characters", counts(1, 2, false, 0, "a\033[2Jb\n\x7f.html"), 14s, 12s, 80,
     short_run + ", a?[2Jb??.html 12 s"},
    {"c1_control", counts(1, 2, false, 0, "x\xc2\x9b" "1m.html"), 14s, 12s, 80,
     short_run + ", x?1m.html 12 s"},
    {"not_utf8", counts(1, 2, false, 0, "caf\xe9\xc3.html"), 14s, 12s, 80,
     short_run + ", caf??.html 12 s"},
    {"utf8_kept", counts(1, 2, false, 0, "caf\xc3\xa9.html"), 14s, 12s, 80,
     short_run + ", caf\xc3\xa9.html 12 s"},
    {"long_name_keeps_its_end", counts(1, 2, false, 0, "a-very-long-name.html"), 14s, 12s, 64,
     short_run + ", ...me.html 12 s"},
    {"wide_characters_count_two", counts(1, 2, false, 0, "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e.html"),
     14s, 12s, 64, short_run + ", ...\xe8\xaa\x9e.html 12 s"},
    {"no_room_for_the_name", counts(1, 2, false, 0), 14s, 12s, 57, short_run},
    {"one_column", counts(1, 2, false, 0), 14s, std::nullopt, 1, ""},
};

class status_text_test : public testing::TestWithParam<text_case> {};

TEST_P(status_text_test, says_where_the_run_is)
{
    const text_case& c = GetParam();
    const status_clock::time_point start{};
    const status_clock::time_point now = start + c.elapsed;
    run_progress progress = c.progress;
    if (c.oldest_for)
        progress.oldest_since = now - *c.oldest_for;
    EXPECT_EQ(status_text(progress, start, now, c.columns), c.text);
}

void PrintTo(const text_case& c, std::ostream* out)
{
    *out << c.what;
}

INSTANTIATE_TEST_SUITE_P(status_line, status_text_test, testing::ValuesIn(text_cases),
                         [](const auto& info) { return std::string(info.param.what); });

}
