#!/usr/bin/env python3
"""The counting and the report of bench/fidelity: how often vestrel, lxml and
a browser find the same number of elements for a selector in a real page.

    fidelity.py prepare PAGE_DIR TEXT_DIR
    fidelity.py lxml SELECTORS_FILE TEXT_DIR OUTPUT
    fidelity.py vestrel VESTREL SELECTORS_FILE PAGE_DIR OUTPUT
    fidelity.py report WORK_DIR RESULTS_FILE MACHINE_LINE

prepare   decodes each PAGE_DIR/*.html as a browser would without a server
          (below) and writes its text as UTF-8 to TEXT_DIR under the same
          name, so that every tool is given the same characters; TEXT_DIR
          gets encodings.tsv (page, encoding, how it was chosen).
lxml      lxml.html's parser and cssselect's translation to XPath.
vestrel   one run of VESTREL -m 5 per selector over every page of PAGE_DIR,
          the pages' own bytes (worked on in as many jobs as vestrel
          chooses), counting the lines of _index.lst, one per match; a first
          run with the selector html finds the pages that gave vestrel no
          document at all (no html element: a browser always has one).
report    reads browser.tsv, lxml.tsv, vestrel.tsv, no-document.txt,
          selectors.txt, versions.txt and TEXT_DIR/encodings.tsv from
          WORK_DIR and writes the fidelity section into RESULTS_FILE, between
          its markers, keeping the rest of the file.

Counts are files of lines PAGE TAB SELECTOR_INDEX TAB COUNT (-1: the tool
refused the selector or the page).

Decoding, as a browser does for a page opened from disk: a byte order mark
decides; else a <meta charset> or <meta http-equiv="Content-Type"
content="...; charset=..."> complete within the first 1024 bytes (the
standard's prescan), whose label is read as the encoding standard reads it
(latin1 and ascii mean windows-1252, a UTF-16 label in a meta means UTF-8);
else UTF-8 when the bytes are valid UTF-8, which is what the browser's own
guess says for them, and windows-1252 otherwise. Bytes that do not decode
become U+FFFD, as in a browser.
"""

import codecs
import collections
import os
import re
import subprocess
import sys
import tempfile

from cssselect import HTMLTranslator
from lxml import etree, html

PRESCAN_BYTES = 1024
META = re.compile(rb"<meta[\s/]([^>]*)>", re.IGNORECASE)
ATTRIBUTE = re.compile(rb"""([^\s/>="']+)\s*(?:=\s*("[^"]*"|'[^']*'|[^\s>]*))?""")
CHARSET_IN_CONTENT = re.compile(rb"""charset\s*=\s*["']?([^\s;"']+)""", re.IGNORECASE)
COMMENT = re.compile(rb"<!--.*?-->", re.DOTALL)
# Labels whose meaning in the encoding standard differs from Python's codec
# of the same name.
LABEL_CODECS = {
    "iso-8859-1": "cp1252", "latin1": "cp1252", "l1": "cp1252", "us-ascii": "cp1252",
    "ascii": "cp1252", "iso8859-1": "cp1252", "windows-1252": "cp1252", "cp1252": "cp1252",
    "utf-16": "utf-8", "utf-16le": "utf-8", "utf-16be": "utf-8", "unicode": "utf-8",
    "gb2312": "gb18030", "gbk": "gb18030", "x-gbk": "gb18030", "gb_2312-80": "gb18030",
    "shift_jis": "cp932", "sjis": "cp932", "windows-31j": "cp932", "x-sjis": "cp932",
    "euc-kr": "cp949", "ks_c_5601-1987": "cp949", "big5": "big5hkscs", "tis-620": "cp874",
    "iso-8859-9": "cp1254", "latin5": "cp1254", "iso-8859-11": "cp874",
}
INDEX_LINE = re.compile(rb"^<LI class='indx'><A href='([^']*)'>")
SECTION_START = "<!-- fidelity: written by bench/fidelity, which replaces what lies between these two lines -->"
SECTION_END = "<!-- end of fidelity -->"
TOP_GAPS = 12


def read_lines(path):
    with open(path, encoding="utf-8") as source:
        return [line for line in source.read().split("\n") if line]


def codec_of_label(label):
    """The Python codec of an encoding label; None for a label no browser knows."""
    label = label.strip().lower()
    if label in LABEL_CODECS:
        return LABEL_CODECS[label]
    if label == "x-user-defined":
        return None
    try:
        return codecs.lookup(label).name
    except LookupError:
        return None


