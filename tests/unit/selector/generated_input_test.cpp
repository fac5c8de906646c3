// Random texts over the selector alphabet: the parser always returns a tree
// that keeps the model's invariants, and the outline can always be written.
#include "model_invariants.hpp"
#include "selector/css.hpp"

#include <gtest/gtest.h>

#include <iostream>
#include <random>
#include <sstream>
#include <string>

namespace {

constexpr std::string_view alphabet = " \"'\\[]>+~,#.:|=^$*()\tabAB";

// Reproducible on every platform: mt19937's output sequence is fixed by the
// standard, and the reduction to an index is done here rather than by a
// library distribution.
std::string random_selector(std::mt19937& engine, std::size_t max_length)
{
    const std::size_t length = engine() % (max_length + 1);
    std::string text;
    for (std::size_t i = 0; i < length; ++i)
        text += alphabet[engine() % alphabet.size()];
    return text;
}

TEST(SelectorGenerated, InvariantsHoldOnRandomTexts)
{
    std::mt19937 engine(20240611);
    std::ostringstream sink;
    std::streambuf* const saved = std::cerr.rdbuf(sink.rdbuf());
    int failures = 0;
    for (int i = 0; i < 20000 && failures < 5; ++i) {
        const std::string text = random_selector(engine, i % 10 == 0 ? 400 : 40);
        const css_groups group(text.c_str());
        const std::string problem = model_invariants::check_group(group, text);
        if (!problem.empty()) {
            ADD_FAILURE() << problem << "\n  selector: [" << text << "]";
            ++failures;
        }
        sink.str({});
        group.dump(0);
        if (sink.str().rfind(text + "\n", 0) != 0) {
            ADD_FAILURE() << "outline does not start with the selector: [" << text << "]";
            ++failures;
        }
    }
    std::cerr.rdbuf(saved);
}

// The checker itself must notice a broken tree, or the test above proves
// nothing.
TEST(SelectorGenerated, CheckerRejectsBrokenTrees)
{
    css_groups group("a > b");
    ASSERT_EQ(model_invariants::check_group(group, "a > b"), "");
    group.chains[0].combinators.push_back('>');
    group.chains[0].combinators.push_back('>');
    EXPECT_NE(model_invariants::check_group(group, "a > b"), "");

    css_groups spaced("a");
    spaced.chains[0].elements[0].text = "a ";
    EXPECT_NE(model_invariants::check_group(spaced, "a"), "");

    css_groups lost("a b");
    lost.chains[0].elements.clear();
    EXPECT_NE(model_invariants::check_group(lost, "a b"), "");

    css_groups reordered("a b");
    std::swap(reordered.chains[0].elements[0], reordered.chains[0].elements[1]);
    EXPECT_NE(model_invariants::check_group(reordered, "a b"), "");

    css_groups bad_op("[a=b]");
    bad_op.chains[0].elements[0].attributes[0].op = 6;
    EXPECT_NE(model_invariants::check_group(bad_op, "[a=b]"), "");
}

}
