#!/usr/bin/env python3
"""Writes the generated inputs of bench/run into a directory.

    make-pages.py DIR [LARGE_PAGE_MB]
    make-pages.py --small DIR COUNT

large.html  one realistic page of LARGE_PAGE_MB megabytes (default 5): a
            navigation bar, nested sections with headings, paragraphs with
            inline markup and links, tables, nested lists, and the small
            faults of hand-written HTML (unclosed p and li, named entities,
            bare ampersands, uppercase tags) that the repair step must fix.
deep.html   blocks of divs nested 90 levels deep, each ending in a span:
            the worst case of descendant chains, whose naive matching
            backtracks over every choice of ancestors.
wide.html   one ul with 100,000 li elements: the worst case of the sibling
            counting behind nth-child and friends and of the sibling
            combinators.

With --small, DIR gets COUNT small pages instead, page-00000.html and on:
each a title, a short menu, one to three paragraphs of the large page's kind
and one list, about 2 KB. bench/run runs vestrel over 20,000 of them at once
to see that its memory does not grow with the number of inputs.

The output is the same for every run (fixed seed), so timings of separate
runs compare.
"""

import os
import random
import sys

WORDS = ("lorem ipsum dolor sit amet consectetur adipiscing elit sed do eiusmod tempor "
         "incididunt ut labore et dolore magna aliqua enim ad minim veniam quis nostrud "
         "exercitation ullamco laboris nisi aliquip ex ea commodo consequat duis aute irure "
         "in reprehenderit voluptate velit esse cillum fugiat nulla pariatur excepteur sint "
         "occaecat cupidatat non proident sunt culpa qui officia deserunt mollit anim id est "
         "laborum").split()

# Depth of deep.html's div towers: with html and body around them and a span
# inside, the deepest element stays below the XML parser's nesting limit.
DEEP_LEVELS = 90
DEEP_BLOCKS = 200
WIDE_ITEMS = 100_000
SMALL_SEED = 20250101


class page_writer:
    """Builds one large page from a seeded random source."""

    def __init__(self, seed):
        self.rng = random.Random(seed)
        self.parts = []
        self.size = 0
        self.link_count = 0

    def emit(self, text):
        self.parts.append(text)
        self.size += len(text)

    def words(self, low, high):
        return " ".join(self.rng.choice(WORDS) for _ in range(self.rng.randint(low, high)))

    def href(self):
        self.link_count += 1
        kind = self.rng.randrange(4)
        if kind == 0:
            return f"#sec-{self.rng.randrange(1000)}"
        if kind == 1:
            return f"/docs/{self.rng.choice(WORDS)}/{self.link_count}.html"
        if kind == 2:
            return f"https://example.org/{self.rng.choice(WORDS)}?id={self.link_count}&amp;ref=bench"
        return f"../{self.rng.choice(WORDS)}.html#part{self.rng.randrange(50)}"

    def inline(self):
        """A run of text with inline markup and links."""
        pieces = []
        for _ in range(self.rng.randint(3, 8)):
            kind = self.rng.randrange(10)
            text = self.words(2, 9)
            if kind < 3:
                pieces.append(f'<a href="{self.href()}" class="ref">{text}</a>')
            elif kind == 3:
                pieces.append(f"<em>{text}</em>")
            elif kind == 4:
                pieces.append(f"<strong>{text}</strong>")
            elif kind == 5:
                pieces.append(f"<code>{self.rng.choice(WORDS)}()</code>")
            elif kind == 6:
                pieces.append(f"{text}&nbsp;&mdash; {self.rng.choice(WORDS)} & co")
            elif kind == 7:
                pieces.append(f'<a name="n{self.link_count}">{text}</a>')
            else:
                pieces.append(text)
        return " ".join(pieces)

    def paragraph(self):
        # Every third paragraph is left unclosed, as hand-written pages do.
        closing = "" if self.rng.randrange(3) == 0 else "</p>"
        self.emit(f"<p>{self.inline()}{closing}\n")

    def table(self):
        columns = self.rng.randint(3, 6)
        self.emit('<table class="data">\n<thead><tr>')
        for c in range(columns):
            self.emit(f"<th>{self.rng.choice(WORDS)} {c}</th>")
        self.emit("</tr></thead>\n<tbody>\n")
        for r in range(self.rng.randint(5, 30)):
            row_class = "odd" if r % 2 else "even"
            self.emit(f'<tr class="{row_class}">')
            for _ in range(columns):
                if self.rng.randrange(3) == 0:
                    self.emit(f'<td><a href="{self.href()}">{self.words(1, 3)}</a></td>')
                else:
                    self.emit(f"<td>{self.words(1, 4)}</td>")
            self.emit("</tr>\n")
        self.emit("</tbody></table>\n")

    def item_list(self, depth):
        tag = "ol" if self.rng.randrange(3) == 0 else "ul"
        self.emit(f'<{tag} class="list-{depth}">\n')
        for _ in range(self.rng.randint(2, 8)):
            # Some items are left unclosed; the next <li> closes them.
            self.emit(f"<li>{self.inline()}")
            if depth < 3 and self.rng.randrange(4) == 0:
                self.item_list(depth + 1)
            if self.rng.randrange(4):
                self.emit("</li>")
            self.emit("\n")
        self.emit(f"</{tag}>\n")

    def section(self, number, depth):
        self.emit(f'<section id="sec-{number}-{depth}" class="level-{depth}">\n')
        self.emit(f"<h{depth + 1}>{self.words(2, 6)}</h{depth + 1}>\n")
        for _ in range(self.rng.randint(8, 20)):
            kind = self.rng.randrange(10)
            if kind < 6:
                self.paragraph()
            elif kind < 8:
                self.item_list(1)
            elif kind == 8:
                self.table()
            elif depth < 4:
                self.section(number, depth + 1)
            else:
                self.emit(f'<DIV CLASS="note"><IMG SRC="img/{number}.png">{self.inline()}</DIV>\n')
        self.emit("</section>\n")

    def page(self, target_bytes):
        self.emit("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                  "<title>Generated reference manual</title>\n"
                  "<link rel=\"stylesheet\" href=\"style.css\">\n"
                  "<style>td { padding: 2px } .note { color: #333 }</style>\n</head>\n<body>\n")
        self.emit('<nav id="top"><ul class="menu">\n')
        for i in range(40):
            self.emit(f'<li><a href="#sec-{i}-1">{self.words(1, 3)}</a></li>\n')
        self.emit("</ul></nav>\n<main>\n")
        number = 0
        while self.size < target_bytes:
            self.section(number, 1)
            number += 1
        self.emit("</main>\n<footer><p>Generated page &copy; nobody</footer>\n</body>\n</html>\n")
        return "".join(self.parts)


