#include "text/text.hpp"

#include <climits>
#include <gtest/gtest.h>

namespace {

struct trim_case {
    const char* text;
    const char* trimmed;
    bool blank;
};

TEST(text, trim_and_is_blank_treat_only_the_space_as_white)
{
    const trim_case cases[] = {
        {"", "", true},
        {"   ", "", true},
        {"  a b  ", "a b", false},
        {"\ta\t", "\ta\t", false},
        {" \n ", "\n", false},
        {"\r", "\r", false},
        {"\v", "\v", false},
        {" \f ", "\f", false},
        {" \t\n\v\f\r ", "\t\n\v\f\r", false},
        {"x", "x", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(trim(c.text), c.trimmed) << "[" << c.text << "]";
        EXPECT_EQ(is_blank(c.text), c.blank) << "[" << c.text << "]";
    }
}

TEST(text, to_int_reads_like_atoi_and_saturates)
{
    const std::pair<const char*, int> cases[] = {
        {"", 0}, {"x", 0}, {"1x", 1}, {"  \t\n42", 42}, {"+7", 7}, {"-7", -7},
        // The six C white-space characters lead; the control characters next
        // to them (backspace, shift out) end the number before it starts.
        {"\r5", 5}, {"\v5", 5}, {"\f5", 5}, {"\r\v\f \t\n-9", -9},
        {"\b5", 0}, {"\x0e" "5", 0},
        {"- 7", 0}, {"+-1", 0}, {"007", 7}, {"2n+1", 2},
        {"2147483647", INT_MAX}, {"2147483648", INT_MAX}, {"4294967297", INT_MAX},
        {"-2147483648", INT_MIN}, {"-2147483649", INT_MIN},
        {"99999999999999999999999999999", INT_MAX}, {"-99999999999999999999999", INT_MIN},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(to_int(text), value) << "[" << text << "]";
}

// Only a to z are upper-cased: the letters at both ends of the range, and the
// characters just outside it on either side ('@' '[' before and after A-Z,
// '`' '{' before and after a-z), which must not be taken for letters.
TEST(text, equal_ignoring_case_folds_a_to_z_only)
{
    struct fold_case {
        const char* a;
        const char* b;
        bool equal;
    };
    const fold_case cases[] = {
        {"a", "A", true}, {"A", "a", true}, {"z", "Z", true}, {"Z", "z", true},
        {"az", "AZ", true}, {"Za", "zA", true}, {"aZ", "Az", true},
        {"a", "a", true}, {"Z", "Z", true},
        {"@", "`", false}, {"`", "@", false}, {"[", "{", false}, {"{", "[", false},
        {"@", "@", true}, {"`", "`", true}, {"[", "[", true}, {"{", "{", true},
        {"a@", "A`", false}, {"z{", "Z[", false},
        {"a", "b", false}, {"z", "y", false}, {"A", "B", false},
        {"", "", true}, {"a", "", false}, {"ab", "a", false}, {"a", "ab", false},
        {"\xe9", "\xc9", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(equal_ignoring_case(c.a, c.b), c.equal) << "[" << c.a << "] [" << c.b << "]";
}

TEST(text, unquote_removes_matching_quotes_and_their_escapes)
{
    const std::pair<const char*, const char*> cases[] = {
        {"", ""}, {"'", "'"}, {"\"", "\""}, {"''", ""}, {"\"\"", ""},
        {"'abc'", "abc"}, {"\"abc\"", "abc"},
        {"'a\"b'", "a\"b"},
        {"'it\\'s'", "it's"},
        {"\"say \\\"hi\\\"\"", "say \"hi\""},
        {"'a\\\"b'", "a\\\"b"},          // the other quote's escape stays
        {"'a\\\\b'", "a\\\\b"},          // a backslash before a backslash stays
        {"'abc\"", "'abc\""},            // unbalanced: unchanged
        {"abc", "abc"}, {"'abc", "'abc"}, {"x'", "x'"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(unquote(text), expected) << "[" << text << "]";
}

TEST(text, split_keeps_inner_empty_pieces_but_not_a_trailing_one)
{
    using pieces = std::vector<std::string>;
    const std::pair<const char*, pieces> cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a b", {"a", "b"}},
        {"a  b", {"a", "", "b"}},
        {" a", {"", "a"}},
        {"a ", {"a"}},
        {" ", {""}},
        {"a\tb c", {"a\tb", "c"}},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(split(text, ' '), expected) << "[" << text << "]";
}

struct wrap_case {
    const char* text;
    unsigned indent;
    int width;
    const char* wrapped;
};

TEST(text, wrap_text_breaks_at_the_first_space_past_the_width)
{
    const wrap_case cases[] = {
        {"", 0, 10, ""},
        {"", 2, 10, "\t\t"},
        {"abc", 1, 10, "\tabc"},
        // A line breaks only once it holds more than width characters.
        {"aaaa bbbb", 0, 4, "aaaa bbbb"},
        {"aaaaa bbbb", 0, 4, "aaaaa\nbbbb"},
        {"aaaaa bbbb", 2, 4, "\t\taaaaa\n\t\tbbbb"},
        // A word longer than the width is never split.
        {"abcdefghij", 1, 3, "\tabcdefghij"},
        // Leading spaces, and spaces right after a break, vanish.
        {"   ab", 0, 10, "ab"},
        {"aaaaa   bb", 0, 4, "aaaaa\nbb"},
        // Runs of spaces elsewhere are copied and counted.
        {"a  b", 0, 10, "a  b"},
        {"ab  cd ef", 0, 5, "ab  cd\nef"},
        // A tab counts as one column; no line feed at the end.
        {"a\tbcd e f", 0, 4, "a\tbcd\ne f"},
        {"aaaaa ", 0, 4, "aaaaa\n"},
        // Width zero or below: every space after a word breaks.
        {"a b c", 1, 0, "\ta\n\tb\n\tc"},
        {"a b", 0, -5, "a\nb"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(wrap_text(c.text, c.indent, c.width), c.wrapped)
            << "[" << c.text << "] width " << c.width;
}

TEST(text, wrap_text_lays_out_the_usage_texts)
{
    EXPECT_EQ(wrap_text("Print the html items matching a pattern (group of CSS selectors)", 1, 50),
              "\tPrint the html items matching a pattern (group of CSS\n\tselectors)");
    EXPECT_EQ(wrap_text("Prints a list of the elements within the HTML files (using depth-first "
                        "pre-order traversal of the document's nodes) that match the specified "
                        "group of selectors.  If the selectors string contains a CSS "
                        "pseudo-element, the returned list will be empty.",
                        1, 50),
              "\tPrints a list of the elements within the HTML files\n"
              "\t(using depth-first pre-order traversal of the document's\n"
              "\tnodes) that match the specified group of selectors.\n"
              "\tIf the selectors string contains a CSS pseudo-element,\n"
              "\tthe returned list will be empty.");
    EXPECT_EQ(wrap_text("Print a usage message briefly summarizing these command-line options, "
                        "then exit.",
                        2, 43),
              "\t\tPrint a usage message briefly summarizing these\n"
              "\t\tcommand-line options, then exit.");
}

}
