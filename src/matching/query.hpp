// The per-document query: parses cleaned XHTML, matches every element against
// a selector group in document pre-order and serialises each match.
#pragma once

#include "selector/css.hpp"

#include <ostream>
#include <string>
#include <tinyxml2.h>
#include <vector>

// A cleaned document parsed by the XML parser, with its verdict. A document
// that did not parse holds no node.
struct parsed_xhtml {
    // Parses the text up to its terminating zero; null is an empty text.
    explicit parsed_xhtml(const char* xhtml);

    tinyxml2::XMLDocument document{true, tinyxml2::PRESERVE_WHITESPACE};
    tinyxml2::XMLError error = tinyxml2::XML_SUCCESS;
};

// The query of a parsed document: builds the group from the selector text,
// shows its outline on the diagnostics stream with verbose, and appends one
// serialised element (ending in "\n") per matching element of the root
// element's subtree to results, in pre-order; each element at most once. A
// document that did not parse has no root, and gives nothing.
void query_document(std::vector<std::string>& results, bool verbose,
                    const tinyxml2::XMLDocument& document, const char* selector,
                    std::ostream& diagnostics);

// Appends every element of root's subtree (root included) that the group
// matches, serialised, in pre-order. A match inside another match is listed
// again on its own.
void collect_matches(std::vector<std::string>& results, const tinyxml2::XMLElement& root,
                     const css_groups& group);

// The release of the XML parser in use, such as "9.0.0".
std::string xml_parser_release();
