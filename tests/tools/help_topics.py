#!/usr/bin/env python3
"""Checks the compiled help file against the program: every help topic the
program's code names (a wide literal "NAME.htm") must be a page of qorbin.chm
with a title, and every link between the pages must lead to a page inside it.
The file is read back through libchm (extract_chmLib), as the help viewer reads
it, not through the HTML sources.

usage: help_topics.py QORBIN.CHM SOURCE_FOLDER..."""
import html
import os
import re
import subprocess
import sys
import tempfile

TOPIC_LITERAL = re.compile(r'L"([A-Za-z0-9_\-]+\.html?)"')
TITLE = re.compile(r"<title>(.*?)</title>", re.I | re.S)
LINK = re.compile(r'href="([^"#:]+\.html?)(#[^"]*)?"', re.I)


def topics_named_by_code(folders):
    named = {}
    for folder in folders:
        for base, _, files in os.walk(folder):
            for name in files:
                if not name.endswith((".cpp", ".h")):
                    continue
                path = os.path.join(base, name)
                with open(path, encoding="utf-8", errors="replace") as f:
                    for line_no, line in enumerate(f, 1):
                        for topic in TOPIC_LITERAL.findall(line):
                            named.setdefault(topic.lower(), f"{path}:{line_no}")
    return named


def main():
    if len(sys.argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    chm, folders = sys.argv[1], sys.argv[2:]
    named = topics_named_by_code(folders)
    # The options dialog alone names four pages: finding fewer means the scan is broken.
    if len(named) < 4:
        print(f"only {len(named)} help topics found in the code: {sorted(named)}", file=sys.stderr)
        return 1
    failures = []
    with tempfile.TemporaryDirectory() as out:
        run = subprocess.run(["extract_chmLib", chm, out], capture_output=True, text=True)
        pages = {}
        for base, _, files in os.walk(out):
            for name in files:
                if name.lower().endswith((".htm", ".html")):
                    rel = os.path.relpath(os.path.join(base, name), out).replace(os.sep, "/")
                    with open(os.path.join(base, name), encoding="utf-8", errors="replace") as f:
                        pages[rel.lower()] = f.read()
        if run.returncode != 0 or not pages:
            print(f"extract_chmLib could not read {chm}: {run.stdout}{run.stderr}", file=sys.stderr)
            return 1
        for topic, where in sorted(named.items()):
            text = pages.get(topic)
            if text is None:
                failures.append(f"{topic} (named at {where}) is not in {os.path.basename(chm)}")
                continue
            title = TITLE.search(text)
            if not title or not html.unescape(title.group(1)).strip():
                failures.append(f"{topic} (named at {where}) has no title")
        for page, text in sorted(pages.items()):
            for link, _ in LINK.findall(text):
                if link.lower() not in pages:
                    failures.append(f"{page} links to {link}, which is not in the help file")
        print(f"{len(named)} topics named by the code, {len(pages)} pages in the help file")
    for f in failures:
        print("FAIL: " + f, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
