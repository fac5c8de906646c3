// The engine against a plain matcher written straight from the rules: no
// index, no columns, every position counted by walking the sibling list and
// every chain tried by full backtracking over candidate lists. On random
// documents and random selectors both must give the same result lists.

#include "matching/compound.hpp"
#include "matching/document_index.hpp"
#include "matching/query.hpp"
#include "query_helpers.hpp"
#include "selector/css.hpp"
#include "text/text.hpp"

#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <tinyxml2.h>
#include <vector>

namespace {

using tinyxml2::XMLElement;
using tinyxml2::XMLNode;

namespace plain {

std::string upper(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return result;
}

int child_index(const XMLElement& element)
{
    const XMLNode* parent = element.Parent();
    if (!parent)
        return -1;
    int i = 0;
    for (const XMLNode* node = parent->FirstChild(); node; node = node->NextSibling(), ++i)
        if (node == &element)
            return i;
    return -1;
}

int child_count(const XMLElement& element)
{
    const XMLNode* parent = element.Parent();
    int count = 0;
    if (parent)
        for (const XMLNode* node = parent->FirstChild(); node; node = node->NextSibling())
            ++count;
    return count;
}

int element_index(const XMLElement& element)
{
    const XMLNode* parent = element.Parent();
    if (!parent || !parent->ToElement())
        return -1;
    int i = 0;
    for (const XMLElement* child = parent->FirstChildElement(); child;
         child = child->NextSiblingElement(), ++i)
        if (child == &element)
            return i;
    return -1;
}

int element_count(const XMLElement& element)
{
    const XMLNode* parent = element.Parent();
    if (!parent || !parent->ToElement())
        return 0;
    int count = 0;
    for (const XMLElement* child = parent->FirstChildElement(); child;
         child = child->NextSiblingElement())
        ++count;
    return count;
}

bool nth_last(int index, int count, int n)
{
    const std::int64_t k = std::int64_t(count) - n - 1;
    return 0 <= k && k < count && index == k;
}

bool pseudo_class_holds(const std::string& token, const XMLElement& element)
{
    std::string name = token;
    std::string argument;
    const auto open = token.find('(');
    if (open != std::string::npos) {
        name = token.substr(0, open);
        if (open + 1 < token.size())
            argument = token.substr(open + 1, token.size() - open - 2);
    }
    const int n = to_int(unquote(argument));
    name = upper(name);
    if (name == "EMPTY")
        return element.NoChildren();
    if (name == "FIRST-CHILD" || name == "FIRST-OF-TYPE")
        return child_index(element) == 0;
    if (name == "LAST-CHILD" || name == "LAST-OF-TYPE")
        return child_index(element) == child_count(element) - 1;
    if (name == "NTH-CHILD")
        return n >= 0 && child_index(element) == n;
    if (name == "NTH-LAST-CHILD")
        return nth_last(child_index(element), child_count(element), n);
    if (name == "ONLY-CHILD")
        return child_count(element) == 1;
    if (name == "NTH-OF-TYPE")
        return n >= 0 && element_index(element) == n;
    if (name == "NTH-LAST-OF-TYPE")
        return nth_last(element_index(element), element_count(element), n);
    if (name == "ONLY-OF-TYPE")
        return element_count(element) == 1;
    return true;
}

bool has_all_words(const XMLElement& element, const char* attribute,
                   const std::vector<std::string>& required)
{
    if (required.empty())
        return true;
    const char* value = element.Attribute(attribute);
    if (!value)
        return false;
    const auto words = split(value, ' ');
    for (const auto& word : required)
        if (std::find(words.begin(), words.end(), word) == words.end())
            return false;
    return true;
}

bool match(const css_typeselector& type, const XMLElement& element)
{
    if (!is_blank(type.name) && type.name != "*" && upper(type.name) != upper(element.Name()))
        return false;
    if (!has_all_words(element, "class", type.classes) || !has_all_words(element, "id", type.ids))
        return false;
    for (const auto& token : type.functions)
        if (!pseudo_class_holds(token, element))
            return false;
    return true;
}

bool match(const css_element& compound, const XMLElement& element)
{
    if (compound.type_selector && !match(*compound.type_selector, element))
        return false;
    for (const auto& attribute : compound.attributes)
        if (!::match(attribute, element))
            return false;
    return true;
}

const XMLElement* element_parent(const XMLElement& element)
{
    const XMLNode* parent = element.Parent();
    return parent ? parent->ToElement() : nullptr;
}

std::vector<const XMLElement*> candidates(char combinator, const XMLElement& element)
{
    std::vector<const XMLElement*> found;
    const XMLElement* parent = element_parent(element);
    if (combinator == ' ') {
        for (const XMLElement* up = parent; up; up = element_parent(*up))
            found.push_back(up);
    } else if (combinator == '>') {
        if (parent)
            found.push_back(parent);
    } else if (combinator == '~' || combinator == '+') {
        if (!parent)
            return found;
        const XMLElement* previous = nullptr;
        for (const XMLElement* child = parent->FirstChildElement(); child != &element;
             child = child->NextSiblingElement()) {
            if (combinator == '~')
                found.push_back(child);
            previous = child;
        }
        if (combinator == '+' && previous)
            found.push_back(previous);
    }
    return found;
}

bool match_from(const css_chain& chain, const XMLElement& element, std::size_t i)
{
    if (!match(chain.elements[i], element))
        return false;
    if (i == 0)
        return true;
    for (const XMLElement* candidate : candidates(chain.combinators[i - 1], element))
        if (match_from(chain, *candidate, i - 1))
            return true;
    return false;
}

bool match(const css_groups& group, const XMLElement& element)
{
    for (const auto& chain : group.chains)
        if (!chain.elements.empty() && match_from(chain, element, chain.elements.size() - 1))
            return true;
    return false;
}

void collect_matches(std::vector<std::string>& results, const XMLElement& element,
                     const css_groups& group, std::vector<const XMLElement*>& order)
{
    order.push_back(&element);
    if (match(group, element)) {
        tinyxml2::XMLPrinter printer(nullptr, false, 0);
        element.Accept(&printer);
        results.emplace_back(printer.CStr());
    }
    for (const XMLElement* child = element.FirstChildElement(); child;
         child = child->NextSiblingElement())
        collect_matches(results, *child, group, order);
}

}

// The random choices both generators make.
class random_picker {
public:
    explicit random_picker(std::mt19937& random) : random(random) {}

protected:
    std::mt19937& random;

