// A Tidy document with its output and diagnostics buffers, all released
// together: the output buffer, then the diagnostics buffer, then the
// document. The buffers are initialised here: freeing one that Tidy never
// wrote into would crash otherwise, as on a severe error before the document
// is saved.
#pragma once

#include <string>
#include <tidy/tidy.h>
#include <tidy/tidybuffio.h>

struct tidy_session {
    TidyDoc doc = tidyCreate();
    TidyBuffer output{};
    TidyBuffer diagnostics{};

    tidy_session()
    {
        tidyBufInit(&output);
        tidyBufInit(&diagnostics);
    }
    tidy_session(const tidy_session&) = delete;
    tidy_session& operator=(const tidy_session&) = delete;
    ~tidy_session()
    {
        tidyBufFree(&output);
        tidyBufFree(&diagnostics);
        tidyRelease(doc);
    }
};

// The bytes a Tidy buffer holds.
inline std::string text_of(const TidyBuffer& buffer)
{
    if (buffer.bp == nullptr)
        return {};
    return std::string(reinterpret_cast<const char*>(buffer.bp), buffer.size);
}
