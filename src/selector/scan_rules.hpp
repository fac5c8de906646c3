// The two protection rules shared by the selector parser's character scans:
// quotes and brackets shield the characters inside them from splitting.
#pragma once

// Tracks open quotes during one left-to-right scan. A quote flips its flag
// unless the other kind is open or a backslash stands just before it.
class quote_scan {
public:
    bool in_double = false;
    bool in_single = false;

    // Feed every character of the scan, in order, exactly once.
    void step(char c);
    bool open() const { return in_double || in_single; }

private:
    char previous = '\0';
};

// The quote rule followed by the bracket rule: '[' and ']' outside quotes
// open and close one level of (non-nesting) brackets.
class protected_scan {
public:
    quote_scan quotes;
    bool in_bracket = false;

    void step(char c);
    bool active() const { return quotes.open() || in_bracket; }
};
