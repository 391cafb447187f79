#!/usr/bin/env python3
"""hvmend-cli's published JSON contract, checked on the real program: every
verb runs under Wine in a fresh prefix of its own (seeded from
json_contract_seed.reg), and each --json document it prints is validated
against its schema in docs/schema/ and comes with the exit code that
docs/schema/README.md gives. The schemas refuse fields they do not name, so a
field added to the program without its schema fails here; every schema must
refuse them, and every schema must be used.

usage: json_contract_test.py BUILD_DIR SOURCE_DIR"""
import copy
import json
import os
import queue
import shutil
import subprocess
import sys
import tempfile
import threading

import jsonschema

BUILD, SOURCE = (os.path.abspath(path) for path in sys.argv[1:3])
SCHEMAS = os.path.join(SOURCE, "docs", "schema")
CLI = os.path.join(BUILD, "bin", "hvmend-cli.exe")
SEED = os.path.join(SOURCE, "tests", "cli", "json_contract_seed.reg")
SECTIONS = "13,15,18,24"
RUN_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Run"

failures = []
used_schemas = set()


def check(description, ok):
    print(("ok: " if ok else "FAILED: ") + description)
    if not ok:
        failures.append(description)
    return ok


def load_schema(name):
    with open(os.path.join(SCHEMAS, name + ".schema.json"), encoding="utf-8") as f:
        return json.load(f)


def object_paths(value, path=()):
    """The path of every object in a document, the document itself first."""
    if isinstance(value, dict):
        yield path
        for key, item in value.items():
            yield from object_paths(item, path + (key,))
    elif isinstance(value, list):
        for index, item in enumerate(value):
            yield from object_paths(item, path + (index,))


def with_unknown_field(document, path):
    changed = copy.deepcopy(document)
    target = changed
    for step in path:
        target = target[step]
    target["unknownField"] = 1
    return changed


def validate(schema_name, document, what):
    """The document against its schema; and the same document with one field
    more in any of its objects must fail."""
    used_schemas.add(schema_name)
    validator = jsonschema.Draft202012Validator(load_schema(schema_name))
    errors = sorted(validator.iter_errors(document), key=lambda e: list(e.absolute_path))
    detail = "; ".join(f"{list(e.absolute_path)}: {e.message}" for e in errors[:3])
    check(f"{what} is valid by {schema_name}.schema.json" + (f" ({detail})" if detail else ""),
          not errors)
    lax = [p for p in object_paths(document) if validator.is_valid(with_unknown_field(document, p))]
    check(f"{what}: a field its schema does not name is refused everywhere"
          + (f" (not at {lax[0]})" if lax else ""), not lax)