    bool chance(int percent) { return int(random() % 100) < percent; }

    template <std::size_t size>
    const char* pick(const char* const (&choices)[size])
    {
        return choices[random() % size];
    }
};

// Random documents over a few names, attribute values and node kinds.
class document_generator : random_picker {
public:
    using random_picker::random_picker;

    std::string document()
    {
        std::string text;
        if (chance(20))
            text += "<?xml version=\"1.0\"?>";
        if (chance(20))
            text += "<!--before-->";
        text += element(0);
        if (chance(10))
            text += "<!--after-->";
        return text;
    }

private:

    std::string element(int depth)
    {
        static const char* const names[] = {"a", "b", "c", "div", "A"};
        static const char* const classes[] = {"x", "y", "x y", "y  x", " x", "", "x&#9;y"};
        static const char* const ids[] = {"i", "j", "i j"};
        static const char* const titles[] = {"ab", "a-b", "", "b", "a"};
        const std::string name = pick(names);
        std::string text = "<" + name;
        if (chance(30))
            text += std::string(" class=\"") + pick(classes) + "\"";
        if (chance(15))
            text += std::string(" id=\"") + pick(ids) + "\"";
        if (chance(20))
            text += std::string(" title=\"") + pick(titles) + "\"";
        const int children = depth >= 5 ? 0 : int(random() % (depth == 0 ? 6 : 5));
        std::string content;
        for (int i = 0; i < children; ++i)
            content += child(depth + 1);
        if (content.empty() && chance(70))
            return text + "/>";
        return text + ">" + content + "</" + name + ">";
    }

    std::string child(int depth)
    {
        const int kind = int(random() % 100);
        if (kind < 70)
            return element(depth);
        if (kind < 82)
            return chance(50) ? "t" : " t ";
        if (kind < 92)
            return "<!--c-->";
        return "  ";
    }
};

// Random selector groups over the same names and values, with every
// combinator and every structural pseudo-class.
class selector_generator : random_picker {
public:
    using random_picker::random_picker;

    std::string group()
    {
        std::string text = chain();
        if (random() % 4 == 0)
            text += ", " + chain();
        return text;
    }

private:

