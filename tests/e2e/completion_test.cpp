// The bash completion in completions/vestrel: what it offers after each kind
// of word, and that its option and encoding lists are the ones the program's
// own usage page lists.
#include "harness.hpp"
#include "shell.hpp"
#include "usage_facts.hpp"

#include <algorithm>
#include <gtest/gtest.h>
#include <sstream>

namespace {

using e2e::scratch_dir;
using e2e::shell_quote;
using strings = std::vector<std::string>;

struct completion_run {
    int status = -1;
    strings candidates;  // sorted
};

// Calls the function that completions/vestrel registers for vestrel, as bash
// does when Tab is pressed at the end of the last word, in cwd.
completion_run complete_words(const strings& words, const scratch_dir& cwd)
{
    std::string script = ". " + shell_quote(VESTREL_SOURCE_DIR "/completions/vestrel") +
                         " || exit 90\n"
                         "registration=$(complete -p vestrel) || exit 91\n"
                         "fn=${registration#*-F }; fn=${fn%% *}\n"
                         "COMP_WORDS=(";
    std::string line;
    for (const auto& word : words) {
        script += shell_quote(word) + " ";
        line += (line.empty() ? "" : " ") + word;
    }
    script += ")\nCOMP_CWORD=" + std::to_string(words.size() - 1) + "\n" +
              "COMP_LINE=" + shell_quote(line) + "\nCOMP_POINT=" +
              std::to_string(line.size()) + "\n" +
              "\"$fn\" vestrel \"${COMP_WORDS[COMP_CWORD]}\" "
              "\"${COMP_WORDS[COMP_CWORD-1]}\" || exit 92\n"
              "for c in \"${COMPREPLY[@]}\"; do printf '%s\\n' \"$c\"; done\n";
    const scratch_dir script_dir;  // kept apart so it is no candidate itself
    script_dir.write("complete.sh", script);

    const auto shell = e2e::run_shell("cd " + shell_quote(cwd.path.string()) +
                                      " && bash --norc --noprofile " +
                                      shell_quote((script_dir.path / "complete.sh").string()));
    completion_run run;
    run.status = shell.status;
    std::istringstream lines(shell.text);
    for (std::string candidate; std::getline(lines, candidate);)
        run.candidates.push_back(candidate);
    std::sort(run.candidates.begin(), run.candidates.end());
    return run;
}

strings sorted(strings list)
{
    std::sort(list.begin(), list.end());
    return list;
}

const strings all_options = {"-h", "-v", "-d", "-m", "-p", "-i"};
const strings all_modes = {"0", "1", "2", "3", "4", "5", "6"};
const strings all_encodings = {"ascii",   "latin1",  "raw",     "utf8",  "iso2022",
                               "mac",     "win1251", "win1252", "utf16le", "utf16be",
                               "utf16",   "big5",    "shiftjis"};

struct completion_case {
    strings words;  // the command line, the word being completed last
    strings expected;
};

TEST(completion, offers_what_each_position_takes)
{
    scratch_dir dir;
    dir.write("page.html", "");
    dir.write("paper.htm", "");
    dir.write("my page.html", "");
    dir.write("sub/inner.html", "");
    const strings files = {"my page.html", "page.html", "paper.htm", "sub"};

    const completion_case cases[] = {
        // Options, wherever they stand.
        {{"vestrel", "-"}, all_options},
        {{"vestrel", "-d", "-"}, all_options},
        {{"vestrel", "a", "page.html", "-"}, all_options},
        {{"vestrel", "-m", "2", "-"}, all_options},
        {{"vestrel", "-i"}, {"-i"}},
        {{"vestrel", "-x"}, {}},
        // Modes after -m: 0 to 6 and nothing else.
        {{"vestrel", "-m", ""}, all_modes},
        {{"vestrel", "-m", "6"}, {"6"}},
        {{"vestrel", "-m", "7"}, {}},
        {{"vestrel", "-d", "a", "-m", ""}, all_modes},
        // -m takes the next word whatever it is, so a dash is a (bad) mode.
        {{"vestrel", "-m", "-"}, {}},
        // Encodings after -i, in any letter case, offered in lower case.
        {{"vestrel", "-i", ""}, all_encodings},
        {{"vestrel", "-i", "utf"}, {"utf16", "utf16be", "utf16le", "utf8"}},
        {{"vestrel", "-i", "WIN"}, {"win1251", "win1252"}},
        {{"vestrel", "-i", "ShiftJ"}, {"shiftjis"}},
        {{"vestrel", "-i", "koi8"}, {}},
        {{"vestrel", "-m", "1", "-i", ""}, all_encodings},
        // Once the value is taken, the option is no longer pending.
        {{"vestrel", "-i", "utf8", ""}, files},
        {{"vestrel", "-m", "1", "a", ""}, files},
        // "-m -i": "-i" is the mode, so the next word is a file.
        {{"vestrel", "-m", "-i", ""}, files},
        // File names otherwise.
        {{"vestrel", ""}, files},
        {{"vestrel", "a", "pa"}, {"page.html", "paper.htm"}},
        {{"vestrel", "a", "my"}, {"my page.html"}},
        {{"vestrel", "a", "sub/"}, {"sub/inner.html"}},
        {{"vestrel", "a", "nothing"}, {}},
    };
    for (const auto& c : cases) {
        std::string context;
        for (const auto& word : c.words)
            context += "[" + word + "]";
        const completion_run run = complete_words(c.words, dir);
        EXPECT_EQ(run.status, 0) << context;
        EXPECT_EQ(run.candidates, sorted(c.expected)) << context;
    }
}

TEST(completion, lists_match_the_usage_page)
{
    scratch_dir dir;
    const usage_facts usage = read_usage_page(dir);
    EXPECT_EQ(complete_words({"vestrel", "-"}, dir).candidates, sorted(usage.options));
    EXPECT_EQ(complete_words({"vestrel", "-i", ""}, dir).candidates, sorted(usage.encodings));
}

}
