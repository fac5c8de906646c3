// The per-document query: parses cleaned XHTML, matches every element against
// a selector group in document pre-order and serialises each match.
#pragma once

#include <string>
#include <vector>

// Appends one serialised element (ending in "\n") per matching element of the
// document to results, in pre-order; each element at most once. With verbose,
// reports an XML parse error and the selector outline on standard error.
void query_document(std::vector<std::string>& results, bool verbose,
                    const char* xhtml, const char* selector);
