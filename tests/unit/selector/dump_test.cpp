// The verbose outline of a parsed selector group, byte for byte.
#include "case_name.hpp"
#include "selector/css.hpp"
#include "selector/outline.hpp"

#include <gtest/gtest.h>

#include <iostream>
#include <sstream>
#include <string>

namespace {

// Collects everything written to std::cerr while it lives.
class cerr_capture {
public:
    cerr_capture() : saved(std::cerr.rdbuf(captured.rdbuf())) {}
    ~cerr_capture() { std::cerr.rdbuf(saved); }
    cerr_capture(const cerr_capture&) = delete;
    cerr_capture& operator=(const cerr_capture&) = delete;

    std::string text() const { return captured.str(); }

private:
    std::ostringstream captured;
    std::streambuf* saved;
};

std::string dump_of(const char* selector, unsigned depth = 0)
{
    const css_groups group(selector);
    const cerr_capture capture;
    group.dump(depth);
    return capture.text();
}

TEST(SelectorDump, WorkedExample)
{
    const std::string expected =
        "ul > li.item:first-child, a[target='_blank']\n"
        "0:\n"
        "\tul > li.item:first-child\n"
        "\tElement 0:\n"
        "\t\tul\n"
        "\t\tTypeSelector: \n"
        "\t\t\tul\n"
        "\t\t\t\tNamespace: \n"
        "\t\t\t\tName: ul\n"
        "\t\t\t\tIds: \n"
        "\t\t\t\tClasses: \n"
        "\t\t\t\tFunctions: \n"
        "\tOp: [>]\n"
        "\tElement 1:\n"
        "\t\tli.item:first-child\n"
        "\t\tTypeSelector: \n"
        "\t\t\tli.item:first-child\n"
        "\t\t\t\tNamespace: \n"
        "\t\t\t\tName: li\n"
        "\t\t\t\tIds: \n"
        "\t\t\t\tClasses: \n"
        "\t\t\t\t\titem\n"
        "\t\t\t\tFunctions: \n"
        "\t\t\t\t\tfirst-child\n"
        "1:\n"
        "\ta[target='_blank']\n"
        "\tElement 0:\n"
        "\t\ta[target='_blank']\n"
        "\t\tTypeSelector: \n"
        "\t\t\ta\n"
        "\t\t\t\tNamespace: \n"
        "\t\t\t\tName: a\n"
        "\t\t\t\tIds: \n"
        "\t\t\t\tClasses: \n"
        "\t\t\t\tFunctions: \n"
        "\t\tAttrSelector 0:\n"
        "\t\t\t[target='_blank']\n"
        "\t\t\t\tName:target\n"
        "\t\t\t\tOp:0\n"
        "\t\t\t\tValue:_blank\n";
    EXPECT_EQ(dump_of("ul > li.item:first-child, a[target='_blank']"), expected);
}

// The outline of "x" below every header, as a dump at the given depth
// prints it.
std::string type_x(const std::string& tabs)
{
    return tabs + "x\n" + tabs + "\tNamespace: \n" + tabs + "\tName: x\n" + tabs + "\tIds: \n" +
           tabs + "\tClasses: \n" + tabs + "\tFunctions: \n";
}

struct dump_case {
    const char* what;
    const char* selector;
    std::string expected;
};

class SelectorDumpCases : public testing::TestWithParam<dump_case> {};

TEST_P(SelectorDumpCases, Bytes)
{
    EXPECT_EQ(dump_of(GetParam().selector), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Selector, SelectorDumpCases, testing::Values(
    dump_case{"empty", "", "\n"},
    dump_case{"spaces_only", "   ", "   \n"},
    dump_case{"lone_comma", ",", ",\n0:\n\t\n"},
    dump_case{"empty_chain_between_commas", "x,,x",
              "x,,x\n"
              "0:\n\tx\n\tElement 0:\n\t\tx\n\t\tTypeSelector: \n" + type_x("\t\t\t") +
              "1:\n\t\n"
              "2:\n\tx\n\tElement 0:\n\t\tx\n\t\tTypeSelector: \n" + type_x("\t\t\t")},
    dump_case{"surrounding_spaces", "  x  ",
              "  x  \n0:\n\tx\n\tElement 0:\n\t\tx\n\t\tTypeSelector: \n" + type_x("\t\t\t")},
    dump_case{"descendant", "x x",
              "x x\n0:\n\tx x\n"
              "\tElement 0:\n\t\tx\n\t\tTypeSelector: \n" + type_x("\t\t\t") +
              "\tOp: [ ]\n"
              "\tElement 1:\n\t\tx\n\t\tTypeSelector: \n" + type_x("\t\t\t")},
    dump_case{"trailing_combinator", "x >",
              "x >\n0:\n\tx >\n\tElement 0:\n\t\tx\n\t\tTypeSelector: \n" + type_x("\t\t\t")},
    dump_case{"attribute_only", "[href]", "[href]\n0:\n\t[href]\n\tElement 0:\n\t\t[href]\n"},
    dump_case{"pseudo_element", "p::first-line",
              "p::first-line\n0:\n\tp::first-line\n\tElement 0:\n\t\tp::first-line\n"
              "\t\tTypeSelector: \n\t\t\tp::first-line\n"
              "\t\t\t\tNamespace: \n\t\t\t\tName: p\n\t\t\t\tIds: \n\t\t\t\tClasses: \n"
              "\t\t\t\tFunctions: \n\t\t\t\t\t\n\t\t\t\t\tfirst-line\n"},
    dump_case{"type_and_attribute", "x[href]",
              "x[href]\n0:\n\tx[href]\n\tElement 0:\n\t\tx[href]\n\t\tTypeSelector: \n" +
              type_x("\t\t\t") +
              "\t\tAttrSelector 0:\n\t\t\t[href]\n\t\t\t\tName:href\n\t\t\t\tOp:-1\n\t\t\t\tValue:\n"},
    dump_case{"every_part", "svg|g#a#b.c[x|=y][z~='w']",
              "svg|g#a#b.c[x|=y][z~='w']\n0:\n\tsvg|g#a#b.c[x|=y][z~='w']\n"
              "\tElement 0:\n\t\tsvg|g#a#b.c[x|=y][z~='w']\n\t\tTypeSelector: \n"
              "\t\t\tsvg|g#a#b.c\n\t\t\t\tNamespace: svg\n\t\t\t\tName: g\n"
              "\t\t\t\tIds: \n\t\t\t\t\ta\n\t\t\t\t\tb\n\t\t\t\tClasses: \n\t\t\t\t\tc\n"
              "\t\t\t\tFunctions: \n"
              "\t\tAttrSelector 0:\n\t\t\t[x|=y]\n\t\t\t\tName:x\n\t\t\t\tOp:5\n\t\t\t\tValue:y\n"
              "\t\tAttrSelector 1:\n\t\t\t[z~='w']\n\t\t\t\tName:z\n\t\t\t\tOp:1\n\t\t\t\tValue:w\n"},
    // Texts are written raw: a line feed in the selector breaks the outline.
    dump_case{"line_feed_kept_raw", "x\ny",
              "x\ny\n0:\n\tx\ny\n\tElement 0:\n\t\tx\ny\n\t\tTypeSelector: \n"
              "\t\t\tx\ny\n\t\t\t\tNamespace: \n\t\t\t\tName: x\ny\n\t\t\t\tIds: \n"
              "\t\t\t\tClasses: \n\t\t\t\tFunctions: \n"}),
    case_name());

// Chain numbers stay at the left margin whatever depth the group starts at.
TEST(SelectorDump, DeeperStartKeepsChainNumbersAtColumnZero)
{
    EXPECT_EQ(dump_of("x,[a]", 2),
              "\t\tx,[a]\n"
              "0:\n\t\t\tx\n\t\t\tElement 0:\n\t\t\t\tx\n\t\t\t\tTypeSelector: \n" +
              type_x("\t\t\t\t\t") +
              "1:\n\t\t\t[a]\n\t\t\tElement 0:\n\t\t\t\t[a]\n");
}

TEST(SelectorDump, CombinatorsShowAsStored)
{
    const std::string dump = dump_of("a+b~c>d");
    EXPECT_NE(dump.find("\tOp: [+]\n\tElement 1:\n"), std::string::npos);
    EXPECT_NE(dump.find("\tOp: [~]\n\tElement 2:\n"), std::string::npos);
    EXPECT_NE(dump.find("\tOp: [>]\n\tElement 3:\n"), std::string::npos);
}

struct writer_case {
    const char* what;
    void (*write)();
    const char* expected;
};

class OutlineWriters : public testing::TestWithParam<writer_case> {};

TEST_P(OutlineWriters, Bytes)
{
    const cerr_capture capture;
    GetParam().write();
    EXPECT_EQ(capture.text(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Selector, OutlineWriters, testing::Values(
    writer_case{"indented_depth_0", [] { write_indented(std::cerr, 0, "a"); }, "a"},
    writer_case{"indented_depth_3", [] { write_indented(std::cerr, 3, "a b"); }, "\t\t\ta b"},
    writer_case{"indented_empty", [] { write_indented(std::cerr, 2, ""); }, "\t\t"},
    writer_case{"line_empty", [] { write_line(std::cerr, 1, ""); }, "\t\n"},
    writer_case{"line", [] { write_line(std::cerr, 2, "x"); }, "\t\tx\n"},
    writer_case{"numbered_zero", [] { write_numbered(std::cerr, 0, "Element", 0); }, "Element 0:\n"},
    writer_case{"numbered_large", [] { write_numbered(std::cerr, 1, "L", 4294967296u); }, "\tL 4294967296:\n"},
    writer_case{"numbered_empty_label", [] { write_numbered(std::cerr, 0, "", 7); }, " 7:\n"}),
    case_name());

}
