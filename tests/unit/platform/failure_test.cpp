#include "platform/failure.hpp"

#include <cerrno>
#include <gtest/gtest.h>

// Every kind in the words the user reads after "vestrel: NAME: ".
TEST(failure, each_kind_in_its_words)
{
    const struct {
        failure what;
        const char* words;
    } cases[] = {
        {{}, ""},
        {system_failure(ENOSPC), "No space left on device"},
        {{failure_kind::cannot_read, EIO, {}}, "cannot read: Input/output error"},
        {{failure_kind::out_of_memory, 0, {}}, "out of memory"},
        {{failure_kind::no_stack, EAGAIN, "52 MiB"},
         "cannot get a stack of 52 MiB to repair it: Resource temporarily unavailable"},
        {{failure_kind::tidy_failed, -1, {}}, "no document: Tidy could not repair it (status -1)"},
        {{failure_kind::not_well_formed, 265, "XML_ERROR_MISMATCHED_ELEMENT"},
         "no document: the repaired XHTML is not well-formed XML (XML_ERROR_MISMATCHED_ELEMENT at "
         "line 265)"},
        {{failure_kind::too_deep, 0, {}}, "no document: nested deeper than the XML parser allows"},
        {{failure_kind::killed, 9, {}}, "could not be processed (killed by signal 9)"},
        {{failure_kind::exited, 2, {}}, "could not be processed (exit status 2)"},
        {{failure_kind::own_output, 0, {}}, "input file is also the output"},
        {{failure_kind::foreign_owner, 0, {}}, "it belongs to another user"},
        {{failure_kind::open_to_others, 0, {}}, "others may write to it"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(describe(c.what), c.words);
}

TEST(failure, a_complaint_is_one_line_of_the_program)
{
    EXPECT_EQ(complaint("cannot write _all.lst", system_failure(EISDIR)),
              "vestrel: cannot write _all.lst: Is a directory\n");
    EXPECT_EQ(complaint("a b.html", {failure_kind::out_of_memory, 0, {}}),
              "vestrel: a b.html: out of memory\n");
    EXPECT_FALSE(failure{});
    EXPECT_TRUE(system_failure(EIO));
}
