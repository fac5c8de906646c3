#include "matching/query.hpp"

#include "matching/chain.hpp"
#include "matching/document_index.hpp"

namespace {

// The element as the library's non-compact printer writes it at depth 0:
// nested elements indented four spaces per level, one "\n" after the end tag.
std::string serialise(const tinyxml2::XMLElement& element)
{
    tinyxml2::XMLPrinter printer(nullptr, false, 0);
    element.Accept(&printer);
    return printer.CStr();
}

}

parsed_xhtml::parsed_xhtml(const char* xhtml)
    : error(document.Parse(xhtml ? xhtml : "", static_cast<std::size_t>(-1)))
{
}

void query_document(std::vector<std::string>& results, bool verbose,
                    const tinyxml2::XMLDocument& document, const char* selector,
                    std::ostream& diagnostics)
{
    const css_groups group(selector ? selector : "");
    if (verbose)
        group.dump(0, diagnostics);

    if (const auto root = document.FirstChildElement())
        collect_matches(results, *root, group);
}

void collect_matches(std::vector<std::string>& results, const tinyxml2::XMLElement& root,
                     const css_groups& group)
{
    const document_index index(root);
    const match_column matched = match(group, index);
    for (std::size_t e = 0; e < index.nodes.size(); ++e)
        if (matched[e])
            results.push_back(serialise(*index.nodes[e].element));
}

std::string xml_parser_release()
{
    return std::to_string(TIXML2_MAJOR_VERSION) + "." + std::to_string(TIXML2_MINOR_VERSION) + "."
        + std::to_string(TIXML2_PATCH_VERSION);
}
