#include "loading/tidy_settings.hpp"

#include "loading/tidy_session.hpp"

#include <string_view>

namespace {

// Options that keep the document the user wrote: no-break spaces as numeric
// references (a named "&nbsp;" is not XML and would come out corrupted), no
// generator meta element, empty elements and paragraphs kept, and autonomous
// custom elements such as <my-widget> accepted. Like the reporting options,
// their results do not matter.
void keep_document_content(TidyDoc doc)
{
    tidyOptSetBool(doc, TidyNumEntities, yes);
    tidyOptSetBool(doc, TidyMark, no);
    tidyOptSetBool(doc, TidyDropEmptyElems, no);
    tidyOptSetBool(doc, TidyDropEmptyParas, no);
    tidyOptSetInt(doc, TidyUseCustomTags, TidyCustomBlocklevel);
}

// A page that declares an XHTML doctype, or carries xml:lang or xml:space,
// makes Tidy switch to XHTML output while it parses, whatever it was asked
// for. Under the XML rules the document is then written by Tidy's XML
// printer all the same, which escapes the text of scripts and styles: that is
// what the rules are for.
constexpr std::string_view xml_rules_at_saving = "output-xhtml: no";

// An option's value in the document, as text.
std::string option_value(TidyDoc doc, TidyOption option)
{
    const TidyOptionId id = tidyOptGetId(option);
    switch (tidyOptGetType(option)) {
    case TidyString: {
        const char* value = tidyOptGetValue(doc, id);
        return value ? value : "";
    }
    case TidyInteger:
        return std::to_string(tidyOptGetInt(doc, id));
    default:
        return tidyOptGetBool(doc, id) ? "yes" : "no";
    }
}

}

bool apply_settings(TidyDoc doc, const std::string& tidy_encoding, repair_rules rules)
{
    tidyOptSetBool(doc, TidyShowWarnings, no);
    tidyOptSetBool(doc, TidyShowInfo, no);
    keep_document_content(doc);

    tidySetInCharEncoding(doc, tidy_encoding.c_str());
    tidySetOutCharEncoding(doc, "utf8");

    return tidyOptSetBool(doc, rules == repair_rules::xml_pruned ? TidyXmlOut : TidyXhtmlOut, yes);
}

void keep_output_rules(TidyDoc doc, repair_rules rules)
{
    if (rules == repair_rules::xml_pruned)
        tidyOptSetBool(doc, TidyXhtmlOut, no);
}

std::string repair_settings_text()
{
    std::string text;
    for (const repair_rules rules : repair_attempts) {
        const tidy_session defaults;
        const tidy_session set;
        apply_settings(set.doc, "utf8", rules);
        text += "rules " + std::to_string(int(rules)) + "\n";
        TidyIterator position = tidyGetOptionList(set.doc);
        while (position) {
            const TidyOption option = tidyGetNextOption(set.doc, &position);
            const std::string value = option_value(set.doc, option);
            if (value != option_value(defaults.doc, option))
                text += std::string(tidyOptGetName(option)) + ": " + value + "\n";
        }
        if (rules == repair_rules::xml_pruned)
            text += "at saving: " + std::string(xml_rules_at_saving) + "\n";
    }
    text += "document: C0 controls as U+FFFD\n";
    return text;
}
