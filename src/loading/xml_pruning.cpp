#include "loading/xml_pruning.hpp"

#include <string_view>
#include <unordered_set>
#include <vector>

namespace {

// The node after node in document order; its children are skipped unless
// descend.
TidyNode next_node(TidyNode node, bool descend)
{
    if (descend)
        if (TidyNode child = tidyGetChild(node))
            return child;
    for (; node; node = tidyGetParent(node))
        if (TidyNode sibling = tidyGetNext(node))
            return sibling;
    return nullptr;
}

bool is_foreign_to_xml(TidyNode node)
{
    switch (tidyNodeGetType(node)) {
    case TidyNode_ProcIns:
    case TidyNode_Asp:
    case TidyNode_Jste:
    case TidyNode_Php:
        return true;
    default:
        return false;
    }
}

// Discards every earlier copy of a repeated attribute of the element.
void drop_repeated_attributes(TidyDoc doc, TidyNode element)
{
    std::vector<TidyAttr> attributes;
    for (TidyAttr attribute = tidyAttrFirst(element); attribute; attribute = tidyAttrNext(attribute))
        attributes.push_back(attribute);
    if (attributes.size() < 2)
        return;
    std::unordered_set<std::string_view> later;
    for (auto it = attributes.rbegin(); it != attributes.rend(); ++it) {
        const char* name = tidyAttrName(*it);
        if (!later.insert(name ? name : "").second)
            tidyAttrDiscard(doc, element, *it);
    }
}

}

void prune_for_xml(TidyDoc doc)
{
    TidyNode node = tidyGetChild(tidyGetRoot(doc));
    while (node) {
        if (is_foreign_to_xml(node)) {
            TidyNode parent = tidyGetParent(node);
            TidyNode sibling = tidyDiscardElement(doc, node);
            node = sibling ? sibling : next_node(parent, false);
            continue;
        }
        drop_repeated_attributes(doc, node);
        node = next_node(node, true);
    }
}
