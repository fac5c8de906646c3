// Structural pseudo-classes (":first-child", ":nth-of-type(2)", ...): a raw
// token from the selector model is read once into a pseudo_class, which is then
// tested against elements through their sibling_position.
#pragma once

#include <string_view>

namespace tinyxml2 {
class XMLElement;
}

// Where an element stands among its parent's children. Child-node figures
// count every child node (text, comments, ...); element figures count element
// children only and are -1 / 0 when the parent is not an element (the root).
struct sibling_position {
    int child_index = -1;
    int child_count = 0;
    int element_index = -1;
    int element_count = 0;
};

// The tests a token can stand for. "first-of-type" and "last-of-type" count
// child nodes exactly like "first-child" and "last-child", so they share
// those kinds.
enum class pseudo_kind {
    no_condition,
    empty,
    first_child,
    last_child,
    nth_child,
    nth_last_child,
    only_child,
    nth_of_type,
    nth_last_of_type,
    only_of_type,
};

// A pseudo-class token read into its test and its number (0 when absent).
struct pseudo_class {
    pseudo_kind kind = pseudo_kind::no_condition;
    int n = 0;
};

// Reads a raw token such as "nth-child('2')": the name before the first '('
// (compared without regard to ASCII case), the argument between that '(' and
// the token's last character, unquoted and read with to_int.
pseudo_class parse_pseudo_class(std::string_view token);

// Whether the pseudo-class holds for the element standing at position.
bool pseudo_class_holds(const pseudo_class& test, const tinyxml2::XMLElement& element,
                        const sibling_position& position);
