// The manual page vestrel.1: it documents exactly the options, encodings and
// version of the built program, and the roff formatters accept it without a
// single warning.
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

// Roff source text as printed: "\-" is a hyphen, "\&" and "\c" vanish.
std::string unescape(std::string text)
{
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char next = text[++i];
            if (next == '-' || next == 'e')
                plain += next == '-' ? '-' : '\\';
            continue;  // \& \c and the like print nothing
        }
        plain += text[i];
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
    EXPECT_EQ(terms["EXIT STATUS"], (strings{"0", "1", "2"}));
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
