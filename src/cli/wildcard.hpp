// Matching of file-name patterns with '?' (one character) and '*' (any run of
// characters), byte for byte and case-sensitive, without classes or escapes.
#pragma once

// True when the whole name matches the pattern: a greedy match that
// backtracks only to the last '*'.
bool wildcard_match(const char* pattern, const char* name);
