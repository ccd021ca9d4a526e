#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Checks the documents as a reader meets them on the repository's pages.

  docs.py links ROOT            every relative link and #anchor in every
                                tracked markdown file resolves: to a tracked
                                file or folder, and to a heading as GitHub
                                names its anchor
  docs.py picture FILE          the README's moving picture: an animated WebP
                                of at least 10 frames, 320 pixels wide or more,
                                at most 2 MiB

No checker in Debian knows GitHub's heading anchors, hence these few lines.
"""
import os
import re
import struct
import subprocess
import sys
import urllib.parse

FENCE = re.compile(r"^ {0,3}(```|~~~)")
HEADING = re.compile(r"^ {0,3}#{1,6}[ \t]+(.*?)[ \t#]*$")
CODE = re.compile(r"(`+).*?\1")
LINK = re.compile(r"!?\[(?:[^\[\]]|\[[^\]]*\])*\]\(\s*<?([^)\s>]*)>?(?:\s+\"[^\"]*\")?\s*\)")
REFERENCE = re.compile(r"^ {0,3}\[[^\]]+\]:\s*<?(\S+?)>?(?:\s.*)?$")


def prose(text):
    """The lines outside fenced and indented code blocks."""
    fenced = False
    blank = True
    for line in text.splitlines():
        if FENCE.match(line):
            fenced = not fenced
        elif not fenced and not (blank and line.startswith("    ")):
            yield line
        blank = not line.strip() or (blank and line.startswith("    "))


def slug(heading):
    """GitHub's anchor for a heading: its text as shown, lower case, with
    punctuation dropped and each space made a hyphen."""
    text = re.sub(r"!?\[([^\]]*)\]\([^)]*\)", r"\1", heading)  # links show their text
    text = re.sub(r"[`*]|(?<!\w)_|_(?!\w)", "", text)  # code and emphasis marks
    text = re.sub(r"<[^>]+>", "", text)
    return re.sub(r"[^\w\- ]", "", text.lower()).replace(" ", "-")


def anchors(text):
    seen = {}
    for line in prose(text):
        m = HEADING.match(line)
        if m:
            base = slug(m.group(1))
            n = seen.get(base, 0)
            seen[base] = n + 1
            yield base if n == 0 else f"{base}-{n}"


def links(text):
    for line in prose(text):
        m = REFERENCE.match(line)
        if m:
            yield m.group(1)
            continue
        for m in LINK.finditer(CODE.sub("", line)):
            yield m.group(1)


def tracked(root):
    try:
        out = subprocess.run(["git", "-C", root, "ls-files", "-z"], check=True,
                             capture_output=True).stdout.decode()
        return [p for p in out.split("\0") if p]
    except (OSError, subprocess.CalledProcessError):
        # A source tree without git (an unpacked tarball): what is there, less the builds.
        return [os.path.relpath(os.path.join(d, f), root)
                for d, dirs, files in os.walk(root)
                if not os.path.relpath(d, root).split(os.sep)[0] in ("build", ".git")
                for f in files]


def checklinks(root):
    files = set(tracked(root))
    folders = {""}
    for p in files:
        while p:
            p = os.path.dirname(p)
            folders.add(p)
    pages = {p: open(os.path.join(root, p), encoding="utf-8").read()
             for p in files if p.endswith(".md")}
    headings = {p: set(anchors(t)) for p, t in pages.items()}
    faults = []
    for page, text in sorted(pages.items()):
        for target in links(text):
            if re.match(r"[a-z][a-z0-9+.-]*:", target, re.I):
                continue  # a web address or mail: not ours to check offline
            path, _, anchor = target.partition("#")
            path = urllib.parse.unquote(path)
            if path.startswith("/"):
                where = os.path.normpath(path.lstrip("/"))
            elif path:
                where = os.path.normpath(os.path.join(os.path.dirname(page), path))
            else:
                where = page
            where = "" if where == "." else where
            if where not in files and where.rstrip("/") not in folders:
                faults.append(f"{page}: {target}: no tracked file {where}")
            elif anchor and where in headings and urllib.parse.unquote(anchor).lower() \
                    not in headings[where]:
                faults.append(f"{page}: {target}: no heading #{anchor} in {where}")
    for fault in faults:
        print(fault)
    print(f"{len(pages)} markdown files, {len(faults)} broken links")
    return not faults and pages


def checkpicture(path):
    data = open(path, "rb").read()
    faults = []
    if len(data) > 2 * 1024 * 1024:
        faults.append(f"{len(data)} bytes, over 2 MiB")
    if data[:4] != b"RIFF" or data[8:12] != b"WEBP":
        faults.append("not a WebP file")
        data = b""
    width = frames = 0
    at = 12
    while at + 8 <= len(data):
        kind, size = struct.unpack_from("<4sI", data, at)
        if kind == b"VP8X":
            width = 1 + int.from_bytes(data[at + 12:at + 15], "little")
        frames += kind == b"ANMF"
        at += 8 + size + (size & 1)
    if width < 320:
        faults.append(f"{width} pixels wide, under 320")
    if frames < 10:
        faults.append(f"{frames} frames, under 10")
    for fault in faults:
        print(f"{path}: {fault}")
    print(f"{path}: {len(data)} bytes, {width} pixels wide, {frames} frames")
    return not faults


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "links":
        sys.exit(0 if checklinks(sys.argv[2]) else 1)
    if len(sys.argv) == 3 and sys.argv[1] == "picture":
        sys.exit(0 if checkpicture(sys.argv[2]) else 1)
    sys.exit(__doc__)
