"""Reads an HTML report with Python's html.parser and prints what a test checks, one item a line: every
tag left open or closed out of order, the document title, the h1, the Content-Security-Policy, every
reference to anything outside the page, each step picture (step, time, row), and the cells of every
table row by the table's class or section ("units" for a row of units under the headings)."""
import html.parser
import sys

VOID = {"area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta", "source", "track", "wbr"}


class Report(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.open, self.lines, self.text, self.cells = [], [], None, None
        self.section = ""

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if tag not in VOID:
            self.open.append(tag)
        if tag == "meta" and a.get("http-equiv") == "Content-Security-Policy":
            self.lines.append("csp " + a.get("content", ""))
        for name in ("src", "href", "action", "data"):
            value = a.get(name)
            if value is not None and not value.startswith("#"):
                self.lines.append("external " + value)
        if tag == "section":
            self.section = a.get("class", "")
        if tag == "figure" and "step" in a.get("class", "").split():
            self.lines.append("figure %s %s %s" % (a.get("data-step"), a.get("data-time"), a.get("data-row")))
        if tag in ("title", "h1", "td", "th") and (self.open[-2:-1] != ["svg"]):
            self.text = ""
        if tag == "tr":
            self.cells = []
            self.kind = "units" if "units" in a.get("class", "").split() else "row"

    def handle_startendtag(self, tag, attrs):
        self.handle_starttag(tag, attrs)
        if tag not in VOID:
            self.open.pop()

    def handle_data(self, data):
        if self.text is not None:
            self.text += data

    def handle_endtag(self, tag):
        if not self.open or self.open[-1] != tag:
            self.lines.append("misplaced </%s> at line %d, open: %s" % (tag, self.getpos()[0], self.open[-3:]))
            return
        self.open.pop()
        if tag in ("title", "h1") and self.text is not None and "svg" not in self.open:
            self.lines.append("%s %s" % (tag, self.text))
            self.text = None
        elif tag in ("td", "th") and self.cells is not None:
            self.cells.append(self.text or "")
            self.text = None
        elif tag == "tr" and self.cells is not None:
            self.lines.append("%s %s %s" % (self.kind, self.section or "header", "|".join(self.cells)))
            self.cells = None


sys.stdout.reconfigure(encoding="utf-8")
parser = Report()
parser.feed(open(sys.argv[1], encoding="utf-8", errors="strict").read())
parser.close()
for tag in parser.open:
    parser.lines.append("unclosed <%s>" % tag)
print("\n".join(parser.lines))
