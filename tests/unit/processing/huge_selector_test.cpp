// Selectors of a mebibyte through the whole per-input processing: Tidy, the
// XML parse, the query and the serialisation. A command-line argument cannot
// be this long on Linux (128 KiB at most), so they are handed to
// process_input directly.
#include "input_holding.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

constexpr std::size_t mebibyte = std::size_t(1) << 20;

const std::string page =
    "<html><body><div class=\"x\"><div><p id=\"a\" title=\"t u\">one</p></div></div>"
    "<ul><li>1</li><li>2</li></ul></body></html>";

// piece repeated until the text reaches a mebibyte, then tail.
std::string repeated(const std::string& piece, const std::string& tail = "")
{
    std::string text;
    while (text.size() + piece.size() <= mebibyte - tail.size())
        text += piece;
    return text + tail;
}

struct huge_selector_case {
    const char* what;
    std::string selector;
    std::vector<std::string> results;
};

TEST(huge_selector, whole_pipeline_takes_a_mebibyte_selector)
{
    const std::string p = "<p id=\"a\" title=\"t u\">one</p>\n";
    const huge_selector_case cases[] = {
        {"a group of thousands of chains, the last of which matches",
         repeated("div.x > span[title~=\"a\"] + em:nth-child(3), ", "p#a"), {p}},
        {"one chain of a quarter million descendant steps",
         repeated("div ", "p"), {}},
        {"one chain of child steps, all in vain", repeated("li > ", "li"), {}},
        {"every chain matching the same element, listed once",
         repeated("p[title~=\"u\"], ", "p"), {p}},
        {"unbalanced brackets", std::string(mebibyte, '['), {}},
        {"an attribute value that never closes", "p[title='" + std::string(mebibyte, 'x'), {}},
        {"one huge id", "p#" + std::string(mebibyte, 'a'), {}},
        {"a pseudo-class argument of a million digits",
         "li:nth-child(" + std::string(mebibyte, '9') + ")", {}},
        {"a mebibyte of spaces around a plain selector",
         std::string(mebibyte / 2, ' ') + "li:nth-child(1)" + std::string(mebibyte / 2, ' '),
         {"<li>2</li>\n"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_GE(c.selector.size(), mebibyte - 64);
        const input_outcome outcome = process_text({false, c.selector, {}}, page);
        EXPECT_EQ(outcome.results, c.results);
        EXPECT_EQ(outcome.diagnostics, "");
    }
}

}
