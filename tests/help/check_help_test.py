#!/usr/bin/env python3
"""Tests of the help checker on small help files compiled with chmcmd: each
fault of a help file must be reported, and a sound file must pass."""

import shutil
import subprocess
import sys
import tempfile
import textwrap
import unittest
from pathlib import Path

# The checker is imported from the source tree, which must stay free of
# compiled files.
sys.dont_write_bytecode = True
sys.path.insert(0, str(Path(__file__).resolve().parent))
import check_help  # noqa: E402

TOPICS = ("Help\\front.htm", "Using Hivemend\\Scan and Clean.htm",
          "Using Hivemend\\Settings\\Ignore List.htm")
DEFAULT = "Help\\front.htm"


def page(body, title="Topic"):
    return (f"<html><head><title>{title}</title>"
            f'<link rel="stylesheet" type="text/css" href="/help.css"></head>'
            f"<body>{body}</body></html>")


def sitemap(*locals_):
    items = "".join(f'<LI><OBJECT type="text/sitemap"><param name="Name" value="{n}">'
                    f'<param name="Local" value="{n}"></OBJECT>' for n in locals_)
    return f"<HTML><BODY><UL>{items}</UL></BODY></HTML>"


def sound_files():
    """A small help file without faults: three topics linking each other."""
    return {
        "help.css": "h1 { color: #2E5A7E; }",
        "Help/front.htm": page('<h1 id="top">Front</h1>'
                               '<a href="../Using%20Hivemend/Scan%20and%20Clean.htm">scan</a>'
                               '<a href="#top">top</a>'),
        "Using Hivemend/Scan and Clean.htm": page(
            '<a href="Settings/Ignore%20List.htm">ignore</a>'
            '<a href="../Help/front.htm#top">front</a>'
            '<a href="Settings/Ignore List.htm">blank, not encoded</a>'),
        "Using Hivemend/Settings/Ignore List.htm": page(
            '<a name="remove"></a><a href="../../Help/front.htm">front</a>'
            '<a href="/Using%20Hivemend/Scan%20and%20Clean.htm">scan</a>'),
        "t.hhc": sitemap("Help/front.htm", "Using Hivemend/Scan and Clean.htm",
                         "Using Hivemend/Settings/Ignore List.htm"),
        "t.hhk": sitemap("Using Hivemend/Settings/Ignore List.htm"),
    }


class HelpFileCase(unittest.TestCase):
    def setUp(self):
        self.folder = Path(tempfile.mkdtemp(prefix="hvm-help-test-"))
        self.addCleanup(shutil.rmtree, self.folder)

    def compile(self, files, options=None):
        """Compiles `files` (name: text) into a CHM; `options` replace or, with
        None as value, drop lines of the project's [OPTIONS]."""
        settings = {"Compiled file": "t.chm", "Contents file": "t.hhc", "Index file": "t.hhk",
                    "Default topic": DEFAULT.replace("\\", "/"), "Title": "T"}
        settings.update(options or {})
        source = self.folder / "src"
        for name, text in files.items():
            (source / name).parent.mkdir(parents=True, exist_ok=True)
            (source / name).write_text(text)
        listed = "\n".join(n for n in files if not n.endswith((".hhc", ".hhk")))
        options_text = "\n".join(f"{k}={v}" for k, v in settings.items() if v is not None)
        (source / "t.hhp").write_text(f"[OPTIONS]\n{options_text}\n\n[FILES]\n{listed}\n")
        run = subprocess.run(["chmcmd", "--no-html-scan", "t.hhp"], cwd=source,
                             capture_output=True, text=True)
        chm = source / "t.chm"
        self.assertTrue(chm.is_file(), f"chmcmd wrote nothing: {run.stdout} {run.stderr}")
        return chm

    def problems(self, files, options=None, **kwargs):
        chm = self.compile(files, options)
        return check_help.find_problems(chm, topics=TOPICS, default_topic=DEFAULT, **kwargs)

    def assertOneProblem(self, problems, *words):
        self.assertEqual(len(problems), 1, problems)
        for word in words:
            self.assertIn(word, problems[0])


class SoundFileTest(HelpFileCase):
    def test_sound_file_passes(self):
        self.assertEqual(self.problems(sound_files()), [])

    def test_the_real_topic_list_passes_on_a_file_holding_every_topic(self):
        files = {"help.css": ""}
        for topic in check_help.PROGRAM_TOPICS:
            files[topic.replace("\\", "/")] = page("<p>text</p>")
        files["t.hhc"] = sitemap(*(t.replace("\\", "/") for t in check_help.PROGRAM_TOPICS))
        files["t.hhk"] = sitemap("Help/front.htm")
        chm = self.compile(files)
        self.assertEqual(check_help.find_problems(chm), [])


