// Matching of complex selectors (compounds joined by combinators) and of the
// whole group over every element of a document at once.
//
// A chain is evaluated from left to right over the document index: the
// column for compound i says, for each element, whether compound i matches it
// and everything to its left matches through the combinators. Each column is
// built from the one before it by a collector in one pass over the elements,
// so a chain costs (elements) x (compounds), however the combinators nest.
#pragma once

#include "matching/document_index.hpp"
#include "selector/css.hpp"

#include <cstddef>
#include <vector>

// One flag per element of a document_index, in the same order.
using match_column = std::vector<char>;

// The four collectors: set found, for each element, to whether one of its
// candidates for the combinator has its flag set in left (the column of the
// compound to the left). Descendant ' ': some element ancestor. Child '>':
// the element parent. Following sibling '~': some earlier element sibling.
// Next sibling '+': the element sibling immediately before. The root has
// none of these.
void collect_ancestors(const document_index& index, const match_column& left, match_column& found);
void collect_parent(const document_index& index, const match_column& left, match_column& found);
void collect_preceding_siblings(const document_index& index, const match_column& left,
                                match_column& found);
void collect_previous_sibling(const document_index& index, const match_column& left,
                              match_column& found);

// Flags the elements that compound i of the chain matches with everything to
// its left matching through the combinators. A combinator other than the four
// gives no candidates.
match_column match_from(const css_chain& chain, const document_index& index, std::size_t i);

// Flags the elements the chain matches: match_from its last compound. A chain
// without compounds matches nothing.
match_column match(const css_chain& chain, const document_index& index);

// Flags the elements that at least one chain of the group matches.
match_column match(const css_groups& group, const document_index& index);
