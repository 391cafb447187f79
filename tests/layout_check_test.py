#!/usr/bin/env python3
"""Tests of layout_check.py on small trees made for each case."""
import os
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import layout_check  # noqa: E402


def make_tree(files):
    root = tempfile.mkdtemp(prefix="layout-")
    for path, text in files.items():
        full = os.path.join(root, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "w") as f:
            f.write(text)
    return root


class LayoutCheckTest(unittest.TestCase):
    def found(self, files):
        return list(layout_check.violations(make_tree(files)))

    def test_allowed_includes_pass(self):
        self.assertEqual(self.found({
            "src/engine/core/a.h": '#include "engine/core/b.h"\n#include <windows.h>\n',
            "src/ui/w.h": '#include "engine/core/scoped_handle.h"\n',
            "src/cli/c.cpp": '#include "engine/scan/scan_driver.h"\n',
            "src/desktop/m.cpp": '#include "ui/window.h"\n#include "desktop/pages/p.h"\n',
        }), [])

    def test_each_forbidden_direction_is_found(self):
        found = self.found({
            "src/engine/results/r.cpp": 'x\n#include "desktop/pages/results_page.h"\n',
            "src/engine/scan/s.h": '#include "ui/gdi.h"\n',
            "src/engine/update/u.cpp": '#  include "cli/cli_options.h"\n',
            "src/ui/t.cpp": '#include "desktop/main_window.h"\n',
            "src/cli/c.cpp": '#include "ui/controls.h"\n',
            "src/desktop/d.cpp": '#include "cli/scan_output.h"\n',
        })
        self.assertEqual(sorted((p, l) for p, l, _ in found), [
            ("src/cli/c.cpp", 1), ("src/desktop/d.cpp", 1), ("src/engine/results/r.cpp", 2),
            ("src/engine/scan/s.h", 1), ("src/engine/update/u.cpp", 1), ("src/ui/t.cpp", 1)])

    def test_relative_paths_are_resolved(self):
        found = self.found({"src/engine/core/a.cpp": '#include "../../desktop/x.h"\n'})
        self.assertEqual([p for p, _, _ in found], ["src/engine/core/a.cpp"])

    def test_system_headers_and_other_files_are_ignored(self):
        self.assertEqual(self.found({
            "src/engine/core/a.cpp": '#include <ui/whatever.h>\n',
            "src/engine/core/notes.txt": '#include "desktop/x.h"\n',
        }), [])

    def test_exit_codes(self):
        script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "layout_check.py")
        clean = make_tree({"src/engine/core/a.h": '#include "engine/core/b.h"\n'})
        dirty = make_tree({"src/engine/core/a.h": '#include "desktop/b.h"\n'})
        run = lambda *a: subprocess.run([sys.executable, script, *a], capture_output=True, text=True)
        self.assertEqual(run(clean).returncode, 0)
        result = run(dirty)
        self.assertEqual(result.returncode, 1)
        self.assertIn('src/engine/core/a.h:1: includes "desktop/b.h"', result.stdout)
        self.assertEqual(run(tempfile.mkdtemp()).returncode, 2)
        self.assertEqual(run().returncode, 2)


if __name__ == "__main__":
    unittest.main()
