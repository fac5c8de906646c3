// The manual page vestrel.1: it documents exactly the options, encodings and
// version of the built program, its examples print what the page shows, and
// the roff formatters accept it without a single warning.
#include "harness.hpp"
#include "shell.hpp"
#include "usage_facts.hpp"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <iostream>
#include <map>
#include <sstream>

namespace {

using strings = std::vector<std::string>;

const std::string man_page = VESTREL_SOURCE_DIR "/vestrel.1";

strings read_lines(const std::string& path)
{
    std::ifstream in(path);
    strings lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Roff source text as printed: "\-" is a hyphen, "\(aq" and "\(dq" are
// quotes, "\&", "\%" and "\c" vanish.
std::string unescape(const std::string& text)
{
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            plain += text[i];
            continue;
        }
        const char next = text[++i];
        if (next == '-')
            plain += '-';
        else if (next == 'e')
            plain += '\\';
        else if (next == '(' && i + 2 < text.size()) {
            const std::string name = text.substr(i + 1, 2);
            plain += name == "aq" ? "'" : name == "dq" ? "\"" : "";
            i += 2;
        }
    }
    return plain;
}

// The first word of the tag line after each .TP, per .SH section.
std::map<std::string, strings> tagged_terms(const strings& lines)
{
    std::map<std::string, strings> terms;
    std::string section;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].rfind(".SH ", 0) == 0)
            section = lines[i].substr(4);
        else if (lines[i].rfind(".TP", 0) == 0 && i + 1 < lines.size()) {
            std::istringstream tag(lines[i + 1]);
            std::string macro, term;
            tag >> macro >> term;
            terms[section].push_back(unescape(term));
        }
    }
    return terms;
}

strings sorted(strings list)
{
    std::sort(list.begin(), list.end());
    return list;
}

// One .EX block of the EXAMPLES section. A block that shows a session holds
// "$ \c" lines, each followed by ".B command", and the output of the commands
// in between; any other block holds commands only.
struct example_block {
    strings commands;
    std::string shown_output;
    bool shows_session = false;
};

std::vector<example_block> example_blocks(const strings& lines)
{
    std::vector<example_block> blocks;
    bool in_examples = false, in_block = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.rfind(".SH ", 0) == 0)
            in_examples = line == ".SH EXAMPLES";
        else if (in_examples && line == ".EX") {
            blocks.emplace_back();
            in_block = true;
        } else if (line == ".EE")
            in_block = false;
        else if (in_block && line == "$ \\c" && i + 1 < lines.size()) {
            blocks.back().shows_session = true;
            blocks.back().commands.push_back(unescape(lines[++i].substr(3)));
        } else if (in_block && blocks.back().shows_session)
            blocks.back().shown_output += unescape(line) + "\n";
        else if (in_block)
            blocks.back().commands.push_back(unescape(line));
    }
    return blocks;
}

// Runs command lines in cwd, with "vestrel" standing for the built program.
e2e::shell_output run_example(const strings& commands, const e2e::scratch_dir& cwd)
{
    std::string script = "cd " + e2e::shell_quote(cwd.path.string()) + " && vestrel() { " +
                         e2e::shell_quote(VESTREL_BINARY) + " \"$@\"; }";
    for (const auto& command : commands)
        script += "\n" + command;
    return e2e::run_shell("bash --norc --noprofile -c " + e2e::shell_quote(script));
}

// A working directory holding a copy of the shipped sample pages.
void copy_examples(const e2e::scratch_dir& cwd)
{
    e2e::fs::copy(VESTREL_SOURCE_DIR "/examples", cwd.path / "examples",
                  e2e::fs::copy_options::recursive);
}

bool have_program(const std::string& name)
{
    return e2e::run_shell("command -v " + name + " >/dev/null").status == 0;
}

