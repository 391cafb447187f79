#!/usr/bin/env python3
"""Checks the compiled help file as a CHM reader sees it.

The file is listed with enum_chmLib and unpacked with extract_chmLib (Debian's
libchm-bin). It must hold every topic the program opens, with its blanks and
letter case, a table of contents and an index that its header names, the
default topic, and no link that lands outside the file or on a page or anchor
that is not there.

Usage: check_help.py HVMEND_CHM [PROGRAM_SOURCE ...]
Each program source is searched for topic names ("...\\name.htm" literals);
every topic found there must be in the file as well.
"""

import html.parser
import posixpath
import re
import struct
import subprocess
import sys
import tempfile
import urllib.parse
from pathlib import Path

# The topics the program hands to HtmlHelpA after "hvmend.chm::/", written as
# the program writes them.
PROGRAM_TOPICS = (
    "Using Hivemend\\Scan and Clean.htm",
    "About Hivemend\\Hivemend support.htm",
    "Help\\front.htm",
    "Using Hivemend\\Optimize.htm",
    "Using Hivemend\\Pack Registry.htm",
    "Using Hivemend\\restore.htm",
    "Using Hivemend\\Monitor Registry.htm",
    "Using Hivemend\\Vista Tweaks.htm",
    "Using Hivemend\\Settings\\General Tab.htm",
    "Using Hivemend\\Settings\\Custom Scan.htm",
    "Using Hivemend\\Settings\\Ignore List.htm",
    "Using Hivemend\\Settings\\Monitor.htm",
    "Using Hivemend\\Settings\\About settings.htm",
)
DEFAULT_TOPIC = "Help\\front.htm"

# Entry codes of the #SYSTEM stream in the CHM header.
SYSTEM_CONTENTS_FILE = 0
SYSTEM_INDEX_FILE = 1
SYSTEM_DEFAULT_TOPIC = 2

# Elements and the attribute by which each refers to another file.
LINK_ATTRIBUTES = {
    "a": "href", "area": "href", "link": "href",
    "img": "src", "frame": "src", "iframe": "src", "script": "src",
}


LISTING_ROW = re.compile(r"^\s*\d+\s+\d+\s+\d+\s+[a-z ]+\t\t(.+)$", re.MULTILINE)


class HelpFileError(Exception):
    """The file cannot be read as a CHM at all."""


def chm_name(topic):
    """The name a topic is stored under inside the file: HTML Help separates
    folders with "/" and names start at the root."""
    return "/" + topic.replace("\\", "/")


def list_names(chm):
    """Every name the file's directory holds, as enum_chmLib lists them."""
    run = subprocess.run(["enum_chmLib", str(chm)], capture_output=True, text=True,
                         errors="replace")
    if run.returncode != 0:
        raise HelpFileError(f"enum_chmLib cannot read {chm}: {run.stdout.strip()} "
                            f"{run.stderr.strip()}".strip())
    # Rows read "spc start length type<TAB><TAB>name"; names may hold blanks.
    return set(LISTING_ROW.findall(run.stdout))


def unpack(chm, folder):
    run = subprocess.run(["extract_chmLib", str(chm), str(folder)], capture_output=True,
                         text=True, errors="replace")
    if run.returncode != 0:
        raise HelpFileError(f"extract_chmLib cannot unpack {chm}: {run.stdout.strip()}")


def system_entries(folder):
    """The #SYSTEM stream's text entries by code (version, then code, length, data)."""
    path = Path(folder) / "#SYSTEM"
    if not path.is_file():
        return {}
    data = path.read_bytes()
    entries, at = {}, 4
    while at + 4 <= len(data):
        code, length = struct.unpack_from("<HH", data, at)
        entries[code] = data[at + 4:at + 4 + length].split(b"\0", 1)[0].decode("cp1252", errors="replace")
        at += 4 + length
    return entries


class PageScanner(html.parser.HTMLParser):
    """Collects a page's outgoing references and the anchors it defines."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.references = []
        self.anchors = set()
        self.sitemap_locals = []

    def handle_starttag(self, tag, attrs):
        attributes = dict(attrs)
        if attributes.get("id"):
            self.anchors.add(attributes["id"])
        if tag == "a" and attributes.get("name"):
            self.anchors.add(attributes["name"])
        wanted = LINK_ATTRIBUTES.get(tag)
        if wanted and wanted in attributes:
            self.references.append(attributes[wanted] or "")
        if tag == "param" and (attributes.get("name") or "").lower() == "local":
            self.sitemap_locals.append(attributes.get("value") or "")


def scan_page(path):
    scanner = PageScanner()
    scanner.feed(path.read_text(encoding="cp1252", errors="replace"))
    scanner.close()
    return scanner


def resolve(page, reference):
    """(target name, anchor) that a reference written in `page` points at, or
    None when it leaves the file. An empty path refers to the page itself."""
    parts = urllib.parse.urlsplit(reference)
    if parts.scheme or parts.netloc:
        return None
    path = urllib.parse.unquote(parts.path)
    if not path:
        target = page
    elif path.startswith("/"):
        target = posixpath.normpath(path)
    else:
        target = posixpath.normpath(posixpath.join(posixpath.dirname(page), path))
    return target, urllib.parse.unquote(parts.fragment)


def reference_problems(where, base, reference, names, anchors_of):
    """What is wrong with one reference found in `where` and read relative to the
    page `base`, or None."""
    where = f"{where}: link \"{reference}\""
    if not reference.strip():
        return f"{where} is empty"
    if "\\" in reference:
        return f"{where} uses a backslash; links separate folders with \"/\""
    resolved = resolve(base, reference)
    if resolved is None:
        return f"{where} leaves the help file"
    target, anchor = resolved
    if target not in names:
        return f"{where} points at {target}, which the file does not hold"
    if anchor and anchor not in anchors_of(target):
        return f"{where} names the anchor #{anchor}, which {target} does not define"
    return None


def program_topics(sources):
    """Topic names written in the program's sources: string literals ending in .htm."""
    topics = set()
    for source in sources:
        text = Path(source).read_text(encoding="utf-8", errors="replace")
        for literal in re.findall(r'"((?:[^"\\\n]|\\.)+\.htm)"', text):
            topics.add(literal.replace("\\\\", "\\"))
    return topics


