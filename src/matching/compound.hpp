// Tests of one compound selector (type part, ids, classes, attribute
// selectors, pseudo-classes) against one element.
#pragma once

#include "matching/document_index.hpp"
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

// One compound selector ready for matching: the model's compound with its
// element name and pseudo-class tokens read once, so that testing many
// elements does not re-read them.
class compound_matcher {
public:
    const css_element* compound;
    bool any_name = true;    // no type part, a blank name or "*"
    bool name_only = false;  // nothing to test but the element name
    std::vector<pseudo_class> pseudo_classes;

    explicit compound_matcher(const css_element& compound);

    // The compound's whole test: element name, classes, ids, pseudo-classes,
    // then the attribute selectors in order. The name comes first because it
    // is the cheapest test and the one that fails most often.
    bool match(const indexed_element& node) const;

private:
    bool match_rest(const indexed_element& node) const;
};