TEST(man_page, documents_every_option_and_encoding_of_the_program)
{
    e2e::scratch_dir dir;
    const usage_facts usage = read_usage_page(dir);
    ASSERT_FALSE(usage.options.empty());
    ASSERT_FALSE(usage.encodings.empty());
    auto terms = tagged_terms(read_lines(man_page));
    EXPECT_EQ(sorted(terms["OPTIONS"]), sorted(usage.options));
    EXPECT_EQ(sorted(terms["ENCODINGS"]), sorted(usage.encodings));
    EXPECT_EQ(terms["OUTPUT MODES"], (strings{"0", "1", "2", "3", "4", "5", "6"}));
    EXPECT_EQ(terms["EXIT STATUS"], (strings{"0", "1", "2", "3"}));
    EXPECT_EQ(terms["ENVIRONMENT"], (strings{"VESTREL_JOBS", "VESTREL_TIMEOUT", "VESTREL_PROGRESS",
                                                   "VESTREL_CACHE"}));
}

TEST(man_page, names_the_version_the_program_prints)
{
    e2e::scratch_dir dir;
    const usage_facts usage = read_usage_page(dir);
    const strings lines = read_lines(man_page);
    const auto title = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
        return line.rfind(".TH ", 0) == 0;
    });
    ASSERT_NE(title, lines.end());
    EXPECT_NE(title->find("\"vestrel " + usage.version + "\""), std::string::npos) << *title;
    EXPECT_FALSE(usage.version.empty());
    // The -v entry quotes the version too.
    const std::string text = unescape([&] {
        std::string all;
        for (const auto& line : lines)
            all += line + "\n";
        return all;
    }());
    EXPECT_NE(text.find("version number (" + usage.version + ")"), std::string::npos);
}

TEST(man_page, sessions_in_the_examples_print_what_they_show)
{
    int sessions = 0;
    for (const auto& block : example_blocks(read_lines(man_page))) {
        if (!block.shows_session)
            continue;
        ++sessions;
        e2e::scratch_dir dir;
        copy_examples(dir);
        const auto run = run_example(block.commands, dir);
        EXPECT_EQ(run.status, 0) << block.commands.back();
        EXPECT_EQ(run.text, block.shown_output) << block.commands.back();
    }
    EXPECT_GE(sessions, 2);
}

TEST(man_page, example_commands_find_their_pages)
{
    int commands = 0;
    for (const auto& block : example_blocks(read_lines(man_page))) {
        if (block.shows_session)
            continue;  // run as a whole above
        for (const auto& command : block.commands) {
            if (command.rfind("vestrel ", 0) != 0)
                continue;  // the conversion example names a page of the reader's
            ++commands;
            e2e::scratch_dir dir;
            copy_examples(dir);
            const auto run = run_example({command}, dir);
            EXPECT_EQ(run.status, 0) << command;
            EXPECT_EQ(run.text.find("was not found!"), std::string::npos) << command;
        }
    }
    EXPECT_GE(commands, 5);
}

// The page says that a table written without tbody keeps it out.
TEST(man_page, tbody_example_holds)
{
    e2e::scratch_dir dir;
    copy_examples(dir);
    EXPECT_EQ(run_example({"vestrel 'table.specs > tbody > tr' examples/catalog.html"}, dir).text,
              "");
    const auto rows = run_example({"vestrel 'table.specs tr' examples/catalog.html"}, dir).text;
    EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), 3 * 6) << rows;
    EXPECT_EQ(rows.rfind("<tr>\n", 0), 0u) << rows;
}

struct linter {
    std::string program;
    std::string package;
    std::string command;  // the page's path is appended
};

TEST(man_page, formatters_report_nothing)
{
    const linter linters[] = {
        {"groff", "groff-base", "groff -ww -z -man "},
        {"mandoc", "mandoc", "mandoc -T lint "},
    };
    int ran = 0;
    for (const auto& tool : linters) {
        if (!have_program(tool.program)) {
            std::cerr << tool.program << " is not installed (Debian package " << tool.package
                      << "): not run\n";
            continue;
        }
        ++ran;
        const auto run = e2e::run_shell(tool.command + e2e::shell_quote(man_page));
        EXPECT_EQ(run.status, 0) << tool.command;
        EXPECT_EQ(run.text, "") << tool.command;
    }
    if (ran == 0)
        GTEST_SKIP() << "neither groff nor mandoc is installed";
}

}
