// The README's table of selectors that mean something else than in a
// browser: each row's selector, run on the row's page through Tidy and the
// XML parser, prints exactly what the row's "vestrel finds" column says.
#include "harness.hpp"

#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using strings = std::vector<std::string>;

const std::string table_head = "| Selector | Page | A browser finds | vestrel finds | Why |";

// The texts of the `code spans` in a table cell, in order.
strings code_spans(const std::string& cell)
{
    strings spans;
    for (std::size_t open = cell.find('`'); open != std::string::npos;) {
        const std::size_t close = cell.find('`', open + 1);
        if (close == std::string::npos)
            break;
        spans.push_back(cell.substr(open + 1, close - open - 1));
        open = cell.find('`', close + 1);
    }
    return spans;
}

// The cells of a table row, without the outer bars.
strings cells_of(const std::string& row)
{
    strings cells;
    std::size_t at = 2;
    for (std::size_t bar; (bar = row.find(" | ", at)) != std::string::npos; at = bar + 3)
        cells.push_back(row.substr(at, bar - at));
    cells.push_back(row.substr(at, row.size() - at - 2));
    return cells;
}

// "\n" in a selector cell stands for a line break.
std::string with_line_breaks(std::string text)
{
    for (std::size_t at; (at = text.find("\\n")) != std::string::npos;)
        text.replace(at, 2, "\n");
    return text;
}

struct table_row {
    std::string selector;
    std::string page;
    std::string printed;  // what vestrel writes on standard output
};

std::vector<table_row> readme_rows()
{
    std::ifstream readme(VESTREL_SOURCE_DIR "/README.md");
    std::vector<table_row> rows;
    bool in_table = false;
    for (std::string line; std::getline(readme, line);) {
        if (line == table_head) {
            in_table = true;
            continue;
        }
        if (!in_table || line.rfind("|---", 0) == 0)
            continue;
        if (line.rfind("| ", 0) != 0)
            break;
        const strings cells = cells_of(line);
        if (cells.size() != 5)
            throw std::runtime_error("a row of the selector table without five cells: " + line);
        table_row row{with_line_breaks(code_spans(cells[0]).at(0)), code_spans(cells[1]).at(0), ""};
        if (cells[3] != "nothing")
            for (const std::string& result : code_spans(cells[3]))
                row.printed += result + "\n\n";
        rows.push_back(row);
    }
    return rows;
}

}

TEST(selector_table, every_row_prints_what_it_says)
{
    const std::vector<table_row> rows = readme_rows();
    ASSERT_GE(rows.size(), 10u) << "the README's selector table was not found";
    for (const table_row& row : rows) {
        SCOPED_TRACE(row.selector);
        e2e::scratch_dir dir;
        dir.write("page.html", row.page);
        const auto run = e2e::run_vestrel({row.selector, "page.html"}, dir.path);
        EXPECT_EQ(run.exit_code, 0);
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.out, row.printed);
    }
}
