#include "matching/compound.hpp"

#include "text/text.hpp"

#include <algorithm>
#include <tinyxml2.h>

namespace {

bool contains(const std::vector<std::string>& words, std::string_view word)
{
    return std::find(words.begin(), words.end(), word) != words.end();
}

}

bool has_word(std::string_view value, std::string_view word)
{
    return contains(split(value, ' '), word);
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
    return std::all_of(words.begin(), words.end(),
                       [&](const std::string& word) { return contains(present, word); });
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

compound_matcher::compound_matcher(const css_element& compound)
    : compound(&compound)
{
    const auto& type = compound.type_selector;
    if (!type)
        return;
    any_name = is_blank(type->name) || type->name == "*";
    for (const auto& token : type->functions)
        pseudo_classes.push_back(parse_pseudo_class(token));
    name_only = type->classes.empty() && type->ids.empty() && pseudo_classes.empty()
        && compound.attributes.empty();
}

bool compound_matcher::match(const indexed_element& node) const
{
    if (!any_name && !equal_ignoring_case(compound->type_selector->name, node.name))
        return false;
    return name_only || match_rest(node);
}

bool compound_matcher::match_rest(const indexed_element& node) const
{
    const tinyxml2::XMLElement& element = *node.element;
    if (const auto& type = compound->type_selector) {
        if (!match_word_list(element, "class", type->classes))
            return false;
        if (!match_word_list(element, "id", type->ids))
            return false;
        for (const auto& test : pseudo_classes)
            if (!pseudo_class_holds(test, element, node.position))
                return false;
    }
    return std::all_of(compound->attributes.begin(), compound->attributes.end(),
                       [&](const css_attributeselector& selector) {
                           return ::match(selector, element);
                       });
}
