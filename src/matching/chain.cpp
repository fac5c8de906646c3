#include "matching/chain.hpp"

#include "matching/compound.hpp"

#include <algorithm>

namespace {

// Narrows candidates to the elements that the compound matches: the
// compound is tested only where a candidate flag is set, since that test is
// the costly step.
void keep_matching(const css_element& compound, const document_index& index,
                   match_column& candidates)
{
    const compound_matcher matcher(compound);
    for (std::size_t e = 0; e < index.nodes.size(); ++e) {
        if (!candidates[e])
            continue;
        candidates[e] = matcher.match(index.nodes[e]);
    }
}

bool any_set(const match_column& column)
{
    return std::find(column.begin(), column.end(), 1) != column.end();
}

// The collectors: set found, for each element, to whether one of its
// candidates for the combinator has its flag set in left (the column of the
// compound to the left). Descendant ' ': some element ancestor. Child '>':
// the element parent. Following sibling '~': some earlier element sibling.
// Next sibling '+': the element sibling immediately before. The root has
// none of these. Each relies on the pre-order numbering: a parent and an
// earlier sibling always come before the element, so their results are ready.
void collect_ancestors(const document_index& index, const match_column& left, match_column& found)
{
    found.assign(index.nodes.size(), 0);
    for (std::size_t e = 0; e < index.nodes.size(); ++e) {
        const int parent = index.nodes[e].parent;
        if (parent >= 0)
            found[e] = left[std::size_t(parent)] || found[std::size_t(parent)];
    }
}

void collect_parent(const document_index& index, const match_column& left, match_column& found)
{
    found.assign(index.nodes.size(), 0);
    for (std::size_t e = 0; e < index.nodes.size(); ++e) {
        const int parent = index.nodes[e].parent;
        if (parent >= 0)
            found[e] = left[std::size_t(parent)];
    }
}

void collect_preceding_siblings(const document_index& index, const match_column& left,
                                match_column& found)
{
    found.assign(index.nodes.size(), 0);
    for (std::size_t e = 0; e < index.nodes.size(); ++e) {
        const int previous = index.nodes[e].previous_sibling;
        if (previous >= 0)
            found[e] = left[std::size_t(previous)] || found[std::size_t(previous)];
    }
}

void collect_previous_sibling(const document_index& index, const match_column& left,
                              match_column& found)
{
    found.assign(index.nodes.size(), 0);
    for (std::size_t e = 0; e < index.nodes.size(); ++e) {
        const int previous = index.nodes[e].previous_sibling;
        if (previous >= 0)
            found[e] = left[std::size_t(previous)];
    }
}

// Any other combinator gives no candidates.
void collect(char combinator, const document_index& index, const match_column& left,
             match_column& found)
{
    switch (combinator) {
    case ' ':
        return collect_ancestors(index, left, found);
    case '>':
        return collect_parent(index, left, found);
    case '~':
        return collect_preceding_siblings(index, left, found);
    case '+':
        return collect_previous_sibling(index, left, found);
    default:
        found.assign(index.nodes.size(), 0);
    }
}

// Flags the elements that compound i of the chain matches with everything to
// its left matching through the combinators.
match_column match_from(const css_chain& chain, const document_index& index, std::size_t i)
{
    match_column column(index.nodes.size(), 1);
    if (i >= chain.elements.size()) {
        column.assign(index.nodes.size(), 0);
        return column;
    }
    keep_matching(chain.elements[0], index, column);
    match_column next;
    for (std::size_t k = 1; k <= i; ++k) {
        // Once no element matches the left part, nothing further right can.
        if (!any_set(column) || k - 1 >= chain.combinators.size()) {
            column.assign(index.nodes.size(), 0);
            break;
        }
        collect(chain.combinators[k - 1], index, column, next);
        keep_matching(chain.elements[k], index, next);
        column.swap(next);
    }
    return column;
}

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