def prescan(head):
    """The codec named by the first usable meta in HEAD (bytes), or None."""
    head = COMMENT.sub(b"", head)
    for tag in META.finditer(head):
        attributes = {}
        for name, value in ATTRIBUTE.findall(tag.group(1)):
            attributes.setdefault(name.lower(), value.strip(b"\"'"))
        label = attributes.get(b"charset")
        if label is None and attributes.get(b"http-equiv", b"").lower() == b"content-type":
            found = CHARSET_IN_CONTENT.search(attributes.get(b"content", b""))
            label = found.group(1) if found else None
        if label:
            codec = codec_of_label(label.decode("ascii", "replace"))
            if codec:
                return codec
    return None


def sniff(data):
    """(codec, how it was chosen) for the bytes of one page."""
    for bom, codec in ((codecs.BOM_UTF8, "utf-8-sig"), (codecs.BOM_UTF16_LE, "utf-16"),
                       (codecs.BOM_UTF16_BE, "utf-16")):
        if data.startswith(bom):
            return codec, "byte order mark"
    codec = prescan(data[:PRESCAN_BYTES])
    if codec:
        return codec, "meta"
    try:
        data.decode("utf-8")
        return "utf-8", "valid UTF-8"
    except UnicodeDecodeError:
        return "cp1252", "default"


def prepare(page_dir, text_dir):
    os.makedirs(text_dir, exist_ok=True)
    rows = []
    for name in sorted(os.listdir(page_dir)):
        if not name.endswith(".html"):
            continue
        with open(os.path.join(page_dir, name), "rb") as source:
            data = source.read()
        codec, how = sniff(data)
        text = data.decode(codec, errors="replace")
        with open(os.path.join(text_dir, name), "w", encoding="utf-8", newline="") as out:
            out.write(text)
        rows.append(f"{name}\t{codecs.lookup(codec).name}\t{how}")
    with open(os.path.join(text_dir, "encodings.tsv"), "w", encoding="utf-8") as out:
        out.write("\n".join(rows) + "\n")
    print(f"fidelity.py: {len(rows)} pages decoded into {text_dir}", file=sys.stderr)


def pages_of(text_dir):
    return sorted(name for name in os.listdir(text_dir) if name.endswith(".html"))


def count_lxml(selectors_file, text_dir, output):
    selectors = read_lines(selectors_file)
    translator = HTMLTranslator()
    queries = []
    for selector in selectors:
        try:
            queries.append(etree.XPath(translator.css_to_xpath(selector)))
        except Exception:  # cssselect's SelectorError and XPath's own errors
            queries.append(None)
    parser = html.HTMLParser(encoding="utf-8")
    lines = []
    for page in pages_of(text_dir):
        with open(os.path.join(text_dir, page), "rb") as source:
            data = source.read()
        try:
            document = html.document_fromstring(data, parser=parser)
        except (etree.ParserError, ValueError):
            document = None
        for index, query in enumerate(queries):
            count = -1 if document is None or query is None else len(query(document))
            lines.append(f"{page}\t{index}\t{count}")
    with open(output, "w", encoding="utf-8") as out:
        out.write("\n".join(lines) + "\n")


def vestrel_counts(vestrel, selector, page_dir, scratch):
    """{page: matches} of one vestrel run, and what it said on standard error."""
    index = os.path.join(scratch, "_index.lst")
    if os.path.exists(index):
        os.unlink(index)
    # The run works in the scratch directory, given the pages by absolute
    # name, so that _index.lst lands beside no page.
    names = [os.path.join(page_dir, page) for page in pages_of(page_dir)]
    run = subprocess.run([vestrel, "-m", "5", selector, *names], cwd=scratch,
                         stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, check=False)
    counts = collections.Counter()
    with open(index, "rb") as lines:
        for line in lines:
            found = INDEX_LINE.match(line)
            if found:
                counts[os.path.basename(found.group(1).decode("utf-8"))] += 1
    return counts, run.returncode, run.stderr.decode("utf-8", "replace")


def count_vestrel(vestrel, selectors_file, page_dir, output):
    selectors = read_lines(selectors_file)
    pages = pages_of(page_dir)
    work_dir = os.path.dirname(os.path.abspath(output))
    with tempfile.TemporaryDirectory(dir=work_dir) as scratch:
        documents, status, said = vestrel_counts(vestrel, "html", page_dir, scratch)
        missing = [page for page in pages if documents[page] == 0]
        with open(os.path.join(work_dir, "no-document.txt"), "w", encoding="utf-8") as out:
            out.write("".join(page + "\n" for page in missing))
        with open(os.path.join(work_dir, "vestrel.stderr"), "w", encoding="utf-8") as out:
            out.write(f"== html (exit {status})\n{said}")
        lines = []
        for index, selector in enumerate(selectors):
            print(f"== vestrel: {selector}", file=sys.stderr)
            counts, status, said = vestrel_counts(vestrel, selector, page_dir, scratch)
            if status not in (0, 3):
                sys.exit(f"fidelity.py: vestrel ended with {status} on {selector!r}:\n{said}")
            with open(os.path.join(work_dir, "vestrel.stderr"), "a", encoding="utf-8") as out:
                out.write(f"== {selector} (exit {status})\n{said}")
            lines.extend(f"{page}\t{index}\t{counts[page]}" for page in pages)
    with open(output, "w", encoding="utf-8") as out:
        out.write("\n".join(lines) + "\n")


