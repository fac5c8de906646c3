// Pathological selectors against the plain selector of the same document, in
// the same run: deep descendant chains over nested div elements against
// "span", and sibling positions and combinators over a list of 100,000 li
// elements against "li". Compare each case with its baseline of the same
// family and level:
//   query   - query_document on the XHTML text (parse the document and the
//             selector, match, print);
//   collect - collect_matches on the parsed document and selector (match,
//             print);
//   flags   - the document index and the group's match flags alone.

#include "matching/chain.hpp"
#include "matching/document_index.hpp"
#include "matching/query.hpp"
#include "selector/css.hpp"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <iostream>
#include <memory>
#include <string>
#include <tinyxml2.h>
#include <vector>

namespace {

// An x element holding seven nested div elements, then 90 nested div
// elements around one span: every compound of "x div div div div div div
// span" matches somewhere, yet the span has no x above it, so a search
// without memory tries every way of picking six of its 89 div ancestors.
std::string deep_document()
{
    std::string text = "<html><body><x>";
    for (int i = 0; i < 7; ++i)
        text += "<div>";
    for (int i = 0; i < 7; ++i)
        text += "</div>";
    text += "</x>";
    for (int i = 0; i < 90; ++i)
        text += "<div>";
    text += "<span>s</span>";
    for (int i = 0; i < 90; ++i)
        text += "</div>";
    return text + "</body></html>";
}

std::string wide_document()
{
    std::string text = "<html><body><ul>";
    for (int i = 0; i < 100000; ++i)
        text += "<li>x</li>";
    return text + "</ul></body></html>";
}

struct parsed {
    std::string text;
    tinyxml2::XMLDocument document{true, tinyxml2::PRESERVE_WHITESPACE};

    explicit parsed(std::string source) : text(std::move(source))
    {
        document.Parse(text.c_str(), text.size());
    }
};

const parsed& deep()
{
    static const parsed document(deep_document());
    return document;
}

const parsed& wide()
{
    static const parsed document(wide_document());
    return document;
}

void query(benchmark::State& state, const parsed& (*document)(), const char* selector)
{
    const std::string& text = document().text;
    for (auto _ : state) {
        std::vector<std::string> results;
        const parsed_xhtml parsed(text.c_str());
        query_document(results, false, parsed.document, selector, std::cerr);
        benchmark::DoNotOptimize(results.data());
    }
}

void collect(benchmark::State& state, const parsed& (*document)(), const char* selector)
{
    const auto& root = *document().document.FirstChildElement();
    const css_groups group(selector);
    for (auto _ : state) {
        std::vector<std::string> results;
        collect_matches(results, root, group);
        benchmark::DoNotOptimize(results.data());
    }
}

void flags(benchmark::State& state, const parsed& (*document)(), const char* selector)
{
    const auto& root = *document().document.FirstChildElement();
    const css_groups group(selector);
    std::size_t matched = 0;
    for (auto _ : state) {
        const document_index index(root);
        const match_column column = match(group, index);
        matched = std::size_t(std::count(column.begin(), column.end(), 1));
        benchmark::DoNotOptimize(matched);
    }
    state.counters["matches"] = double(matched);
}

#define MATCHING_CASES(level)                                                          \
    BENCHMARK_CAPTURE(level, deep / span, deep, "span");                               \
    BENCHMARK_CAPTURE(level, deep / div_x7_span, deep, "div div div div div div div span"); \
    BENCHMARK_CAPTURE(level, deep / x_div_x6_span, deep, "x div div div div div div span"); \
    BENCHMARK_CAPTURE(level, deep / child_x7_span, deep,                               \
                      "div > div > div > div > div > div > div > span");               \
    BENCHMARK_CAPTURE(level, wide / li, wide, "li");                                   \
    BENCHMARK_CAPTURE(level, wide / nth_last_child, wide, "li:nth-last-child(0)");     \
    BENCHMARK_CAPTURE(level, wide / last_child, wide, "li:last-child");                \
    BENCHMARK_CAPTURE(level, wide / li_following_li, wide, "li ~ li");                 \
    BENCHMARK_CAPTURE(level, wide / p_following_li, wide, "p ~ li");                   \
    BENCHMARK_CAPTURE(level, wide / li_next_li, wide, "li + li");                      \
    BENCHMARK_CAPTURE(level, wide / nth_last_of_type, wide, "li:nth-last-of-type(0)")

MATCHING_CASES(query);
MATCHING_CASES(collect);
MATCHING_CASES(flags);

}

BENCHMARK_MAIN();
