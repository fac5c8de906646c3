// The sample pages shipped in examples/ give the results the README shows.
#include "harness.hpp"

#include <gtest/gtest.h>

namespace {

std::string example(const std::string& name)
{
    return (e2e::fs::path(VESTREL_SOURCE_DIR) / "examples" / name).string();
}

}

TEST(examples, readme_first_command_prints_the_menu_links)
{
    e2e::scratch_dir dir;
    const auto run = e2e::run_vestrel({"ul.menu > li a", example("news.html")}, dir.path);
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, "<a href=\"/\">Home</a>\n\n"
                       "<a href=\"/town\">Town</a>\n\n"
                       "<a href=\"/harbour\">Harbour</a>\n\n"
                       "<a href=\"/sport\">Sport &amp; Leisure</a>\n\n"
                       "<a href=\"/weather\">Weather</a>\n\n");
}

TEST(examples, headlines_as_an_index)
{
    e2e::scratch_dir dir;
    e2e::fs::copy_file(example("news.html"), dir.path / "news.html");
    const auto run = e2e::run_vestrel({"-m", "5", "article h2", "news.html"}, dir.path);
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(dir.read("_index.lst"),
              "<LI class='indx'><A href='news.html'>New ferry timetable from Monday</A></LI>\n"
              "<LI class='indx'><A href='news.html'>Saturday market returns to the square</A></LI>\n"
              "<LI class='indx'><A href='news.html'>Regatta entries open</A></LI>\n");
}

TEST(examples, catalog_keeps_empty_stars_and_custom_elements)
{
    e2e::scratch_dir dir;
    const auto run = e2e::run_vestrel(
        {"div.product:first-child i.star, stock-badge[level=none]", example("catalog.html")},
        dir.path);
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.out, "<i class=\"star on\"/>\n\n<i class=\"star on\"/>\n\n"
                       "<i class=\"star on\"/>\n\n<i class=\"star on\"/>\n\n<i class=\"star\"/>\n\n"
                       "<stock-badge level=\"none\">Sold out</stock-badge>\n\n");
}

TEST(examples, windows_1251_page)
{
    e2e::scratch_dir dir;
    const auto run = e2e::run_vestrel({"-i", "win1251", "h2", example("cp1251.html")}, dir.path);
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.out, "<h2>Вечер поэзии</h2>\n\n<h2>Новые поступления</h2>\n\n");
    // Without "-i" the page's own declaration says the same.
    const auto declared = e2e::run_vestrel({"h2", example("cp1251.html")}, dir.path);
    EXPECT_EQ(declared.out, run.out);
}
