// The per-document query: parses cleaned XHTML, matches every element against
// a selector group in document pre-order and serialises each match.
#pragma once

#include "selector/css.hpp"

#include <iostream>
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

// Appends one serialised element (ending in "\n") per matching element of the
// document to results, in pre-order; each element at most once. With verbose,
// reports an XML parse error and the selector outline on the diagnostics
// stream.
void query_document(std::vector<std::string>& results, bool verbose,
                    const char* xhtml, const char* selector,
                    std::ostream& diagnostics = std::cerr);

// The query of a document already parsed: builds the group from the selector
// text, shows its outline with verbose, and appends the matches of the
// document's root element and its subtree.
void query_parsed(std::vector<std::string>& results, bool verbose,
                  const tinyxml2::XMLDocument& document, const char* selector,
                  std::ostream& diagnostics);

// Appends every element of root's subtree (root included) that the group
// matches, serialised, in pre-order. A match inside another match is listed
// again on its own.
void collect_matches(std::vector<std::string>& results, const tinyxml2::XMLElement& root,
                     const css_groups& group);
