#include "matching/chain.hpp"

#include "matching/compound.hpp"

#include <algorithm>

namespace {

// The column of one compound alone, tested only where allowed is set (all
// elements when allowed is empty): the compound test is the costly step.
match_column match_compound(const css_element& compound, const document_index& index,
                            const match_column* allowed)
{
    const compound_matcher matcher(compound);
    match_column column(index.nodes.size(), 0);
    for (std::size_t e = 0; e < index.nodes.size(); ++e) {
        if (allowed && !(*allowed)[e])
            continue;
        const auto& node = index.nodes[e];
        column[e] = matcher.match(*node.element, node.position);
    }
    return column;
}

bool any_set(const match_column& column)
{
    return std::find(column.begin(), column.end(), 1) != column.end();
}

match_column collect(char combinator, const document_index& index, const match_column& left)
{
    switch (combinator) {
    case ' ':
        return collect_ancestors(index, left);
    case '>':
        return collect_parent(index, left);
    case '~':
        return collect_preceding_siblings(index, left);
    case '+':
        return collect_previous_sibling(index, left);
    default:
        return match_column(index.nodes.size(), 0);
    }
}

}

// Each collector relies on the pre-order numbering: a parent and an earlier
// sibling always come before the element, so their results are ready.

match_column collect_ancestors(const document_index& index, const match_column& left)
{
    match_column found(index.nodes.size(), 0);
    for (std::size_t e = 0; e < index.nodes.size(); ++e) {
        const int parent = index.nodes[e].parent;
        if (parent >= 0)
            found[e] = left[std::size_t(parent)] || found[std::size_t(parent)];
    }
    return found;
}

match_column collect_parent(const document_index& index, const match_column& left)
{
    match_column found(index.nodes.size(), 0);
    for (std::size_t e = 0; e < index.nodes.size(); ++e) {
        const int parent = index.nodes[e].parent;
        if (parent >= 0)
            found[e] = left[std::size_t(parent)];
    }
    return found;
}

match_column collect_preceding_siblings(const document_index& index, const match_column& left)
{
    match_column found(index.nodes.size(), 0);
    for (std::size_t e = 0; e < index.nodes.size(); ++e) {
        const int previous = index.nodes[e].previous_sibling;
        if (previous >= 0)
            found[e] = left[std::size_t(previous)] || found[std::size_t(previous)];
    }
    return found;
}

match_column collect_previous_sibling(const document_index& index, const match_column& left)
{
    match_column found(index.nodes.size(), 0);
    for (std::size_t e = 0; e < index.nodes.size(); ++e) {
        const int previous = index.nodes[e].previous_sibling;
        if (previous >= 0)
            found[e] = left[std::size_t(previous)];
    }
    return found;
}

match_column match_from(const css_chain& chain, const document_index& index, std::size_t i)
{
    if (i >= chain.elements.size())
        return match_column(index.nodes.size(), 0);
    match_column column = match_compound(chain.elements[0], index, nullptr);
    for (std::size_t k = 1; k <= i; ++k) {
        // Once no element matches the left part, nothing further right can.
        if (!any_set(column) || k - 1 >= chain.combinators.size())
            return match_column(index.nodes.size(), 0);
        const match_column candidates = collect(chain.combinators[k - 1], index, column);
        column = match_compound(chain.elements[k], index, &candidates);
    }
    return column;
}

match_column match(const css_chain& chain, const document_index& index)
{
    if (chain.elements.empty())
        return match_column(index.nodes.size(), 0);
    return match_from(chain, index, chain.elements.size() - 1);
}

match_column match(const css_groups& group, const document_index& index)
{
    match_column matched(index.nodes.size(), 0);
    for (const auto& chain : group.chains) {
        const match_column column = match(chain, index);
        for (std::size_t e = 0; e < matched.size(); ++e)
            matched[e] = matched[e] || column[e];
    }
    return matched;
}
