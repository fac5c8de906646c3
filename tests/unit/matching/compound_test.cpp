#include "matching/compound.hpp"
#include "query_helpers.hpp"

#include <gtest/gtest.h>
#include <tinyxml2.h>

namespace {

using matching_test::query;
using matching_test::expect_cases;

TEST(compound, element_names_ignore_case_and_everything_else_is_exact)
{
    expect_cases({
        {"P", "<r><p/><q/></r>", {"<p/>\n"}},
        {"p", "<r><p/><q/></r>", {"<p/>\n"}},
        {"Div", "<r><div/><DIV/><dív/></r>", {"<div/>\n", "<DIV/>\n"}},
        // The letters at both ends of the alphabet, in either case.
        {"AZ", "<r><az/><aZ/><Az/><AZ/><ay/><bz/></r>",
         {"<az/>\n", "<aZ/>\n", "<Az/>\n", "<AZ/>\n"}},
        {"za", "<r><za/><ZA/><zA/><Za/><z/><a/></r>",
         {"<za/>\n", "<ZA/>\n", "<zA/>\n", "<Za/>\n"}},
        {"*", "<r><p/></r>", {"<r>\n    <p/>\n</r>\n", "<p/>\n"}},
        {"pp", "<r><p/></r>", {}},
        {"p", "<r><pp/></r>", {}},
        {".Item", "<r><p class=\"item\"/></r>", {}},
        {".item", "<r><p class=\"item\"/></r>", {"<p class=\"item\"/>\n"}},
        {"[title=AB]", "<r><p title=\"ab\"/></r>", {}},
        {"[HREF]", "<r><a href=\"x\"/></r>", {}},
        {"#X", "<r><p id=\"x\"/></r>", {}},
    });
}

// The characters next to the letter ranges ('@' '[' around A-Z, '`' '{'
// around a-z) are compared as they are. XML names cannot hold them, so each
// element is made by hand.
TEST(compound, element_names_fold_letters_only)
{
    struct name_case {
        const char* selector;
        const char* element;
        bool matches;
    };
    const name_case cases[] = {
        {"`", "@", false}, {"@", "`", false}, {"{", "[", false},
        {"x`", "X@", false}, {"a{", "A[", false},
        {"@", "@", true}, {"`", "`", true}, {"{", "{", true},
        {"a`z", "A`Z", true}, {"Z@A", "z@a", true},
    };
    for (const auto& c : cases) {
        tinyxml2::XMLDocument document;
        tinyxml2::XMLElement* element = document.NewElement(c.element);
        document.InsertFirstChild(element);
        const document_index index(*element);
        const css_element compound(c.selector);
        ASSERT_TRUE(compound.type_selector) << c.selector;
        ASSERT_EQ(compound.type_selector->name, c.selector);
        EXPECT_EQ(compound_matcher(compound).match(index.nodes.at(0)), c.matches)
            << "[" << c.selector << "] on <" << c.element << ">";
    }
}

TEST(compound, classes_and_ids_are_space_separated_word_lists)
{
    const char* classes = "<r><p class=\"b a\"/><p class=\"a x b\"/><p class=\"a\"/><p class=\"ab\"/></r>";
    const char* ids = "<r><p id=\"x\"/><p id=\"y x\"/><p id=\"xy\"/><p id=\"x y\"/></r>";
    expect_cases({
        {".a.b", classes, {"<p class=\"b a\"/>\n", "<p class=\"a x b\"/>\n"}},
        {".a", classes, {"<p class=\"b a\"/>\n", "<p class=\"a x b\"/>\n", "<p class=\"a\"/>\n"}},
        {"p.a.a", classes, {"<p class=\"b a\"/>\n", "<p class=\"a x b\"/>\n", "<p class=\"a\"/>\n"}},
        {"#x", ids, {"<p id=\"x\"/>\n", "<p id=\"y x\"/>\n", "<p id=\"x y\"/>\n"}},
        {"#x#y", ids, {"<p id=\"y x\"/>\n", "<p id=\"x y\"/>\n"}},
        {"#y.a", "<r><p id=\"y\" class=\"a\"/><p id=\"y\"/><p class=\"a\"/></r>",
         {"<p id=\"y\" class=\"a\"/>\n"}},
        // A tab is an ordinary character inside a word.
        {".a", "<r><p class=\"a&#9;b\"/></r>", {}},
        // Classes need the class attribute, ids the id attribute.
        {".x", "<r><p id=\"x\"/></r>", {}},
        {"#x", "<r><p class=\"x\"/></r>", {}},
    });
}

TEST(compound, an_empty_class_matches_only_an_empty_word_between_spaces)
{
    // "p." holds one empty class name; only a leading space or two spaces in
    // a row give an empty word, a trailing space does not.
    expect_cases({
        {"p.", "<r><p class=\"a  b\"/></r>", {"<p class=\"a  b\"/>\n"}},
        {"p.", "<r><p class=\" a\"/></r>", {"<p class=\" a\"/>\n"}},
        {"p.", "<r><p class=\" \"/></r>", {"<p class=\" \"/>\n"}},
        {"p.", "<r><p class=\"a \"/></r>", {}},
        {"p.", "<r><p class=\"a\"/></r>", {}},
        {"p.", "<r><p class=\"\"/></r>", {}},
    });
}

TEST(compound, attribute_operators)
{
    const char* lang = "<r><p lang=\"en\"/><p lang=\"en-US\"/><p lang=\"english\"/><p lang=\"\"/><p lang=\"-x\"/></r>";
    const char* title = "<r><p title=\"abab\"/><p title=\"ab\"/><p title=\"b\"/><p title=\"\"/><p title=\"  \"/></r>";
    expect_cases({
        {"[lang|=en]", lang, {"<p lang=\"en\"/>\n", "<p lang=\"en-US\"/>\n"}},
        {"[lang|='']", lang, {"<p lang=\"\"/>\n", "<p lang=\"-x\"/>\n"}},
        {"[lang|=e]", lang, {}},
        {"[title$=ab]", title, {"<p title=\"abab\"/>\n", "<p title=\"ab\"/>\n"}},
        {"[title^=ab]", title, {"<p title=\"abab\"/>\n", "<p title=\"ab\"/>\n"}},
        {"[title^=b]", title, {"<p title=\"b\"/>\n"}},
        {"[title*=ba]", title, {"<p title=\"abab\"/>\n"}},
        {"[title*=b]", title, {"<p title=\"abab\"/>\n", "<p title=\"ab\"/>\n", "<p title=\"b\"/>\n"}},
        {"[title=ab]", title, {"<p title=\"ab\"/>\n"}},
        {"[title='']", title, {"<p title=\"\"/>\n"}},
        {"[title='  ']", title, {"<p title=\"  \"/>\n"}},
        {"[title]", "<r><p title=\"\"/><p/></r>", {"<p title=\"\"/>\n"}},
        // Empty and blank values never match by prefix, suffix or substring.
        {"[title^='']", title, {}},
        {"[title$='']", title, {}},
        {"[title*='']", title, {}},
        {"[title^='  ']", title, {}},
        {"[title$='  ']", title, {}},
        {"[title*='  ']", title, {}},
        {"[title~='  ']", title, {}},
    });
}

TEST(compound, includes_needs_one_whole_word)
{
    const char* doc = "<r><p class=\"a b\"/><p class=\"ab\"/><p class=\"\"/></r>";
    expect_cases({
        {"[class~=b]", doc, {"<p class=\"a b\"/>\n"}},
        {"[class~='a b']", doc, {}},
        {"[class~='']", doc, {}},
        {"[class~=a]", "<r><p class=\"a&#9;b\"/></r>", {}},
    });
}

TEST(compound, attribute_selectors_combine_with_the_type_part)
{
    const char* doc = "<r><a href=\"x\"/><link href=\"y\"/><a/></r>";
    expect_cases({
        {"[href]", doc, {"<a href=\"x\"/>\n", "<link href=\"y\"/>\n"}},
        {"a[href]", doc, {"<a href=\"x\"/>\n"}},
        {"a[href][title]", doc, {}},
        {"[href=y][href]", doc, {"<link href=\"y\"/>\n"}},
        // Entities are decoded before comparing, and encoded again on output.
        {"[title='a&b']", "<r><p title=\"a&amp;b\"/></r>", {"<p title=\"a&amp;b\"/>\n"}},
        {"[title='a&amp;b']", "<r><p title=\"a&amp;b\"/></r>", {}},
    });
}

TEST(compound, namespace_prefix_is_ignored_and_prefixed_names_are_whole)
{
    const char* doc = "<r><rect/><svg:rect/></r>";
    expect_cases({
        {"svg|rect", doc, {"<rect/>\n"}},
        {"*|rect", doc, {"<rect/>\n"}},
        {"rect", doc, {"<rect/>\n"}},
    });
}

// Operator codes outside -1..5 cannot come out of the parser; a model built
// by hand must still fail safely.
TEST(compound, unknown_operator_and_blank_name_never_match)
{
    tinyxml2::XMLDocument document;
    ASSERT_EQ(document.Parse("<p title=\"t\"/>"), tinyxml2::XML_SUCCESS);
    const auto& p = *document.FirstChildElement();

    css_attributeselector selector("[title]");
    ASSERT_TRUE(match(selector, p));
    for (const int op : {6, 7, -2, 1000}) {
        selector.op = op;
        EXPECT_FALSE(match(selector, p)) << op;
    }
    selector.op = attr_exists;
    selector.name = " ";
    EXPECT_FALSE(match(selector, p));
    selector.name = "";
    EXPECT_FALSE(match(selector, p));
}

TEST(compound, has_word_follows_split_at_the_space)
{
    struct word_case {
        const char* value;
        const char* word;
        bool found;
    };
    const word_case cases[] = {
        {"a b", "a", true}, {"a b", "b", true}, {"a b", "a b", false},
        {"", "", false}, {"a ", "", false}, {" a", "", true}, {"a  b", "", true},
        {"a\tb", "a", false}, {"a\tb", "a\tb", true}, {"ab", "a", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(has_word(c.value, c.word), c.found) << "[" << c.value << "] [" << c.word << "]";
}

}
