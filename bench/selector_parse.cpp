// Parsing time of selector texts of growing size (1 KiB, 64 KiB, 1 MiB).
// Time per byte should stay flat as the size grows: every level of the
// parser is one linear pass over its text.
#include "selector/css.hpp"

#include <benchmark/benchmark.h>

#include <string>
#include <string_view>

namespace {

// The prefix, then the unit repeated until the text is size bytes long.
std::string repeated(std::string_view prefix, std::string_view unit, std::size_t size)
{
    std::string text(prefix);
    text.reserve(size);
    while (text.size() < size)
        text.append(unit.substr(0, size - text.size()));
    return text;
}

void parse(benchmark::State& state, std::string_view unit, std::string_view prefix = {})
{
    const std::string text = repeated(prefix, unit, static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        const css_groups group(text.c_str());
        benchmark::DoNotOptimize(group.chains.data());
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

// Many chains mixing compounds, all four combinators, attribute operators
// and quoted values with protected commas and combinators.
void BM_parse_group(benchmark::State& state)
{
    parse(state, "ul.menu > li:nth-child('2n+1') a[href^='http'][title=\"x, y > z\"] + "
                 "span#main.big ~ em, svg|rect[data-x|=en], ");
}

// One chain of ever more compounds: no commas to cut it short.
void BM_parse_one_chain(benchmark::State& state)
{
    parse(state, "div.a > p#b + span[lang='en'] ~ em ");
}

// The most objects per byte: one chain, compound and type part per two bytes.
void BM_parse_tiny_chains(benchmark::State& state)
{
    parse(state, "a,");
}

// A run of combinators with nothing before them, each refused in turn.
void BM_parse_refused_combinators(benchmark::State& state)
{
    parse(state, " >");
}

// One compound whose type part is replaced at every bracket.
void BM_parse_one_compound(benchmark::State& state)
{
    parse(state, "a.b[x='y']");
}

// An unclosed quote protecting the whole rest of the text.
void BM_parse_unclosed_quote(benchmark::State& state)
{
    parse(state, "a[title=x, y > z] ", "'");
}

}

#define SIZES Arg(1 << 10)->Arg(1 << 16)->Arg(1 << 20)->Unit(benchmark::kMicrosecond)

BENCHMARK(BM_parse_group)->SIZES;
BENCHMARK(BM_parse_one_chain)->SIZES;
BENCHMARK(BM_parse_tiny_chains)->SIZES;
BENCHMARK(BM_parse_refused_combinators)->SIZES;
BENCHMARK(BM_parse_one_compound)->SIZES;
BENCHMARK(BM_parse_unclosed_quote)->SIZES;

BENCHMARK_MAIN();
