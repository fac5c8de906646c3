// The status line of a long run, with standard error on a pseudo-terminal:
// where it shows, that a message written meanwhile stands on a line of its
// own, and that the terminal holds at the end what it would hold without it.
#include "harness.hpp"

#include <gtest/gtest.h>

#include <csignal>
#include <regex>

namespace {

using e2e::run_options;
using e2e::run_vestrel;
using e2e::scratch_dir;
using e2e::terminal_options;

// What a terminal of the given width shows after the bytes: printable
// bytes, one column each, a byte past the last column wrapping to the next
// row (a line that wraps cannot be cleared from its end); carriage return;
// line feed, with the carriage return that a terminal adds to it (ONLCR);
// "ESC [ K", which erases to the end of the row. Any other escape sequence
// is counted as unknown.
struct screen {
    std::vector<std::string> rows{""};
    int unknown_escapes = 0;

    screen(std::string_view bytes, std::size_t columns)
    {
        std::size_t column = 0;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const char c = bytes[i];
            if (c == '\r') {
                column = 0;
            } else if (c == '\n') {
                rows.emplace_back();
                column = 0;
            } else if (c == '\033') {
                if (bytes.substr(i, 3) == "\033[K") {
                    rows.back().resize(std::min(rows.back().size(), column));
                    i += 2;
                } else {
                    ++unknown_escapes;
                }
            } else {
                if (column == columns) {
                    rows.emplace_back();
                    column = 0;
                }
                std::string& row = rows.back();
                if (row.size() <= column)
                    row.resize(column + 1, ' ');
                row[column++] = c;
            }
        }
    }

    // The rows, each without its trailing spaces and ended by a line feed;
    // the last row, where the cursor stands, only when it holds something.
    std::string text() const
    {
        std::string shown;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const std::string row = rows[i].substr(0, rows[i].find_last_not_of(' ') + 1);
            if (i + 1 < rows.size() || !row.empty())
                shown += row + "\n";
        }
        return shown;
    }
};

// The status line as drawn: its counts, time and rate.
const std::string status_text =
    "vestrel: [0-9,]+ of (at least )?[0-9,]+ inputs?, [0-9,]+ results?, [0-9]+:[0-9]{2}, "
    "[0-9.,]+/s";

// A page that Tidy would work on for seconds: given up after VESTREL_TIMEOUT=1.
std::string slow_page()
{
    std::string page;
    for (int i = 0; i < 1000; ++i)
        page += "<font>x<div>y";
    return page;
}

void write_pages(const scratch_dir& dir)
{
    dir.write("a.html", "<p>a</p>");
    dir.write("b.html", "<p>b</p>");
    dir.write("c.html", "<p>c</p>");
    dir.write("slow.html", slow_page());
}

// Runs vestrel in the directory, with the pages written there, standard
// error on the terminal.
e2e::run_result run_on_terminal(const scratch_dir& dir, const std::vector<std::string>& args,
                                const std::vector<std::pair<std::string, std::string>>& environment,
                                const terminal_options& terminal)
{
    write_pages(dir);
    run_options options;
    options.environment = environment;
    options.terminal = terminal;
    return run_vestrel(args, dir.path, options);
}

struct shown_case {
    const char* what;
    std::vector<std::string> args;
    std::vector<std::pair<std::string, std::string>> environment;
    terminal_options terminal;
    std::string out;
    // What _all.lst holds at the end, where that is known.
    std::optional<std::string> all_list;
    // What the terminal holds at the end: what it would hold without the line.
    std::string screen;
    // What a drawing of the line matches.
    std::string line;
    int exit_code;
    // Bytes written on the terminal around the message: the line cleared
    // before it and drawn again after it. Empty where the line may or may not
    // stand when the message comes.
    std::string message_bytes;
};

const std::string not_found = "File nothere.html was not found!\n";
const std::string given_up = "vestrel: slow.html: given up after 1 s of CPU time\n";