class Prefix:
    """A fresh Wine prefix with a persistent wineserver, removed afterwards."""

    def __init__(self):
        self.path = tempfile.mkdtemp(prefix="hvm-json-prefix.")
        self.env = dict(os.environ, WINEPREFIX=self.path, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=")
        self.quiet(["wineboot", "-i"])
        self.quiet(["wineserver", "-w"])
        self.quiet(["wineserver", "-p"])
        # Wine's services start with the first program and inherit its pipes;
        # started here, they hold none of the pipes read below.
        self.quiet(["wine", "cmd", "/c", "exit"])

    def quiet(self, command):
        return subprocess.run(command, env=self.env, stdin=subprocess.DEVNULL,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode

    def drive_c(self, *parts):
        return os.path.join(self.path, "drive_c", *parts)

    def close(self):
        self.quiet(["wineserver", "-k"])
        shutil.rmtree(self.path, ignore_errors=True)


def main():
    prefix = Prefix()
    try:
        run_checks(prefix)
    finally:
        prefix.close()
    if failures:
        print(f"json contract: {len(failures)} check(s) failed")
        return 1
    print("json contract: all checks passed")
    return 0


def run_checks(prefix):
    def cli(*args):
        done = subprocess.run(["wine", CLI, *args], env=prefix.env, stdin=subprocess.DEVNULL,
                              capture_output=True)
        return (done.returncode, done.stdout.decode("utf-8", "replace"),
                done.stderr.decode("utf-8", "replace"))

    def document(schema_name, expected_code, *args):
        """Runs the verb, checks its exit code and validates what it printed."""
        what = "hvmend-cli " + " ".join(a for a in args if "\\" not in a)
        code, out, err = cli(*args)
        check(f"{what} ends with exit code {expected_code} (got {code})", code == expected_code)
        try:
            parsed = json.loads(out)
        except ValueError as error:
            check(f"{what} prints one JSON document ({error}; stderr: {err.strip()[:200]})", False)
            return {}
        validate(schema_name, parsed, what)
        return parsed

    seed = subprocess.run(["winepath", "-w", SEED], env=prefix.env, capture_output=True,
                          text=True).stdout.strip()
    check("regedit imports the seed", prefix.quiet(["wine", "regedit", "/s", seed]) == 0)
    data = "C:\\hvm-json\\data"
    os.makedirs(prefix.drive_c("hvm-json", "data"))
    with open(prefix.drive_c("hvm-json", "data", "Undo20200101.reg"), "w") as f:
        f.write("not a snapshot\n")
    with open(prefix.drive_c("hvm-json", "problems.txt"), "w") as f:
        f.write("2\tHKEY_CURRENT_USER\\Software\\HvmJson\\K\\\\:gone = x\n")
    scan_args = ("--json", "--quiet", "--sections", SECTIONS, "--data-dir", data)

    read_only = document("scan", 1, "scan", "--read-only", *scan_args)
    problems = [p for s in read_only.get("sections", []) for p in s["problems"]]
    check("the read-only scan lists problems, a caution entry among them",
          any(p["caution"] for p in problems) and any(not p["caution"] for p in problems))
    scan = document("scan", 1, "scan", *scan_args)
    check("the scan removes the stale startup value at once", bool(scan.get("removedAtOnce")))
    check("the scan's total counts its problems",
          scan.get("total") == sum(len(s["problems"]) for s in scan.get("sections", [])))

    repair_args = ("--json", "--quiet", "--sections", "13,18", "--data-dir", data)
    dry = document("repair", 0, "repair", "--dry-run", *repair_args)
    check("the dry run shows what it would remove", "[HKEY_" in dry.get("wouldRemove", ""))
    repaired = document("repair", 1, "repair", "--restore-point", "--problems",
                        "C:\\hvm-json\\problems.txt", *repair_args)
    check("the repair removes the problems and leaves the listed value that is gone",
          repaired.get("repaired", 0) >= 2 and len(repaired.get("leftInPlace", [])) == 1)
    check("the repair tells how the restore point went", "restorePoint" in repaired)

    undo = document("undo-list", 0, "undo", "list", "--json", "--data-dir", data)
    check("undo list names the file that is no snapshot",
          undo.get("notSnapshots") == ["Undo20200101.reg"])
    snapshots = undo.get("snapshots") or [{"name": "none", "entries": []}]
    check("undo list lists the day's snapshot with entries", bool(snapshots[0]["entries"]))
    restored = document("undo-restore", 0, "undo", "restore", snapshots[0]["name"], "--json",
                        "--data-dir", data)
    check("every entry is restored",
          restored.get("restored") == len(snapshots[0]["entries"]) == restored.get("entries"))

    # A reviewed scan: the shared DLL's entry stays checked, the rest is
    # unchecked, and the App Paths entry's target comes back before the repair.
    reviewed = document("scan", 1, "scan", "--json", "--quiet", "--sections", "13,18",
                        "--data-dir", data)
    check("the scan names this computer", bool(reviewed.get("computer")))
    for section in reviewed.get("sections", []):
        for problem in section["problems"]:
            problem["checked"] = "hvmstale" in problem["line"].lower()
    with open(prefix.drive_c("hvm-json", "review.json"), "w", encoding="utf-8") as f:
        json.dump(reviewed, f)
    os.makedirs(prefix.drive_c("HvmStale"), exist_ok=True)
    open(prefix.drive_c("HvmStale", "stale.exe"), "wb").close()
    from_review = document("repair", 0, "repair", "--from", "C:\\hvm-json\\review.json",
                           *repair_args[:2], "--data-dir", data)
    review = from_review.get("review", {})
    check("repair --from tells what became of the reviewed entries",
          review.get("checked") == 2 and review.get("stillStale") == 1
          and [l["result"] for l in review.get("leftAlone", [])] == ["notStale"])
    code, out, err = cli("repair", "--from", "C:\\hvm-json\\problems.txt", "--json",
                         "--data-dir", data)
    check("a file that is no scan document ends with exit code 2 and no document",
          code == 2 and out == "" and "not a scan's JSON document" in err)

    optimize_args = ("--json", "--data-dir", data)
    document("optimize-status", 0, "optimize", "status", *optimize_args)
    code, out, _ = cli("optimize", "apply", *optimize_args)
    applied = json.loads(out) if out.strip() else {}
    validate("optimize-apply", applied, "hvmend-cli optimize apply")
    all_done = all(s["result"] == "done" for s in applied.get("steps", []))
    check("optimize apply ends with exit code 1 exactly when a step is not done",
          code == (0 if all_done else 1) and applied.get("changed") is True)
    again = document("optimize-apply", 0, "optimize", "apply", *optimize_args)
    check("a second optimize apply changes nothing", again.get("changed") is False)
    code, out, _ = cli("optimize", "undo", *optimize_args)
    undone = json.loads(out) if out.strip() else {}
    validate("optimize-undo", undone, "hvmend-cli optimize undo")
    check("optimize undo ends with exit code 1 exactly when something is still recorded",
          code == (1 if undone.get("remaining") else 0))

    settings = document("settings-get", 0, "settings", "get", "--json", "--data-dir", data)
    check("settings get lists every setting", len(settings) > 40)
    one = document("settings-get", 0, "settings", "get", "MonitorPrompt", "--json", "--data-dir",
                   data)
    check("settings get KEY gives that one setting and its source",
          set(one) == {"schemaVersion", "MonitorPrompt", "sources"}
          and set(one.get("sources", {})) == {"MonitorPrompt"})
    changed = document("settings-set", 0, "settings", "set", "MonitorPrompt", "120", "--json",
                       "--data-dir", data)
    check("settings set tells the value stored, as a number",
          changed.get("key") == "MonitorPrompt" and changed.get("value") == 120)
    code, out, err = cli("settings", "set", "AutoFreq", "9", "--json", "--data-dir", data)
    check("a value out of range ends with exit code 2, no document and the reason on stderr",
          code == 2 and out == "" and "AutoFreq" in err)
    policy = r"HKCU\Software\Policies\BrightfoldSoftware\Hivemend"
    prefix.quiet(["wine", "reg", "add", policy, "/v", "MonitorPrompt", "/t", "REG_DWORD", "/d",
                  "55", "/f"])
    held = document("settings-get", 0, "settings", "get", "--json", "--data-dir", data)
    check("settings get tells a value a user policy holds",
          held.get("MonitorPrompt") == 55 and held["sources"]["MonitorPrompt"] == "userPolicy"
          and held["sources"]["AutoFreq"] == "file")
    code, out, err = cli("settings", "set", "MonitorPrompt", "10", "--json", "--data-dir", data)
    check("settings set of a key a policy holds ends with exit code 2 and no document",
          code == 2 and out == "" and "Set by your administrator" in err)
    prefix.quiet(["wine", "reg", "delete", policy, "/f"])

    startup = "C:\\hvm-json\\startup"
    os.makedirs(prefix.drive_c("hvm-json", "startup"))
    on = document("autostart", 0, "autostart", "monitor", "--json", "--data-dir", data,
                  "--startup-folder", startup)
    shortcut = prefix.drive_c("hvm-json", "startup", "hvmend.lnk")
    check("autostart monitor makes the shortcut it tells of",
          on.get("shortcutPresent") is True and os.path.isfile(shortcut))
    off = document("autostart", 0, "autostart", "off", "--json", "--data-dir", data,
                   "--startup-folder", startup)
    check("autostart off removes it", off.get("shortcutPresent") is False
          and not os.path.exists(shortcut))

    root = "C:\\hvm-json\\backups"
    made = document("backup", 0, "backup", "--json", "--root", root, "--data-dir", data)
    check("the backup saves hives", made.get("made") is True and bool(made.get("hives")))
    listed = document("backup-list", 0, "backup", "list", "--json", "--root", root)
    folders = [b["folder"] for b in listed.get("backups", [])]
    check(f"backup list lists it ({folders}, made {made.get('folder')})",
          folders == [made.get("folder")])

    code, out, err = cli("scan", "--json", "--sections", "99")
    check("a usage error ends with exit code 2 and no document", code == 2 and out == "")

    for line in watch_one_change(prefix):
        validate("monitor", json.loads(line), "hvmend-cli monitor --json (one line)")

    check_schema_files()


def open_objects(schema, path="#"):
    """The places in a schema where an object may hold fields it does not name."""
    if isinstance(schema, dict):
        if schema.get("type") == "object" and schema.get("additionalProperties") is not False:
            yield path
        for key, item in schema.items():
            yield from open_objects(item, f"{path}/{key}")
    elif isinstance(schema, list):
        for index, item in enumerate(schema):
            yield from open_objects(item, f"{path}/{index}")


def check_schema_files():
    """Each schema is a valid draft 2020-12 schema that closes every object,
    requires the schema version, is listed beside the exit codes and checked
    real output above; and README links them."""
    with open(os.path.join(SCHEMAS, "README.md"), encoding="utf-8") as f:
        listing = f.read()
    names = sorted(n for n in os.listdir(SCHEMAS) if n.endswith(".schema.json"))
    for name in names:
        schema = load_schema(name[:-len(".schema.json")])
        try:
            jsonschema.Draft202012Validator.check_schema(schema)
            valid = True
        except jsonschema.SchemaError as error:
            valid = check(f"{name} is a valid schema ({error.message})", False)
        check(f"{name} is a valid draft 2020-12 schema", valid and schema.get("$schema")
              == "https://json-schema.org/draft/2020-12/schema")
        open_at = list(open_objects(schema))
        check(f"{name} closes every object" + (f" (not {open_at[0]})" if open_at else ""),
              not open_at)
        check(f"{name} requires schemaVersion 1", "schemaVersion" in schema.get("required", [])
              and schema["properties"]["schemaVersion"].get("const") == 1)
        check(f"{name} is listed in docs/schema/README.md", f"]({name})" in listing)
        check(f"{name} validated some real output", name[:-len(".schema.json")] in used_schemas)
    with open(os.path.join(SOURCE, "README.md"), encoding="utf-8") as f:
        check("README links docs/schema/README.md", "](docs/schema/README.md)" in f.read())


def watch_one_change(prefix):
    """The lines `monitor --json` prints for a value added to a key it watches.
    The monitor only ends by itself after --seconds; it is stopped once it has
    printed, so the test waits for what it prints and never for a time."""
    monitor = subprocess.Popen(["wine", CLI, "monitor", "--json", "--seconds", "3600"],
                               env=prefix.env, stdin=subprocess.DEVNULL,
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    lines, notes = queue.Queue(), queue.Queue()
    for stream, into in ((monitor.stdout, lines), (monitor.stderr, notes)):
        threading.Thread(target=lambda s=stream, q=into: [q.put(l) for l in s] and None,
                         daemon=True).start()
    try:
        note = notes.get()
        check(f"monitor says what it watches ({note.strip()})", note.startswith("Watching "))
        # Wine delivers a change as soon as it is made; another value is added
        # for as long as none shows, so that a change lost under load cannot
        # hang the test (a monitor that never prints fails at ctest's timeout).
        attempt = 0
        while True:
            prefix.quiet(["wine", "reg", "add", RUN_KEY, "/v", f"HvmWatched{attempt}", "/d",
                          "x.exe", "/f"])
            try:
                line = lines.get(timeout=5)
                break
            except queue.Empty:
                attempt += 1
        change = json.loads(line)
        check("monitor prints the value added to the Run key",
              change.get("action") == "Value Added To"
              and change.get("name", "").startswith("HvmWatched")
              and change.get("location", "").endswith("\\Run"))
        return [line]
    finally:
        monitor.kill()
        monitor.wait()


if __name__ == "__main__":
    sys.exit(main())
