// The status line of a long run: one line on standard error, a terminal that
// no result goes to, rewritten in place a few times a second, saying how far
// the run has come. Whatever else the run writes on standard error stands on
// lines of its own above it, and at the end it is cleared, so the terminal
// holds what it would hold without it.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>

using status_clock = std::chrono::steady_clock;

// What VESTREL_PROGRESS asks for.
enum class progress_choice {
    automatic,  // shown once a run has taken more than a second
    off,
    always,  // shown from the start of the run
};

struct progress_setting {
    progress_choice choice = progress_choice::automatic;
    // The setting, when it was given but is neither "0" nor "1" and so was
    // passed over for the default.
    std::optional<std::string> ignored_setting;
};

// The choice from the value of VESTREL_PROGRESS (none when unset): "0" off,
// "1" always; anything else, the empty text included, the default.
progress_setting choose_progress(const char* setting);

// How far a run has come.
struct run_progress {
    std::size_t inputs_done = 0;
    // The inputs found so far, with each file argument not yet resolved
    // counted as one.
    std::size_t inputs_known = 0;
    // File arguments remain to be resolved, so more inputs may come.
    bool more_may_come = false;
    std::size_t results = 0;
    // The oldest input not yet written, which everything after it waits for,
    // and since when it has been worked on (none when it waits to start).
    std::string oldest_name;
    std::optional<status_clock::time_point> oldest_since;
};

// How long the oldest input must have been worked on before the line names
// it.
inline constexpr std::chrono::seconds slow_input_after{3};

// The line's text, at most columns - 1 columns wide, so that it never wraps:
// "vestrel: 1,204 of 20,000 inputs, 3,811 results, 0:14, 86/s", with "of at
// least" while more may come, and ", NAME 12 s" when the oldest input has
// been worked on for more than slow_input_after. The name's control
// characters and bytes that are not UTF-8 are shown as "?"; a name too long
// for the line keeps its end after "...", and one with no room is left out.
// Characters outside ASCII are counted as two columns, as the widest are.
std::string status_text(const run_progress& progress, status_clock::time_point start,
                        status_clock::time_point now, std::size_t columns);

class status_line {
public:
    // Whether and when the line may be shown is decided here, once: standard
    // error is a terminal, the results do not go to it (any mode but 0, or
    // standard output is not that terminal), verbose is off, and choice is
    // not off. A terminal whose TERM is "dumb" or unset is cleared with
    // spaces between carriage returns; any other with "\r\033[K".
    status_line(progress_choice choice, int mode, bool verbose, status_clock::time_point start);
    // Takes the line down.
    ~status_line();
    status_line(const status_line&) = delete;
    status_line& operator=(const status_line&) = delete;

    // Whether the line may ever be shown in this run.
    bool may_show() const { return shown_after.has_value(); }
    // Whether it is time to draw the line: it may be shown, the run is old
    // enough, and it was last drawn more than redraw_period ago.
    bool due(status_clock::time_point now) const;
    // Draws the line, in place of the one before, as wide as the terminal
    // is now (TIOCGWINSZ; 80 columns when it does not say); nothing while
    // the run is in the background of its terminal.
    void draw(const run_progress& progress, status_clock::time_point now);
    // Clears the line for good: nothing is drawn afterwards.
    void take_down();

    // The period at which the run should wake to draw it.
    static constexpr std::chrono::milliseconds redraw_period{250};

private:
    status_clock::time_point start;
    // Since when the line may be drawn; none when it may never be.
    std::optional<status_clock::time_point> shown_after;
    bool dumb = false;
    std::optional<status_clock::time_point> last_drawn;
    std::string last_text;
};
