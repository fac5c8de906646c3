// The elements of one document's root subtree numbered in pre-order, with the
// relations and sibling positions the matchers need, so that no test has to
// walk a sibling list again.
#pragma once

#include "matching/pseudo_class.hpp"

#include <string_view>
#include <vector>

namespace tinyxml2 {
class XMLElement;
}

// One element of the index with what the matchers read of it: its name,
// read once, and its relations as indices into document_index::nodes, -1
// where there is no such element (the root has no element parent, and an
// element without an element sibling before it has no previous sibling).
struct indexed_element {
    const tinyxml2::XMLElement* element;
    std::string_view name;
    int parent;
    int previous_sibling;
    sibling_position position;
};

// Built in one walk with an explicit stack, so that neither deep nor wide
// documents cost more than one visit per node.
class document_index {
public:
    std::vector<indexed_element> nodes;  // in document pre-order

    explicit document_index(const tinyxml2::XMLElement& root);
};
