#!/usr/bin/env python3
"""The Python peer of bench/run: lxml's HTML parser with cssselect.

    lxml_select.py SELECTOR FILE...

Parses each file in turn, selects with the CSS selector and writes every match
serialised on standard output, one after another in document order, like
vestrel's per-input results.
"""

import sys

from cssselect import HTMLTranslator
from lxml import etree, html


def main():
    if len(sys.argv) < 2:
        sys.exit("usage: lxml_select.py SELECTOR FILE...")
    select = etree.XPath(HTMLTranslator().css_to_xpath(sys.argv[1]))
    out = sys.stdout.buffer
    for name in sys.argv[2:]:
        with open(name, "rb") as source:
            data = source.read()
        try:
            document = html.document_fromstring(data)
        except (etree.ParserError, ValueError):
            continue
        for element in select(document):
            out.write(etree.tostring(element, with_tail=False))
            out.write(b"\n")


if __name__ == "__main__":
    main()