    std::string chain()
    {
        static const char* const combinators[] = {" ", " > ", " + ", " ~ ", ">", "~"};
        const int compounds = 1 + int(random() % 4);
        std::string text = compound();
        for (int i = 1; i < compounds; ++i)
            text += std::string(pick(combinators)) + compound();
        return text;
    }

    std::string compound()
    {
        static const char* const names[] = {"", "a", "b", "c", "div", "*", "A", "B", "a", "b"};
        static const char* const attributes[] = {
            "[title]", "[title=ab]", "[title^=a]", "[title$=b]", "[title*=-]",
            "[title|=a]", "[class~=x]", "[id]", "[title='']",
        };
        static const char* const simple[] = {
            "first-child", "last-child", "only-child", "only-of-type", "empty",
            "first-of-type", "last-of-type", "hover",
        };
        static const char* const numbered[] = {
            "nth-child", "nth-last-child", "nth-of-type", "nth-last-of-type",
        };
        static const char* const numbers[] = {"-1", "0", "1", "2", "3", "'1'", "-2147483648"};
        std::string text = pick(names);
        if (chance(20))
            text += chance(50) ? ".x" : ".y";
        if (chance(10))
            text += chance(50) ? "#i" : "#j";
        if (chance(30)) {
            if (chance(50))
                text += std::string(":") + pick(simple);
            else
                text += std::string(":") + pick(numbered) + "(" + pick(numbers) + ")";
        }
        if (chance(15))
            text += pick(attributes);
        return text.empty() ? "*" : text;
    }
};

std::vector<std::string> plain_query(const XMLElement& root, const css_groups& group,
                                     std::vector<const XMLElement*>& order)
{
    std::vector<std::string> results;
    plain::collect_matches(results, root, group, order);
    return results;
}

TEST(matching_property, engine_agrees_with_plain_backtracking_on_random_cases)
{
    std::mt19937 random(20240611);
    document_generator documents(random);
    selector_generator selectors(random);
    int cases = 0;
    int cases_with_results = 0;
    int chains_with_results = 0;
    for (int d = 0; d < 4000; ++d) {
        const std::string text = documents.document();
        tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
        ASSERT_EQ(document.Parse(text.c_str()), tinyxml2::XML_SUCCESS) << text;
        const XMLElement& root = *document.FirstChildElement();

        // The index's pre-order, relations and positions against plain walks.
        const document_index index(root);
        const css_groups everything("*");
        std::vector<const XMLElement*> order;
        plain_query(root, everything, order);
        ASSERT_EQ(index.nodes.size(), order.size()) << text;
        for (std::size_t e = 0; e < order.size(); ++e) {
            const auto& node = index.nodes[e];
            ASSERT_EQ(node.element, order[e]) << text;
            EXPECT_EQ(node.position.child_index, plain::child_index(*node.element)) << text;
            EXPECT_EQ(node.position.child_count, plain::child_count(*node.element)) << text;
            EXPECT_EQ(node.position.element_index, plain::element_index(*node.element)) << text;
            EXPECT_EQ(node.position.element_count, plain::element_count(*node.element)) << text;
            const XMLElement* parent = plain::element_parent(*node.element);
            EXPECT_EQ(node.parent >= 0 ? index.nodes[std::size_t(node.parent)].element : nullptr,
                      parent) << text;
            const XMLElement* previous = parent ? node.element->PreviousSiblingElement() : nullptr;
            EXPECT_EQ(node.previous_sibling >= 0
                          ? index.nodes[std::size_t(node.previous_sibling)].element : nullptr,
                      previous) << text;
        }

        for (int s = 0; s < 5; ++s) {
            const std::string selector = selectors.group();
            const css_groups group(selector.c_str());
            std::vector<const XMLElement*> unused;
            const auto expected = plain_query(root, group, unused);
            std::vector<std::string> actual;
            matching_test::query_text(actual, text.c_str(), selector.c_str());
            ASSERT_EQ(actual, expected) << "selector [" << selector << "] on " << text;
            ++cases;
            if (!expected.empty()) {
                ++cases_with_results;
                if (selector.find_first_of(" >+~") != std::string::npos)
                    ++chains_with_results;
            }
        }
    }
    RecordProperty("cases", cases);
    RecordProperty("cases_with_results", cases_with_results);
    RecordProperty("chains_with_results", chains_with_results);
    // Guard against a generator that only ever produces empty answers.
    EXPECT_GT(cases_with_results, cases / 6);
    EXPECT_GT(chains_with_results, cases / 10);
}

}
