// Structural invariants every parsed selector group keeps, whatever its
// text. Shared by the generated-input test and the parser's fuzz target.
#pragma once

#include "selector/css.hpp"

#include <algorithm>
#include <string>
#include <string_view>

namespace model_invariants {

inline bool has_outer_space(std::string_view text)
{
    return !text.empty() && (text.front() == ' ' || text.back() == ' ');
}

// Finds part in whole at or after from; on success moves from past it.
// Children are cut from their parent's text in order, so each must appear
// there after the one before it.
inline bool found_in_order(std::string_view whole, std::string_view part, std::size_t& from)
{
    const std::size_t at = whole.find(part, from);
    if (at == std::string_view::npos)
        return false;
    from = at + part.size();
    return true;
}

inline bool is_combinator_or_space(char c)
{
    return c == ' ' || c == '>' || c == '+' || c == '~';
}

inline std::string check_attribute(const css_attributeselector& attribute)
{
    if (has_outer_space(attribute.text))
        return "attribute text has outer spaces: [" + attribute.text + "]";
    if (attribute.text.empty() || attribute.text.front() != '[')
        return "attribute text does not start with '[': " + attribute.text;
    if (attribute.op < attr_exists || attribute.op > attr_dashmatch)
        return "attribute operator out of range: " + std::to_string(attribute.op);
    if (attribute.op == attr_exists && !attribute.value.empty())
        return "bare attribute selector has a value: " + attribute.text;
    // The name lies strictly between the first and the last character.
    if (!attribute.name.empty() && (attribute.name.size() + 2 > attribute.text.size() ||
                                    attribute.text.find(attribute.name, 1) == std::string::npos))
        return "attribute name not inside its brackets: " + attribute.text;
    return {};
}

inline std::string check_type(const css_typeselector& type)
{
    if (type.text.empty() || has_outer_space(type.text))
        return "type text blank or with outer spaces: [" + type.text + "]";
    for (const auto* list : {&type.ids, &type.classes, &type.functions})
        for (const std::string& token : *list)
            if (type.text.find(token) == std::string::npos)
                return "token not in its type text: " + token;
    return {};
}

inline std::string check_element(const css_element& element)
{
    if (element.text.empty() || has_outer_space(element.text))
        return "element text blank or with outer spaces: [" + element.text + "]";
    std::size_t from = 0;
    for (const css_attributeselector& attribute : element.attributes) {
        if (std::string problem = check_attribute(attribute); !problem.empty())
            return problem;
        if (!found_in_order(element.text, attribute.text, from))
            return "attribute selector not in order in its compound: " + attribute.text;
    }
    if (element.type_selector) {
        if (std::string problem = check_type(*element.type_selector); !problem.empty())
            return problem;
        if (element.text.find(element.type_selector->text) == std::string::npos)
            return "type part not in its compound: " + element.type_selector->text;
    }
    return {};
}

inline std::string check_chain(const css_chain& chain)
{
    if (has_outer_space(chain.text))
        return "chain text has outer spaces: [" + chain.text + "]";
    const std::size_t elements = chain.elements.size();
    const std::size_t combinators = chain.combinators.size();
    if (combinators != elements && combinators + 1 != elements)
        return "chain has " + std::to_string(elements) + " elements and " +
               std::to_string(combinators) + " combinators: " + chain.text;
    for (const char c : chain.combinators)
        if (!is_combinator_or_space(c))
            return std::string("unknown combinator '") + c + "' in " + chain.text;
    // Any other character ends up in some compound.
    const bool only_combinators = std::all_of(chain.text.begin(), chain.text.end(), is_combinator_or_space);
    if (only_combinators != chain.elements.empty())
        return "chain elements do not fit its text: " + chain.text;
    std::size_t from = 0;
    for (const css_element& element : chain.elements) {
        if (std::string problem = check_element(element); !problem.empty())
            return problem;
        if (!found_in_order(chain.text, element.text, from))
            return "element not in order in its chain: " + element.text;
    }
    return {};
}

// The first broken invariant of the group, or an empty string.
inline std::string check_group(const css_groups& group, std::string_view source)
{
    if (group.text != source)
        return "group text differs from the source";
    const auto commas = static_cast<std::size_t>(std::count(source.begin(), source.end(), ','));
    if (group.chains.size() > commas + 1)
        return "more chains than comma-separated pieces";
    std::size_t from = 0;
    for (const css_chain& chain : group.chains) {
        if (std::string problem = check_chain(chain); !problem.empty())
            return problem;
        if (!found_in_order(group.text, chain.text, from))
            return "chain not in order in its group: " + chain.text;
    }
    return {};
}

}
