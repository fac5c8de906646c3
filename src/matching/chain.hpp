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

// Flags the elements the chain matches: those its last compound matches with
// everything to its left matching through the combinators. A chain without
// compounds, or with a combinator other than ' ', '>', '~' and '+', matches
// nothing.
match_column match(const css_chain& chain, const document_index& index);

// Flags the elements that at least one chain of the group matches.
match_column match(const css_groups& group, const document_index& index);