def read_counts(path):
    """{(page, selector index): count}"""
    counts = {}
    for line in read_lines(path):
        page, index, count = line.split("\t")
        counts[(page, int(index))] = int(count)
    return counts


def share(equal, total):
    return f"{100 * equal / total:.1f}%" if total else "n/a"


class comparison:
    """The three tools' counts over the pages that gave vestrel a document."""

    def __init__(self, work_dir):
        self.selectors = read_lines(os.path.join(work_dir, "selectors.txt"))
        self.browser = read_counts(os.path.join(work_dir, "browser.tsv"))
        self.lxml = read_counts(os.path.join(work_dir, "lxml.tsv"))
        self.vestrel = read_counts(os.path.join(work_dir, "vestrel.tsv"))
        self.pages = sorted({page for page, _ in self.browser})
        self.no_document = set(read_lines(os.path.join(work_dir, "no-document.txt")))
        self.kept = [page for page in self.pages if page not in self.no_document]
        self.tools = {"vestrel": self.vestrel, "lxml": self.lxml, "browser": self.browser}

    def pairs(self, pages, selectors=None):
        indexes = range(len(self.selectors)) if selectors is None else selectors
        return [(page, index) for page in pages for index in indexes]

    def equal(self, one, other, pairs):
        a, b = self.tools[one], self.tools[other]
        return sum(1 for pair in pairs if a.get(pair) == b.get(pair) and a.get(pair, -1) >= 0)

    def total(self, tool, index, pages):
        return sum(max(self.tools[tool].get((page, index), 0), 0) for page in pages)


COMPARED = (("vestrel", "browser"), ("lxml", "browser"), ("vestrel", "lxml"))


def overall_table(data):
    everything = data.pairs(data.pages)
    kept = data.pairs(data.kept)
    out = ["| compared | equal pairs | share | share, every page | pages equal on every selector |",
           "|---|---|---|---|---|"]
    for one, other in COMPARED:
        equal = data.equal(one, other, kept)
        whole_pages = sum(1 for page in data.kept
                          if data.equal(one, other, data.pairs([page])) == len(data.selectors))
        out.append(f"| {one} vs {other} | {equal} of {len(kept)} | **{share(equal, len(kept))}** "
                   f"| {share(data.equal(one, other, everything), len(everything))} "
                   f"| {whole_pages} of {len(data.kept)} |")
    return out


def selector_table(data):
    out = ["| selector | pages with a match (browser) | browser | vestrel | lxml "
           "| vestrel = browser | lxml = browser | vestrel = lxml | vestrel more / fewer |",
           "|---|---|---|---|---|---|---|---|---|"]
    rows = []
    for index, selector in enumerate(data.selectors):
        pairs = data.pairs(data.kept, [index])
        shares = [data.equal(one, other, pairs) for one, other in COMPARED]
        matched = sum(1 for page in data.kept if data.browser.get((page, index), 0) > 0)
        more = sum(1 for pair in pairs if data.vestrel[pair] > data.browser[pair])
        fewer = sum(1 for pair in pairs if data.vestrel[pair] < data.browser[pair])
        rows.append((shares[0], index, "| `{}` | {} | {} | {} | {} | {} | {} | {} | {} / {} |".format(
            selector.replace("|", "\\|"), matched, data.total("browser", index, data.kept),
            data.total("vestrel", index, data.kept), data.total("lxml", index, data.kept),
            *(share(equal, len(pairs)) for equal in shares), more, fewer)))
    # The selectors on which vestrel and the browser agree least come first.
    out += [row for _, _, row in sorted(rows)]
    return out


def gap_table(data):
    gaps = []
    for page in data.kept:
        for index in range(len(data.selectors)):
            vestrel, browser = data.vestrel[(page, index)], data.browser[(page, index)]
            if vestrel != browser:
                gaps.append((abs(vestrel - browser), page, index))
    gaps.sort(key=lambda gap: (-gap[0], gap[1], gap[2]))
    out = ["| page | selector | browser | vestrel | lxml |", "|---|---|---|---|---|"]
    for _, page, index in gaps[:TOP_GAPS]:
        out.append(f"| {page} | `{data.selectors[index].replace('|', chr(92) + '|')}` "
                   f"| {data.browser[(page, index)]} | {data.vestrel[(page, index)]} "
                   f"| {data.lxml[(page, index)]} |")
    pages_with_gap = len({page for _, page, _ in gaps})
    return out, len(gaps), pages_with_gap


