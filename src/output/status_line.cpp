#include "output/status_line.hpp"

#include "output/output_modes.hpp"
#include "output/standard_streams.hpp"
#include "text/utf8.hpp"

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The widest line drawn, whatever the terminal says: its clearing must fit
// standing_clearing_limit.
constexpr std::size_t widest_line = 512;

// A count with its thousands separated by commas: "20,000".
std::string with_commas(std::size_t count)
{
    std::string digits = std::to_string(count);
    for (std::size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, ",");
    return digits;
}

// "0:14", "12:03", "1:02:03".
std::string clock_time(std::chrono::seconds elapsed)
{
    const long long total = elapsed.count();
    const auto two = [](long long n) { return (n < 10 ? "0" : "") + std::to_string(n); };
    if (total >= 3600)
        return std::to_string(total / 3600) + ":" + two(total / 60 % 60) + ":" + two(total % 60);
    return std::to_string(total / 60) + ":" + two(total % 60);
}

// Inputs per second: whole numbers from 10 on, one decimal below.
std::string rate(std::size_t done, status_clock::duration elapsed)
{
    const double seconds = std::max(std::chrono::duration<double>(elapsed).count(), 1.0);
    const double per_second = double(done) / seconds;
    if (per_second >= 10)
        return with_commas(std::size_t(per_second + 0.5));
    const auto tenths = static_cast<long long>(per_second * 10 + 0.5);
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

// The characters of a name as a terminal may show them, each with its
// width in columns.
struct shown_character {
    std::string bytes;
    std::size_t columns = 1;
};

// The name's characters, control characters (C0, DEL, C1) and, in a name that
// is not UTF-8, every byte above ASCII shown as "?".
std::vector<shown_character> shown_characters(std::string_view name)
{
    const bool utf8 = is_utf8(name);
    std::vector<shown_character> shown;
    for (std::size_t at = 0; at < name.size();) {
        const auto byte = static_cast<unsigned char>(name[at]);
        std::size_t length = 1;
        if (utf8 && byte >= 0xC0)
            length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : 2;
        const std::string_view piece = name.substr(at, length);
        at += length;
        const bool c1 = length == 2 && byte == 0xC2 && static_cast<unsigned char>(piece[1]) < 0xA0;
        if (byte < 0x20 || byte == 0x7F || c1 || (!utf8 && byte >= 0x80))
            shown.push_back({"?", 1});
        else
            shown.push_back({std::string(piece), length == 1 ? 1u : 2u});
    }
    return shown;
}

// The columns a text of the status line takes, each character outside ASCII
// counted as two: never fewer than a terminal gives it.
std::size_t columns_of(std::string_view text)
{
    std::size_t columns = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        columns += byte < 0x80 ? 1 : byte >= 0xC0 ? 2 : 0;
    }
    return columns;
}

// The name in at most columns columns: whole, or "..." and as much of its end
// as fits; empty when not even that fits.
std::string fitted_name(std::string_view name, std::size_t columns)
{
    const std::vector<shown_character> shown = shown_characters(name);
    std::size_t width = 0;
    for (const shown_character& c : shown)
        width += c.columns;
    const std::string ellipsis = "...";
    std::size_t from = 0;
    if (width > columns) {
        if (columns < ellipsis.size() + 3)
            return {};
        while (width > columns - ellipsis.size())
            width -= shown[from++].columns;
    }
    std::string text = from > 0 ? ellipsis : "";
    for (std::size_t i = from; i < shown.size(); ++i)
        text += shown[i].bytes;
    return text;
}

// Whether standard output is the terminal that standard error is.
bool standard_output_is_that_terminal()
{
    struct stat out {}, err {};
    return isatty(STDOUT_FILENO) && fstat(STDOUT_FILENO, &out) == 0
        && fstat(STDERR_FILENO, &err) == 0 && out.st_rdev == err.st_rdev;
}

