// The manual page vestrel.1: it documents exactly the options, encodings and
// version of the built program, and the roff formatters accept it without a
// single warning.
#include "harness.hpp"
#include "usage_facts.hpp"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
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

struct command_output {
    int status = -1;
    std::string text;
};

command_output run_command(const std::string& command)
{
    command_output result;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return result;
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        result.text.append(buffer, n);
    result.status = pclose(pipe);
    return result;
}

bool have_program(const std::string& name)
{
    return run_command("command -v " + name + " >/dev/null").status == 0;
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

TEST(man_page, groff_reports_no_warning)
{
    if (!have_program("groff"))
        GTEST_SKIP() << "groff is not installed (Debian package groff-base)";
    const auto run = run_command("groff -ww -z -man '" + man_page + "'");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.text, "");
}

TEST(man_page, mandoc_lint_reports_nothing)
{
    if (!have_program("mandoc"))
        GTEST_SKIP() << "mandoc is not installed (Debian package mandoc)";
    const auto run = run_command("mandoc -T lint '" + man_page + "'");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.text, "");
}

}
