// Runs that once gave other bytes with several jobs than with one, or that
// one page could end: each row is a shell command line run with one job and
// with several, each time over fresh copies of the same files, and must give
// the same standard output and error, exit status and files every time.
#include "harness.hpp"
#include "shell.hpp"

#include <gtest/gtest.h>

namespace {

using e2e::scratch_dir;

struct job_count_case {
    const char* what;
    // A bash command line run in the scratch directory; "$V" is vestrel.
    std::string command;
    // Its standard output and error together, with one job, then "exit=N".
    std::string expected;
};

struct observed {
    std::string text;
    std::map<std::string, std::string> files;
};

observed run_with_jobs(const std::string& command, unsigned jobs)
{
    scratch_dir dir;
    dir.write("a.html", "<h1>A</h1><p>a</p>");
    dir.write("b.html", "<p>b</p>");
    dir.write("s.html", "<p>small</p>\n");
    std::string deep = "<html><body>";
    for (int i = 0; i < 20000; ++i)
        deep += "<div>";
    dir.write("deep.html", deep + "x");
    const std::string line = "cd " + e2e::shell_quote(dir.path.string()) + " && export VESTREL_JOBS="
        + std::to_string(jobs) + " V=" + e2e::shell_quote(VESTREL_BINARY) + " && " + command
        + "; echo \"exit=$?\"";
    observed seen;
    seen.text = e2e::run_shell("timeout 60 bash -c " + e2e::shell_quote(line)).text;
    seen.files = dir.files();
    return seen;
}

const std::string ab_results = "<!--a.html-->\n<h1>A</h1>\n\n<p>a</p>\n\n";

// Limits the caller sets on the run's processes: none of them ends the run,
// and a page that fits them alone does not fail for the pages before it.
std::vector<job_count_case> limit_cases()
{
    // A heading and 500 paragraphs: its results and its cache entry are
    // larger than the file-size limit of 4 KiB.
    const std::string big_page =
        "{ echo '<h1>B</h1>'; for i in $(seq 500); do echo \"<p>$i</p>\"; done; } > big.html; ";
    const std::string a_heading = "<!--a.html-->\n<h1>A</h1>\n\n";
    std::vector<job_count_case> cases = {
        {"a page that Tidy would work on for minutes, given up after VESTREL_TIMEOUT",
         "printf '<font>x<div>y%.0s' $(seq 1000) > slow.html; "
         "VESTREL_TIMEOUT=1 $V -p p a.html slow.html b.html",
         "<!--a.html-->\n<p>a</p>\n\nvestrel: slow.html: given up after 1 s of CPU time\n"
         "<!--b.html-->\n<p>b</p>\n\nexit=3\n"},
        {"standard output redirected to a file over the file-size limit",
         big_page + "(ulimit -f 4; $V -p p a.html big.html a.html > out.txt); st=$?; "
                    "wc -c < out.txt; (exit $st)",
         "vestrel: cannot write standard output: File too large\n4096\nexit=3\n"},
        {"a cache entry over the file-size limit",
         big_page + "mkdir -m 700 c; (ulimit -f 4; VESTREL_CACHE=c $V -p h1 a.html big.html "
                    "a.html); st=$?; rm -r c; (exit $st)",
         a_heading + "vestrel: cache c: File too large\n<!--big.html-->\n<h1>B</h1>\n\n"
             + a_heading + "exit=0\n"},
    };
#ifndef VESTREL_SANITIZED
    // Six pages of a quarter to half a second each (a paragraph of 6,000
    // attributes): more than the CPU-time limit of one second together.
    std::string expected;
    for (int i = 1; i <= 6; ++i)
        expected += "<!--p" + std::to_string(i) + ".html-->\n<b>hi</b>\n\n";
    cases.push_back(
        {"a CPU-time limit that the pages of one worker reach together",
         "{ printf '<b>hi</b><p'; seq -f ' a%g=1' 6000 | tr -d '\\n'; printf '>x</p>'; } > p1.html; "
         "for i in 2 3 4 5 6; do cp p1.html p$i.html; done; (ulimit -t 1; $V -p b p?.html)",
         expected + "exit=0\n"});
#endif
    return cases;
}

std::vector<job_count_case> job_count_cases()
{
    std::vector<job_count_case> cases = {
        {"a symbolic link to a list file that an earlier input writes",
         "echo '<p>stale</p>' > a.html.lst; ln -s a.html.lst link.html; "
         "$V -m 2 -p 'h1,p' a.html link.html; cat link.html.lst",
         "<!--link.html-->\n<h1>A</h1>\n\n<p>a</p>\n\nexit=0\n"},
        {"a symbolic link to a list file not yet written",
         "ln -s a.html.lst link.html; $V -m 2 -p 'h1,p' a.html link.html; cat link.html.lst",
         "<!--link.html-->\n<h1>A</h1>\n\n<p>a</p>\n\nexit=0\n"},
        {"a hard link to a list file that an earlier input writes",
         "echo '<p>stale</p>' > a.html.lst; ln a.html.lst hard.html; "
         "$V -m 2 -p 'h1,p' a.html hard.html; cat hard.html.lst",
         "<!--hard.html-->\n<h1>A</h1>\n\n<p>a</p>\n\nexit=0\n"},
        {"standard output redirected into an input",
         "cp b.html out.html; $V -p p a.html out.html b.html > out.html; cat out.html",
         "vestrel: out.html: input file is also the output\n<!--a.html-->\n<p>a</p>\n\n"
         "<!--b.html-->\n<p>b</p>\n\nexit=0\n"},
        {"a FIFO named on the command line whose writer waits for the results before it",
         "mkfifo f; $V -p h1 a.html f | { read -r l; echo \"first: $l\"; cat b.html > f; cat; }",
         "first: <!--a.html-->\n<h1>A</h1>\n\n<!--f-->\nexit=0\n"},
        {"an input whose read fails half-way", "$V -p p s.html /proc/self/mem s.html",
         "<!--s.html-->\n<p>small</p>\n\nvestrel: /proc/self/mem: cannot read: Input/output error\n"
         "<!--s.html-->\n<p>small</p>\n\nexit=3\n"},
        {"standard input that cannot be read", "$V p < /tmp",
         "vestrel: stdin: cannot read: Is a directory\nexit=3\n"},
        // Control characters: Tidy writes the byte for a reference, and the
        // XML parser decodes one that Tidy passes on; none may reach the
        // parser or the terminal.
        {"a reference to NUL costs the page nothing but that character",
         "printf '<p>ok&#0;</p><p>two</p>' > nul.html; $V -p p nul.html s.html",
         "<!--nul.html-->\n<p>ok\xef\xbf\xbd</p>\n\n<p>two</p>\n\n"
         "<!--s.html-->\n<p>small</p>\n\nexit=0\n"},
        {"escape sequences as references and as raw ESC and BEL bytes",
         "printf '<p title=\"&#27;]0;x&#7;\">&#x1b;[31m\\033[2Jred\\007</p>' > esc.html; "
         "$V p esc.html",
         "<p title=\"\xef\xbf\xbd]0;x\xef\xbf\xbd\">\xef\xbf\xbd[31m\xef\xbf\xbd[2Jred</p>\n\n"
         "exit=0\n"},
        {"a reference after a script ends its CDATA section early",
         "printf '<script>a=\"]]>&#27;\";</script>' > cdata.html; $V script cdata.html",
         "<script><![CDATA[\na=\"]]>\xef\xbf\xbd\";\n]]&gt;\n</script>\n\nexit=0\n"},
    };
    const std::vector<job_count_case> limits = limit_cases();
    cases.insert(cases.end(), limits.begin(), limits.end());
#ifndef VESTREL_SANITIZED
    // The sanitizers reserve more address space than any such limit allows.
    cases.push_back(
        {"a deep page under a memory limit: its stack is sized to it, not to the largest page",
         "(ulimit -v 40000; $V -p p s.html deep.html s.html)",
         "<!--s.html-->\n<p>small</p>\n\n"
         "vestrel: deep.html: no document: nested deeper than the XML parser allows\n"
         "<!--s.html-->\n<p>small</p>\n\nexit=3\n"});
#endif
    return cases;
}

}