// Whether the run is in the foreground of the terminal on standard error, or
// the terminal has no job control over it (it is not its controlling
// terminal): a run sent to the background draws no line over the shell's.
bool in_the_foreground()
{
    const pid_t foreground = tcgetpgrp(STDERR_FILENO);
    return foreground < 0 || foreground == getpgrp();
}

// The width of the terminal on standard error; 80 when it does not say.
std::size_t terminal_columns()
{
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0)
        return 80;
    return size.ws_col;
}

}

progress_setting choose_progress(const char* setting)
{
    if (!setting)
        return {};
    const std::string_view value = setting;
    if (value == "0")
        return {progress_choice::off, std::nullopt};
    if (value == "1")
        return {progress_choice::always, std::nullopt};
    return {progress_choice::automatic, std::string(value)};
}

std::string status_text(const run_progress& progress, status_clock::time_point start,
                        status_clock::time_point now, std::size_t columns)
{
    const std::size_t limit = std::clamp<std::size_t>(columns, 1, widest_line + 1) - 1;
    const status_clock::duration elapsed = now - start;
    const std::size_t known = std::max(progress.inputs_known, progress.inputs_done);
    std::string text = "vestrel: " + with_commas(progress.inputs_done)
        + (progress.more_may_come ? " of at least " : " of ") + with_commas(known)
        + (known == 1 ? " input, " : " inputs, ") + with_commas(progress.results)
        + (progress.results == 1 ? " result, " : " results, ")
        + clock_time(std::chrono::duration_cast<std::chrono::seconds>(elapsed)) + ", "
        + rate(progress.inputs_done, elapsed) + "/s";
    if (text.size() >= limit)
        return text.substr(0, limit);
    if (progress.oldest_since && now - *progress.oldest_since > slow_input_after) {
        const auto slow_for =
            std::chrono::duration_cast<std::chrono::seconds>(now - *progress.oldest_since);
        const std::string after = " " + std::to_string(slow_for.count()) + " s";
        const std::size_t room = limit - text.size();
        const std::size_t name_room = room > 2 + after.size() ? room - 2 - after.size() : 0;
        if (const std::string name = fitted_name(progress.oldest_name, name_room); !name.empty())
            text += ", " + name + after;
    }
    return text;
}

status_line::status_line(progress_choice choice, int mode, bool verbose,
                         status_clock::time_point start)
    : start(start)
{
    if (choice == progress_choice::off || verbose || !isatty(STDERR_FILENO)
        || (mode == mode_stdout && standard_output_is_that_terminal()))
        return;
    shown_after = choice == progress_choice::always ? start : start + std::chrono::seconds(1);
    const char* term = std::getenv("TERM");
    dumb = !term || std::string_view(term) == "dumb";
}

status_line::~status_line()
{
    take_down();
}

bool status_line::due(status_clock::time_point now) const
{
    return shown_after && now >= *shown_after && (!last_drawn || now - *last_drawn >= redraw_period);
}

void status_line::draw(const run_progress& progress, status_clock::time_point now)
{
    if (!shown_after)
        return;
    last_drawn = now;
    if (!in_the_foreground())
        return;
    std::string text = status_text(progress, start, now, terminal_columns());
    if (text == last_text)
        return;
    // A dumb terminal's line is overwritten with the new text, and spaces
    // where the old one was longer.
    std::string drawing = "\r" + text;
    std::string clearing = "\r\033[K";
    if (dumb) {
        const std::size_t old_columns = columns_of(last_text);
        const std::size_t columns = columns_of(text);
        drawing.append(old_columns > columns ? old_columns - columns : 0, ' ');
        clearing = "\r" + std::string(std::max(old_columns, columns), ' ') + "\r";
    } else {
        drawing += "\033[K";
    }
    if (stand_on_standard_error(std::move(drawing), std::move(clearing)))
        last_text = std::move(text);
}

void status_line::take_down()
{
    take_down_standing_line();
    shown_after.reset();
}