// Runs in which the line is shown. VESTREL_PROGRESS=1 shows it from the
// first result on; with one job and mode 1, the argument that names nothing
// is resolved only once the inputs before it are written, so its message
// comes while the line stands.
std::vector<shown_case> shown_cases()
{
    const std::vector<std::string> four = {"-m", "1", "p", "a.html", "b.html", "nothere.html",
                                           "c.html"};
    const std::vector<std::pair<std::string, std::string>> forced = {{"VESTREL_PROGRESS", "1"},
                                                                    {"VESTREL_JOBS", "1"}};
    const std::string abc = "<p>a</p>\n\n<p>b</p>\n\n<p>c</p>\n\n";
    const std::string ab = "<p>a</p>\n\n<p>b</p>\n\n";
    const std::string line = "\r" + status_text + "\033\\[K";
    // Cut to 23 columns: "vestrel: 1 of at least " and the like.
    const std::string narrow_line = "\rvestrel: [0-9]+ of at least \033\\[K";
    const std::string dumb_line = "\r" + status_text + " *\r";
    return {
        {"mode_1_forced", four, forced, {80, false, "xterm", {}, false}, "", abc, not_found, line, 0,
         "\r\033[K" + not_found + "\rvestrel: "},
        {"dumb_terminal", four, forced, {80, false, "dumb", {}, false}, "", abc, not_found, dumb_line, 0,
         ""},
        {"no_term", four, forced, {80, false, {}, {}, false}, "", abc, not_found, dumb_line, 0, ""},
        {"narrow_terminal", four, forced, {24, false, "xterm", {}, false}, "", abc,
         "File nothere.html was no\nt found!\n", narrow_line, 0, ""},
        {"mode_0_output_to_a_pipe", {"p", "a.html", "nothere.html", "b.html"}, forced,
         {80, false, "xterm", {}, false}, ab, std::nullopt, not_found, line, 0, ""},
        {"after_a_second", {"-m", "1", "p", "a.html", "slow.html", "b.html"},
         {{"VESTREL_TIMEOUT", "1"}}, {80, false, "xterm", {}, false}, "", ab, given_up, line, 3, ""},
        {"ctrl_c", {"-m", "1", "p", "a.html", "slow.html", "b.html"},
         {{"VESTREL_PROGRESS", "1"}, {"VESTREL_TIMEOUT", "0"}},
         {80, false, "xterm", "inputs, ", false}, "", std::nullopt, "", line, 128 + SIGINT, ""},
    };
}

// A case by its name in GoogleTest's messages.
void PrintTo(const shown_case& c, std::ostream* out)
{
    *out << c.what;
}

class status_line_shown : public testing::TestWithParam<shown_case> {};

TEST_P(status_line_shown, and_gone_at_the_end)
{
    const shown_case& c = GetParam();
    scratch_dir dir;
    const auto run = run_on_terminal(dir, c.args, c.environment, c.terminal);
    EXPECT_EQ(run.exit_code, c.exit_code);
    EXPECT_EQ(run.out, c.out);
    if (c.all_list) {
        EXPECT_EQ(dir.read("_all.lst"), *c.all_list);
    }
    EXPECT_TRUE(std::regex_search(run.err, std::regex(c.line))) << run.err;
    const screen shown(run.err, c.terminal.columns);
    EXPECT_EQ(shown.text(), c.screen) << run.err;
    const bool dumb = !c.terminal.term || *c.terminal.term == "dumb";
    EXPECT_EQ(run.err.find('\033') == std::string::npos, dumb) << run.err;
    EXPECT_EQ(shown.unknown_escapes, 0) << run.err;
    if (!c.message_bytes.empty()) {
        EXPECT_NE(run.err.find(c.message_bytes), std::string::npos) << run.err;
    }
}

INSTANTIATE_TEST_SUITE_P(terminal, status_line_shown, testing::ValuesIn(shown_cases()),
                         [](const auto& info) { return std::string(info.param.what); });

struct hidden_case {
    const char* what;
    std::vector<std::string> args;
    std::vector<std::pair<std::string, std::string>> environment;
    bool standard_output_too;
    bool in_the_background;
    // Every byte written on the terminal, where they are fixed.
    std::optional<std::string> terminal;
};

// Runs on a terminal in which the line is never drawn: everything on it is
// what the run writes without it.
std::vector<hidden_case> hidden_cases()
{
    return {
        {"results_on_the_same_terminal", {"p", "a.html", "nothere.html", "b.html"},
         {{"VESTREL_PROGRESS", "1"}}, true, false, "<p>a</p>\n\n" + not_found + "<p>b</p>\n\n"},
        {"turned_off", {"-m", "1", "p", "a.html", "slow.html", "b.html"},
         {{"VESTREL_PROGRESS", "0"}, {"VESTREL_TIMEOUT", "1"}}, false, false, given_up},
        {"under_a_second", {"-m", "1", "p", "a.html", "nothere.html", "b.html"}, {}, false,
         false, not_found},
        {"in_the_background", {"-m", "1", "p", "a.html", "b.html", "nothere.html", "c.html"},
         {{"VESTREL_PROGRESS", "1"}, {"VESTREL_JOBS", "1"}}, false, true, not_found},
        {"verbose", {"-d", "-m", "1", "p", "a.html", "b.html"}, {{"VESTREL_PROGRESS", "1"}},
         false, false, std::nullopt},
    };
}

void PrintTo(const hidden_case& c, std::ostream* out)
{
    *out << c.what;
}

class status_line_hidden : public testing::TestWithParam<hidden_case> {};

TEST_P(status_line_hidden, leaves_the_terminal_alone)
{
    const hidden_case& c = GetParam();
    scratch_dir dir;
    const auto run = run_on_terminal(
        dir, c.args, c.environment,
        terminal_options{80, c.standard_output_too, "xterm", {}, c.in_the_background});
    EXPECT_FALSE(std::regex_search(run.err, std::regex(status_text))) << run.err;
    if (c.terminal) {
        EXPECT_EQ(run.err, *c.terminal);
    }
    EXPECT_EQ(run.out, "");
}

INSTANTIATE_TEST_SUITE_P(terminal, status_line_hidden, testing::ValuesIn(hidden_cases()),
                         [](const auto& info) { return std::string(info.param.what); });

}