def encoding_sentence(text_dir):
    rows = [line.split("\t") for line in read_lines(os.path.join(text_dir, "encodings.tsv"))]
    chosen = collections.Counter((codec, how) for _, codec, how in rows)
    parts = [f"{count} {codec} ({how})" for (codec, how), count in chosen.most_common()]
    return ", ".join(parts)


def section(work_dir, machine):
    data = comparison(work_dir)
    versions = read_lines(os.path.join(work_dir, "versions.txt"))
    gaps, gap_count, gap_pages = gap_table(data)
    missing = sorted(data.no_document)
    out = [SECTION_START, "## Fidelity: vestrel against a browser and lxml", "",
           f"Written by `bench/fidelity`: {len(data.pages)} real pages, {len(data.selectors)} "
           f"selectors whose meaning is the same in vestrel and in CSS (types, attributes with "
           f"each operator, classes, ids, the four combinators and mixes of them; no positional "
           f"pseudo-class), {len(data.pages) * len(data.selectors)} (page, selector) pairs. "
           f"A pair is equal when both tools find the same number of elements. Machine: "
           f"{machine}. " + " ".join(versions), "",
           "- browser: Chromium's own HTML parser, headless, the page's text handed to "
           "`DOMParser` (`text/html`), no script run, `querySelectorAll(selector).length`;",
           "- lxml: `lxml.html` and cssselect;",
           "- vestrel: `vestrel -m 5 SELECTOR PAGES...`, the lines of `_index.lst`, one per "
           "match: matching sees the document as Tidy repaired it (element names lower-cased "
           "by Tidy and matched without regard to case, attribute names and values exactly).",
           "",
           f"Each page was decoded once, as a browser decodes a page opened from disk (byte "
           f"order mark, else a meta charset in the first 1024 bytes, else UTF-8 when valid, "
           f"else windows-1252), and the browser and lxml were given that text as UTF-8: "
           f"{encoding_sentence(os.path.join(work_dir, 'text'))}. vestrel was given each "
           f"page's own bytes, as a user gives them, and read them in the encoding it "
           f"chose itself.", ""]
    if missing:
        out += [f"{len(missing)} page(s) gave vestrel no document at all (no `html` element "
                f"matched): {', '.join(missing)}. Their pairs are counted apart: the shares "
                f"below are over the other {len(data.kept)} pages; 'every page' counts these "
                f"pages too, each pair of them unequal wherever the browser finds something.",
                ""]
    out += overall_table(data)
    out += ["", f"vestrel and the browser differ in {gap_count} pairs on {gap_pages} pages. "
            f"The largest differences:", ""] + gaps
    out += ["", "### Per selector", "",
            "Pages with a match: the pages in which the browser finds at least one element. "
            "browser, vestrel, lxml: the elements each finds in all pages together. vestrel "
            "more / fewer: the pages on which vestrel finds more elements than the browser, and "
            "fewer. Least agreement first.", ""] + selector_table(data)
    out.append(SECTION_END)
    return "\n".join(out)


def replace_section(results_file, text):
    """RESULTS_FILE with the fidelity section replaced by TEXT, or TEXT
    appended when there is none yet."""
    try:
        with open(results_file, encoding="utf-8") as source:
            old = source.read()
    except FileNotFoundError:
        old = "# Benchmark results\n"
    start, end = old.find(SECTION_START), old.find(SECTION_END)
    if start >= 0 and end > start:
        new = old[:start] + text + old[end + len(SECTION_END):]
    else:
        new = old.rstrip("\n") + "\n\n" + text + "\n"
    with open(results_file, "w", encoding="utf-8") as out:
        out.write(new)


def main():
    arguments = sys.argv[1:]
    verbs = {"prepare": 2, "lxml": 3, "vestrel": 4, "report": 3}
    if not arguments or verbs.get(arguments[0]) != len(arguments) - 1:
        sys.exit(__doc__.split("\n\n")[1])
    verb, rest = arguments[0], arguments[1:]
    if verb == "prepare":
        prepare(*rest)
    elif verb == "lxml":
        count_lxml(*rest)
    elif verb == "vestrel":
        count_vestrel(*rest)
    else:
        work_dir, results_file, machine = rest
        text = section(work_dir, machine)
        replace_section(results_file, text)
        print(text)


if __name__ == "__main__":
    main()