def small_page(number):
    writer = page_writer(SMALL_SEED + number)
    writer.emit(f"<!DOCTYPE html>\n<html>\n<head>\n<title>Page {number}</title>\n</head>\n<body>\n"
                '<ul class="menu">\n')
    for _ in range(writer.rng.randint(3, 6)):
        writer.emit(f'<li><a href="{writer.href()}">{writer.words(1, 2)}</a></li>\n')
    writer.emit(f"</ul>\n<h1>{writer.words(2, 5)}</h1>\n")
    for _ in range(writer.rng.randint(1, 3)):
        writer.paragraph()
    # At the deepest level the list nests no further.
    writer.item_list(3)
    writer.emit("</body>\n</html>\n")
    return "".join(writer.parts)


def write_small_pages(directory, count):
    os.makedirs(directory, exist_ok=True)
    digits = max(5, len(str(count - 1)))
    for number in range(count):
        with open(os.path.join(directory, f"page-{number:0{digits}d}.html"), "w",
                  encoding="utf-8") as out:
            out.write(small_page(number))


def deep_page():
    block = "<div>" * DEEP_LEVELS + "<span>leaf</span>" + "</div>" * DEEP_LEVELS + "\n"
    return "<html><head><title>deep</title></head><body>\n" + block * DEEP_BLOCKS + "</body></html>\n"


def wide_page():
    items = "".join(f"<li>item {i}</li>\n" for i in range(WIDE_ITEMS))
    return "<html><head><title>wide</title></head><body>\n<ul>\n" + items + "</ul>\n</body></html>\n"


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "--small":
        write_small_pages(sys.argv[2], int(sys.argv[3]))
        return
    if len(sys.argv) not in (2, 3) or sys.argv[1].startswith("--"):
        sys.exit("usage: make-pages.py DIR [LARGE_PAGE_MB] | make-pages.py --small DIR COUNT")
    directory = sys.argv[1]
    megabytes = float(sys.argv[2]) if len(sys.argv) == 3 else 5.0
    os.makedirs(directory, exist_ok=True)
    pages = {
        "large.html": page_writer(20240601).page(int(megabytes * 1_000_000)),
        "deep.html": deep_page(),
        "wide.html": wide_page(),
    }
    for name, text in pages.items():
        with open(os.path.join(directory, name), "w", encoding="utf-8") as out:
            out.write(text)


if __name__ == "__main__":
    main()
