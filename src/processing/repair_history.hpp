// How one input came to its document: each attempt of the repair in order,
// with the XML parser's verdict on what Tidy wrote. It is what a cache keeps
// of an input, and what verbose mode shows of it, the same either way.
#pragma once

#include "loading/tidy_worker.hpp"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <tinyxml2.h>
#include <vector>

// One attempt: Tidy's repair under one set of rules, and the XML parser's
// verdict on what it wrote (when Tidy wrote anything).
struct repair_attempt {
    tidy_worker repair;
    tinyxml2::XMLError verdict = tinyxml2::XML_SUCCESS;
    int error_line = 0;
};

struct repair_history {
    std::vector<repair_attempt> attempts;
};

// Whether the XML parser's verdict leaves the query something to walk: a
// document, or an empty one (which an empty input is, and which is no
// failure).
bool gives_document(tinyxml2::XMLError verdict);

// Whether the last attempt gave the query a document.
bool found_document(const repair_history& history);

// Why the input gives no document: what went wrong in the first attempt.
// None when it found one.
failure failure_of(const repair_history& history);

// What verbose mode shows: each attempt's sections (the first with the line
// saying how the page's encoding was chosen, when there is one), the XML
// error line after each one the parser rejected, and which attempt gave the
// document when it was not the first.
void show_history(std::ostream& diagnostics, std::string_view raw, std::string_view encoding_line,
                  const repair_history& history);

// Whether an attempt failed for want of a stack: what the process had room
// for, not the input, decided it.
bool lacked_a_stack(const repair_history& history);

// Whether the history holds only what the input and the settings decide, so
// a later run may take it for its own: no attempt lacked a stack.
bool may_be_kept(const repair_history& history);

// The largest packed history kept of a page of page_size bytes: 64 KiB and
// 64 times the page. What Tidy wrote in every attempt, with its reports, is
// at most 3.1 times the page on real pages, and 10 to 18 times on pages made
// to grow (a run of "&" needing two attempts, of no-break spaces in Latin-1
// in three); some misnested markup grows with the square of the page and is
// not kept. A larger entry cannot be this page's.
std::uint64_t largest_packed_history(std::size_t page_size);

// The history as bytes, and back; none for bytes that are no history.
std::string pack_history(const repair_history& history);
std::optional<repair_history> unpack_history(std::string_view bytes);
