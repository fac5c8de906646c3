// The selector model: a group of complex selectors parsed from the command
// line's selector text. Every object parses its own text when constructed and
// is never changed afterwards; text is kept exactly as written (no case
// folding, no escapes decoded except the quote escape of attribute values).
#pragma once

#include <iostream>
#include <memory>
#include <string>
#include <vector>

// Operator codes of an attribute selector, as stored and as dumped.
constexpr int attr_exists = -1;    // [name]
constexpr int attr_equals = 0;     // [name=value]
constexpr int attr_includes = 1;   // [name~=value]
constexpr int attr_prefix = 2;     // [name^=value]
constexpr int attr_suffix = 3;     // [name$=value]
constexpr int attr_substring = 4;  // [name*=value]
constexpr int attr_dashmatch = 5;  // [name|=value]

// One bracketed attribute selector, such as [target='_blank'].
class css_attributeselector {
public:
    std::string text;   // with its brackets, trimmed
    std::string name;
    std::string value;  // unquoted; empty for the bare form
    int op = attr_exists;

    explicit css_attributeselector(std::string text);
    void dump(unsigned depth, std::ostream& out = std::cerr) const;

private:
    void parse();
};

// The part of a compound selector outside brackets: namespace, element name,
// ids, classes and raw pseudo-class tokens.
class css_typeselector {
public:
    std::string text;
    std::string namespace_name;
    std::string name;
    std::vector<std::string> ids;
    std::vector<std::string> classes;
    std::vector<std::string> functions;

    explicit css_typeselector(std::string text);
    void dump(unsigned depth, std::ostream& out = std::cerr) const;

private:
    void parse();
    void store_token(char sigil, std::string token);
};

// One compound selector: an optional type part and its attribute selectors.
class css_element {
public:
    std::string text;
    std::unique_ptr<css_typeselector> type_selector;  // none for "[href]"
    std::vector<css_attributeselector> attributes;

    explicit css_element(std::string text);
    void dump(unsigned depth, std::ostream& out = std::cerr) const;

private:
    void parse();
    void set_type_selector(const std::string& run);
};

// One complex selector: compounds joined by combinators (' ', '>', '+', '~').
// combinators[i] joins elements[i] and elements[i + 1].
class css_chain {
public:
    std::string text;
    std::vector<char> combinators;
    std::vector<css_element> elements;

    explicit css_chain(std::string text);
    void dump(unsigned depth, std::ostream& out = std::cerr) const;

private:
    void parse();
    bool add_element(const std::string& piece);
};

// The whole comma-separated group of selectors.
class css_groups {
public:
    std::string text;  // exactly as given, untrimmed
    std::vector<css_chain> chains;

    // A null pointer counts as the empty selector.
    explicit css_groups(const char* text);
    // Writes the outline of the whole tree, on standard error unless told.
    void dump(unsigned depth, std::ostream& out = std::cerr) const;

private:
    void parse();
};