class TopicTest(HelpFileCase):
    def test_missing_topic_is_named(self):
        files = sound_files()
        del files["Using Hivemend/Settings/Ignore List.htm"]
        files["Using Hivemend/Scan and Clean.htm"] = page("<p>no links</p>")
        files["t.hhk"] = files["t.hhc"] = sitemap("Help/front.htm",
                                                  "Using Hivemend/Scan and Clean.htm")
        self.assertOneProblem(self.problems(files), "Settings\\Ignore List.htm",
                              "/Using Hivemend/Settings/Ignore List.htm")

    def test_topic_in_other_letter_case_is_reported_with_the_name_found(self):
        files = sound_files()
        files["Using Hivemend/Settings/ignore list.htm"] = files.pop(
            "Using Hivemend/Settings/Ignore List.htm")
        problems = self.problems(files)
        self.assertTrue(any("letter case differs" in p and "/ignore list.htm" in p
                            for p in problems), problems)

    def test_topic_without_blanks_does_not_count(self):
        files = sound_files()
        files["Using Hivemend/ScanandClean.htm"] = files.pop("Using Hivemend/Scan and Clean.htm")
        problems = self.problems(files)
        self.assertTrue(any("the file has no /Using Hivemend/Scan and Clean.htm" in p
                            for p in problems), problems)

    def test_topic_missing_from_the_contents(self):
        files = sound_files()
        files["t.hhc"] = sitemap("Help/front.htm", "Using Hivemend/Scan and Clean.htm")
        self.assertOneProblem(self.problems(files), "Ignore List.htm", "table of contents")


class LinkTest(HelpFileCase):
    def with_link(self, href, into="Using Hivemend/Scan and Clean.htm"):
        files = sound_files()
        files[into] = files[into].replace("</body>", f'<a href="{href}">x</a></body>')
        return self.problems(files)

    def test_link_to_missing_page(self):
        self.assertOneProblem(self.with_link("Settings/General%20Tab.htm"),
                              "Scan and Clean.htm", "/Using Hivemend/Settings/General Tab.htm")

    def test_relative_link_that_climbs_to_the_wrong_folder(self):
        self.assertOneProblem(self.with_link("../Ignore%20List.htm"), "/Ignore List.htm")

    def test_link_to_missing_anchor(self):
        self.assertOneProblem(self.with_link("../Help/front.htm#bottom"), "#bottom")

    def test_anchor_on_the_same_page(self):
        self.assertOneProblem(self.with_link("#nowhere"), "#nowhere")
        self.assertEqual(self.with_link("Settings/Ignore%20List.htm#remove"), [])

    def test_link_leaving_the_help_file(self):
        for href in ("http://example.org/", "mailto:help@example.org", "//example.org/x.htm"):
            with self.subTest(href=href):
                self.assertOneProblem(self.with_link(href), "leaves the help file")

    def test_backslash_and_empty_links(self):
        self.assertOneProblem(self.with_link("Settings\\Ignore List.htm"), "backslash")
        self.assertOneProblem(self.with_link(""), "empty")

    def test_missing_stylesheet(self):
        files = sound_files()
        del files["help.css"]
        problems = self.problems(files)
        self.assertEqual(len(problems), 3, problems)
        self.assertTrue(all("/help.css" in p for p in problems), problems)

    def test_index_entry_pointing_nowhere(self):
        files = sound_files()
        files["t.hhk"] = sitemap("Using Hivemend/Optimize.htm")
        self.assertOneProblem(self.problems(files), "t.hhk", "/Using Hivemend/Optimize.htm")


class HeaderTest(HelpFileCase):
    def test_no_default_topic(self):
        problems = self.problems(sound_files(), {"Default topic": None})
        self.assertTrue(any("default topic" in p for p in problems), problems)

    def test_other_default_topic(self):
        problems = self.problems(sound_files(),
                                 {"Default topic": "Using Hivemend/Scan and Clean.htm"})
        self.assertOneProblem(problems, "default topic is Using Hivemend/Scan and Clean.htm")

    def test_no_index(self):
        files = sound_files()
        del files["t.hhk"]
        self.assertOneProblem(self.problems(files, {"Index file": None}), "index", ".hhk")

    def test_no_contents(self):
        files = sound_files()
        del files["t.hhc"]
        self.assertOneProblem(self.problems(files, {"Contents file": None}),
                              "table of contents", ".hhc")


class ProgramSourceTest(HelpFileCase):
    def source(self, text):
        path = self.folder / "navigation.cpp"
        path.write_text(textwrap.dedent(text))
        return path

    def test_topic_the_program_opens_but_the_file_lacks(self):
        source = self.source(r'''
            case Page::kFront: return "Using Hivemend\\Scan and Clean.htm";
            case Page::kPack: return "Using Hivemend\\Pack Registry.htm";
            const bool hasExtension = lower.compare(lower.size() - 4, 4, ".htm") == 0;
        ''')
        self.assertOneProblem(self.problems(sound_files(), sources=[source]),
                              "Using Hivemend\\Pack Registry.htm")

    def test_source_without_topics_is_reported(self):
        source = self.source('int CommandOf(Page page) { return 500; }\n')
        self.assertOneProblem(self.problems(sound_files(), sources=[source]),
                              "no topic names found")


class UnreadableFileTest(unittest.TestCase):
    def test_file_that_is_no_chm(self):
        with tempfile.NamedTemporaryFile(suffix=".chm") as junk:
            junk.write(b"ITSF but not really")
            junk.flush()
            with self.assertRaises(check_help.HelpFileError):
                check_help.find_problems(junk.name)
            self.assertEqual(check_help.main(["check_help.py", junk.name]), 1)

    def test_missing_file(self):
        self.assertEqual(check_help.main(["check_help.py", "/nonexistent/hvmend.chm"]), 1)


if __name__ == "__main__":
    unittest.main()