TEST(job_counts, every_job_count_gives_what_one_job_gives)
{
    for (const job_count_case& c : job_count_cases()) {
        SCOPED_TRACE(c.what);
        const observed one = run_with_jobs(c.command, 1);
        EXPECT_EQ(one.text, c.expected);
        for (const unsigned jobs : {2u, 3u}) {
            SCOPED_TRACE(testing::Message() << jobs << " jobs");
            const observed several = run_with_jobs(c.command, jobs);
            EXPECT_EQ(several.text, one.text);
            EXPECT_EQ(several.files, one.files);
        }
    }
}

#ifndef VESTREL_SANITIZED
// Four pages of 3.4 MB and 238,000 tags, each of which fits a memory limit
// alone with some 6 MB to spare: memory that one worker held back after a
// page once cost the third and fourth of them with one job, and none with
// two. Slow: about five seconds of CPU time for each job count.
TEST(job_counts, Slow_a_memory_limit_that_the_pages_of_one_worker_reach_together)
{
    const std::string command =
        "{ echo '<html><body>'; yes '<p>aaaaa bbbbb cccc dddd</p>' | head -n 119000; } > h1.html; "
        "for i in 2 3 4; do cp h1.html h$i.html; done; "
        "(ulimit -v 184000; $V -m 7 -p p h1.html h2.html h3.html h4.html)";
    const observed one = run_with_jobs(command, 1);
    EXPECT_EQ(one.text, "exit=0\n");
    const observed two = run_with_jobs(command, 2);
    EXPECT_EQ(two.text, one.text);
    EXPECT_EQ(two.files, one.files);
}
#endif
