// Tests of one compound selector (type part, ids, classes, attribute
// selectors, pseudo-classes) against one element.
#pragma once

#include "matching/pseudo_class.hpp"
#include "selector/css.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace tinyxml2 {
class XMLElement;
}

// Whether word is one of the pieces of value cut at ' ' (see split).
bool has_word(std::string_view value, std::string_view word);

// Whether the element has the attribute and every required word is one of
// its space-separated words. An empty list holds without looking.
bool match_word_list(const tinyxml2::XMLElement& element, const char* attribute,
                     const std::vector<std::string>& words);

// Whether the element has the attribute with a value that the selector's
// operator accepts; unknown operators never match.
bool match(const css_attributeselector& selector, const tinyxml2::XMLElement& element);

// Whether the selector's element name ("*" and blank match any) names the element.
bool match_name(const css_typeselector& selector, const tinyxml2::XMLElement& element);

// One compound selector ready for matching: the model's compound with its
// pseudo-class tokens read once, so that testing many elements does not
// re-read them.
class compound_matcher {
public:
    const css_element* compound;
    std::vector<pseudo_class> pseudo_classes;

    explicit compound_matcher(const css_element& compound);

    // The compound's whole test: type part, then attribute selectors in order.
    bool match(const tinyxml2::XMLElement& element, const sibling_position& position) const;

private:
    bool match_type(const css_typeselector& selector, const tinyxml2::XMLElement& element,
                    const sibling_position& position) const;
};
