#!/usr/bin/env python3
"""Checks a rendered user guide: index.html and every page it leads to exist, every
local link and image of every page names a file of the guide, and no link still points
at a Markdown source. Exit 0 when sound, 1 with the faults listed."""

import html.parser
import pathlib
import sys
import urllib.parse


class References(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.links = []
        self.images = []
        self.title = ""
        self._in_title = False

    def handle_starttag(self, tag, attrs):
        values = dict(attrs)
        if tag == "a" and values.get("href"):
            self.links.append(values["href"])
        elif tag == "img" and values.get("src"):
            self.images.append(values["src"])
        elif tag == "title":
            self._in_title = True

    def handle_endtag(self, tag):
        if tag == "title":
            self._in_title = False

    def handle_data(self, data):
        if self._in_title:
            self.title += data


def is_local(reference):
    parsed = urllib.parse.urlparse(reference)
    return not parsed.scheme and not reference.startswith("#") and not reference.startswith("/")


def check(folder):
    faults = []
    index = folder / "index.html"
    if not index.is_file():
        return [f"{index}: missing"]
    seen, queue = set(), [index]
    while queue:
        page = queue.pop()
        if page in seen:
            continue
        seen.add(page)
        parser = References()
        parser.feed(page.read_text(encoding="utf-8"))
        if not parser.title.strip():
            faults.append(f"{page.name}: no title")
        for image in parser.images:
            target = page.parent / urllib.parse.unquote(image)
            if not is_local(image) or not target.is_file() or target.stat().st_size == 0:
                faults.append(f"{page.name}: image {image} is not a file of the guide")
        for link in parser.links:
            if not is_local(link):
                continue
            path = urllib.parse.unquote(link.split("#", 1)[0])
            target = page.parent / path
            if path.endswith(".md"):
                faults.append(f"{page.name}: link {link} still names a Markdown page")
            elif not target.is_file():
                faults.append(f"{page.name}: link {link} leads nowhere")
            elif target.suffix == ".html":
                queue.append(target.resolve())
    for orphan in sorted(set(folder.glob("*.html")) - {p.resolve() for p in seen} - seen):
        faults.append(f"{orphan.name}: no page links to it")
    return faults


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: check_guide.py GUIDE_FOLDER")
    problems = check(pathlib.Path(sys.argv[1]).resolve())
    for problem in problems:
        print(problem)
    print(f"check_guide: {'FAILED' if problems else 'ok'}")
    sys.exit(1 if problems else 0)
