#include "matching/compound.hpp"

#include "matching/names.hpp"
#include "text/text.hpp"

#include <algorithm>
#include <tinyxml2.h>

bool has_word(std::string_view value, std::string_view word)
{
    const auto words = split(value, ' ');
    return std::find(words.begin(), words.end(), word) != words.end();
}

bool match_word_list(const tinyxml2::XMLElement& element, const char* attribute,
                     const std::vector<std::string>& words)
{
    if (words.empty())
        return true;
    const char* value = element.Attribute(attribute);
    if (!value)
        return false;
    const auto present = split(value, ' ');
    return std::all_of(words.begin(), words.end(), [&](const std::string& word) {
        return std::find(present.begin(), present.end(), word) != present.end();
    });
}

bool match(const css_attributeselector& selector, const tinyxml2::XMLElement& element)
{
    if (is_blank(selector.name))
        return false;
    const char* found = element.Attribute(selector.name.c_str());
    if (!found)
        return false;
    const std::string_view actual = found;
    const std::string_view wanted = selector.value;
    switch (selector.op) {
    case attr_exists:
        return true;
    case attr_equals:
        return actual == wanted;
    case attr_includes:
        return !wanted.empty() && wanted.find(' ') == std::string_view::npos
            && has_word(actual, wanted);
    case attr_prefix:
        return !is_blank(wanted) && actual.starts_with(wanted);
    case attr_suffix:
        return !is_blank(wanted) && actual.ends_with(wanted);
    case attr_substring:
        return !is_blank(wanted) && actual.find(wanted) != std::string_view::npos;
    case attr_dashmatch:
        return actual == wanted
            || (actual.starts_with(wanted) && actual.size() > wanted.size()
                && actual[wanted.size()] == '-');
    default:
        return false;
    }
}

bool match_name(const css_typeselector& selector, const tinyxml2::XMLElement& element)
{
    if (is_blank(selector.name) || selector.name == "*")
        return true;
    return equal_ignoring_case(selector.name, element.Name());
}

compound_matcher::compound_matcher(const css_element& compound)
    : compound(&compound)
{
    if (compound.type_selector)
        for (const auto& token : compound.type_selector->functions)
            pseudo_classes.push_back(parse_pseudo_class(token));
}

bool compound_matcher::match(const tinyxml2::XMLElement& element,
                             const sibling_position& position) const
{
    if (compound->type_selector && !match_type(*compound->type_selector, element, position))
        return false;
    return std::all_of(compound->attributes.begin(), compound->attributes.end(),
                       [&](const css_attributeselector& selector) {
                           return ::match(selector, element);
                       });
}

bool compound_matcher::match_type(const css_typeselector& selector,
                                  const tinyxml2::XMLElement& element,
                                  const sibling_position& position) const
{
    if (!match_name(selector, element))
        return false;
    if (!match_word_list(element, "class", selector.classes))
        return false;
    if (!match_word_list(element, "id", selector.ids))
        return false;
    return std::all_of(pseudo_classes.begin(), pseudo_classes.end(),
                       [&](const pseudo_class& test) {
                           return pseudo_class_holds(test, element, position);
                       });
}
