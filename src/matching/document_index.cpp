#include "matching/document_index.hpp"

#include <algorithm>
#include <tinyxml2.h>

namespace {

// An element waiting on the walk's stack, with what is known of it before it
// gets its number.
struct pending_element {
    const tinyxml2::XMLElement* element;
    int parent;
    sibling_position position;
};

// Pushes the element children of parent onto the stack so that the first
// child is popped first, each with its child-node and element positions.
void push_children(std::vector<pending_element>& stack, const tinyxml2::XMLNode& parent,
                   int parent_number, bool parent_is_element)
{
    const auto first_pushed = stack.size();
    int child_index = 0;
    int element_index = 0;
    for (auto node = parent.FirstChild(); node; node = node->NextSibling(), ++child_index) {
        if (const auto element = node->ToElement()) {
            sibling_position position;
            position.child_index = child_index;
            if (parent_is_element)
                position.element_index = element_index++;
            stack.push_back({element, parent_number, position});
        }
    }
    const int element_count = parent_is_element ? element_index : 0;
    for (auto i = first_pushed; i < stack.size(); ++i) {
        stack[i].position.child_count = child_index;
        stack[i].position.element_count = element_count;
    }
    std::reverse(stack.begin() + std::ptrdiff_t(first_pushed), stack.end());
}

}

document_index::document_index(const tinyxml2::XMLElement& root)
{
    // The root's position comes from the document's own child list; only the
    // root itself is kept from it.
    std::vector<pending_element> stack;
    if (const auto document = root.Parent())
        push_children(stack, *document, -1, false);
    std::erase_if(stack, [&](const pending_element& pending) { return pending.element != &root; });
    if (stack.empty())
        stack.push_back({&root, -1, {}});

    // last_child[p]: the most recently numbered element child of node p.
    std::vector<int> last_child;
    while (!stack.empty()) {
        const auto pending = stack.back();
        stack.pop_back();
        const int number = int(nodes.size());
        int previous = -1;
        if (pending.parent >= 0) {
            previous = last_child[std::size_t(pending.parent)];
            last_child[std::size_t(pending.parent)] = number;
        }
        nodes.push_back({pending.element, pending.element->Name(), pending.parent, previous,
                         pending.position});
        last_child.push_back(-1);
        push_children(stack, *pending.element, number, true);
    }
}
