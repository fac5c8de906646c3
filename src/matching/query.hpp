// The per-document query: parses cleaned XHTML, matches every element against
// a selector group in document pre-order and serialises each match.
#pragma once

#include "selector/css.hpp"

#include <iostream>
#include <string>
#include <vector>

namespace tinyxml2 {
class XMLElement;
}

// Appends one serialised element (ending in "\n") per matching element of the
// document to results, in pre-order; each element at most once. With verbose,
// reports an XML parse error and the selector outline on the diagnostics
// stream.
void query_document(std::vector<std::string>& results, bool verbose,
                    const char* xhtml, const char* selector,
                    std::ostream& diagnostics = std::cerr);

// Appends every element of root's subtree (root included) that the group
// matches, serialised, in pre-order. A match inside another match is listed
// again on its own.
void collect_matches(std::vector<std::string>& results, const tinyxml2::XMLElement& root,
                     const css_groups& group);
