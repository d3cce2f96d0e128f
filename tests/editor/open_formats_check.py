#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Reads an exported guide the way other programs will and prints what they see as JSON.

  open_formats_check.py html FILE       parse the page with Python's html.parser
  open_formats_check.py markdown FILE   render README.md with cmark-gfm (GitHub's
                                        extensions on), then parse that HTML
"""
import base64
import html.parser
import json
import re
import subprocess
import sys


class Page(html.parser.HTMLParser):
    VOID = {"meta", "img", "br", "hr", "link", "input", "source", "area", "base", "col", "embed", "wbr"}

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.doctype = None
        self.stack = []
        self.tags = []
        self.errors = []
        self.text = {}
        self.items = []
        self.images = []
        self.attributes = []
        self.outside_text = []

    def handle_decl(self, decl):
        self.doctype = decl

    def _current(self, *classes):
        for tag, attrs in reversed(self.stack):
            if tag in classes or attrs.get("class") in classes:
                return tag, attrs
        return None

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        self.tags.append(tag)
        self.attributes.extend(attrs.items())
        if tag == "li":
            self.items.append({"value": attrs.get("value"), "id": attrs.get("id"), "caption": "", "app": None,
                               "strong": "", "em": "", "image": None, "text": ""})
        if tag == "img":
            image = {k: attrs.get(k) for k in ("alt", "width", "height")}
            src = attrs.get("src") or ""
            image["src"] = src if not src.startswith("data:") else src.split(",", 1)[0] + ",…"
            if src.startswith("data:"):
                image["bytes"] = base64.b64decode(src.split(",", 1)[1], validate=True).hex()
            self.images.append(image)
            if self.items and self._current("li"):
                self.items[-1]["image"] = image
        if tag not in self.VOID:
            self.stack.append((tag, attrs))

    def handle_startendtag(self, tag, attrs):
        self.handle_starttag(tag, attrs)

    def handle_endtag(self, tag):
        if tag in self.VOID:
            return
        if not self.stack or self.stack[-1][0] != tag:
            self.errors.append("unbalanced </%s> in %s" % (tag, [t for t, _ in self.stack]))
            return
        self.stack.pop()

    def handle_data(self, data):
        if not self.stack:
            if data.strip():
                self.outside_text.append(data)
            return
        tag, attrs = self.stack[-1]
        key = attrs.get("class") or tag
        self.text[key] = self.text.get(key, "") + data
        if self.items and self._current("li"):
            item = self.items[-1]
            item["text"] += data
            if self._current("caption"):
                item["caption"] += data
            if self._current("app"):
                item["app"] = (item["app"] or "") + data
            if self._current("strong"):
                item["strong"] += data
            if self._current("em"):
                item["em"] += data


def summary(markup):
    page = Page()
    page.feed(markup)
    page.close()
    if page.stack:
        page.errors.append("unclosed %s" % [t for t, _ in page.stack])
    # Everything but the screenshots' own data, where base64 may spell anything.
    skeleton = re.sub(r'(src="data:[^,"]*,)[^"]*"', r'\1"', markup)
    return {
        "doctype": page.doctype,
        "errors": page.errors,
        "tags": sorted(set(page.tags)),
        "text": page.text,
        "items": page.items,
        "images": page.images,
        "outsideText": page.outside_text,
        "attributes": sorted({name for name, _ in page.attributes}),
        "skeleton": skeleton,
    }


def main():
    mode, path = sys.argv[1], sys.argv[2]
    if mode == "html":
        with open(path, encoding="utf-8") as f:
            print(json.dumps(summary(f.read())))
    elif mode == "markdown":
        rendered = subprocess.run(
            ["cmark-gfm", "--extension", "table", "--extension", "strikethrough", "--extension", "autolink",
             "--extension", "tagfilter", "--extension", "tasklist", path],
            check=True, capture_output=True, text=True).stdout
        result = summary(rendered)
        result["rendered"] = rendered
        print(json.dumps(result))
    else:
        sys.exit("unknown mode " + mode)


if __name__ == "__main__":
    main()