def find_problems(chm, topics=PROGRAM_TOPICS, default_topic=DEFAULT_TOPIC, sources=()):
    """Every fault of the help file, as sentences; empty when it is sound."""
    names = list_names(chm)
    wanted, problems = wanted_topics(topics, sources)
    problems += topic_problems(names, wanted)
    with tempfile.TemporaryDirectory(prefix="hvm-help-") as folder:
        unpack(chm, folder)
        unpacked = UnpackedHelp(Path(folder), names)
        problems += header_problems(unpacked.system, names, default_topic)
        problems += page_link_problems(unpacked)
        problems += sitemap_problems(unpacked, wanted)
    return problems


class UnpackedHelp:
    """The unpacked file: its names, its header entries, and its pages, each
    parsed once."""

    def __init__(self, root, names):
        self.root = root
        self.names = names
        self.system = system_entries(root)
        self._pages = {}

    def page(self, name):
        if name not in self._pages:
            self._pages[name] = scan_page(self.root / name.lstrip("/"))
        return self._pages[name]

    def anchors(self, name):
        return self.page(name).anchors

    def sitemaps(self):
        """The contents and index files that the header names and the file holds, by code."""
        return {code: "/" + self.system[code]
                for code in (SYSTEM_CONTENTS_FILE, SYSTEM_INDEX_FILE)
                if self.system.get(code) and "/" + self.system[code] in self.names}


def wanted_topics(topics, sources):
    """The topics to look for: the given ones and those the program's sources name."""
    wanted, problems = list(topics), []
    if sources:
        found = program_topics(sources)
        if not found:
            problems.append(f"no topic names found in {', '.join(map(str, sources))}")
        wanted += sorted(found - set(topics))
    return wanted, problems


def topic_problems(names, wanted):
    folded = {name.lower(): name for name in names}
    problems = []
    for topic in wanted:
        name = chm_name(topic)
        if name not in names:
            near = folded.get(name.lower())
            hint = f" (the file has {near}: the letter case differs)" if near else ""
            problems.append(f"the program opens {topic}, but the file has no {name}{hint}")
    return problems


def page_link_problems(unpacked):
    problems = []
    pages = sorted(n for n in unpacked.names if n.lower().endswith((".htm", ".html")))
    for page in pages:
        for reference in unpacked.page(page).references:
            problems.append(reference_problems(page, page, reference, unpacked.names,
                                               unpacked.anchors))
    return [problem for problem in problems if problem]


def sitemap_problems(unpacked, wanted):
    """Entries of the contents and the index must land on pages of the file, and
    the contents must list every wanted topic."""
    problems = []
    sitemaps = unpacked.sitemaps()
    for sitemap in sitemaps.values():
        for local in unpacked.page(sitemap).sitemap_locals:
            # Entries of the contents and the index are relative to the root.
            problems.append(reference_problems(sitemap, "/", local, unpacked.names,
                                               unpacked.anchors))
    contents = sitemaps.get(SYSTEM_CONTENTS_FILE)
    if contents:
        entries = {resolve("/", local) for local in unpacked.page(contents).sitemap_locals}
        listed = {entry[0] for entry in entries if entry}
        for topic in wanted:
            if chm_name(topic) in unpacked.names and chm_name(topic) not in listed:
                problems.append(f"{topic} is not in the table of contents {contents}")
    return [problem for problem in problems if problem]


def header_problems(system, names, default_topic):
    """The header must name the contents, the index and the default topic, and
    each must be in the file."""
    problems = []
    for code, what, suffix in ((SYSTEM_CONTENTS_FILE, "table of contents", ".hhc"),
                               (SYSTEM_INDEX_FILE, "index", ".hhk")):
        named = system.get(code, "")
        if not named:
            problems.append(f"the header names no {what} ({suffix} file)")
        elif not named.lower().endswith(suffix):
            problems.append(f"the {what} {named} is not a {suffix} file")
        elif "/" + named not in names:
            problems.append(f"the header names the {what} {named}, which the file does not hold")
    default = system.get(SYSTEM_DEFAULT_TOPIC, "")
    if not default:
        problems.append("no default topic is set")
    elif "/" + default.lstrip("/") != chm_name(default_topic):
        problems.append(f"the default topic is {default}, not {default_topic}")
    elif "/" + default.lstrip("/") not in names:
        problems.append(f"the default topic {default} is not in the file")
    return problems


def main(argv):
    if len(argv) < 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    chm = Path(argv[1])
    try:
        problems = find_problems(chm, sources=[Path(s) for s in argv[2:]])
    except HelpFileError as error:
        print(error)
        return 1
    for problem in problems:
        print(problem)
    if problems:
        print(f"{chm}: {len(problems)} problem(s)")
        return 1
    print(f"{chm}: all {len(PROGRAM_TOPICS)} program topics, contents, index, default topic "
          f"and links are sound")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
