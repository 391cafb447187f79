#!/usr/bin/env python3
"""End to end, as an administrator's scripts run hvmend-cli across machines,
in a fresh prefix of its own: Group Policy values written to the machine's
policy key hold at the console (refused with exit code 2, the settings file
byte for byte as it was), and a scan's JSON reviewed by hand is repaired
exactly: only its checked entries, each only while still stale, and a file
that is damaged, of a newer layout or of another computer changes nothing.

usage: fleet_test.py BUILD_DIR"""
import json
import os
import shutil
import subprocess
import sys
import tempfile

BUILD = os.path.abspath(sys.argv[1])
CLI = os.path.join(BUILD, "bin", "hvmend-cli.exe")
DUMP = os.path.join(BUILD, "bin", "registry_dump.exe")
POLICY = r"HKLM\Software\Policies\BrightfoldSoftware\Hivemend"
SHARED = r"HKLM\Software\Microsoft\Windows\CurrentVersion\SharedDLLs"
APPS = r"HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths"
SEED = rf"""Windows Registry Editor Version 5.00

[{SHARED.replace("HKLM", "HKEY_LOCAL_MACHINE")}]
"C:\\HvmFleet\\a.dll"=dword:00000001
"C:\\HvmFleet\\b.dll"=dword:00000001
"C:\\HvmFleet\\c.dll"=dword:00000001

[{APPS.replace("HKLM", "HKEY_LOCAL_MACHINE")}\\hvmfleet1.exe]
@="C:\\HvmFleet\\one.exe"

[{APPS.replace("HKLM", "HKEY_LOCAL_MACHINE")}\\hvmfleet2.exe]
@="C:\\HvmFleet\\two.exe"
"""
DATA = "C:\\hvm-fleet\\data"
SECTION_KEYS = ("RegistryIntegrity TypeLibrary WindowsAssociations DeepScan CustomControls "
                "ApplicationIDs CodePages ContentType Applications KnownDrivers VirtualDrivers "
                "OpenGLDrivers SharedDLLs StartMenu Startup HelpAndResources WindowsFonts "
                "ApplicationLocations FileExtensions HTMLHelp InstalledFiles AddRemoveCache "
                "FilePathReferences ConfigurationCache").split()
# A scan by the settings runs sections 13 and 18 only, so that it stays short.
SETTINGS = "[scan]\r\n" + "".join(
    f"{key}={int(key in ('SharedDLLs', 'ApplicationLocations'))}\r\n" for key in SECTION_KEYS)

failures = []


def check(description, ok):
    print(("ok: " if ok else "FAILED: ") + description)
    if not ok:
        failures.append(description)
    return ok


class Prefix:
    def __init__(self):
        self.path = tempfile.mkdtemp(prefix="hvm-fleet-prefix.")
        self.env = dict(os.environ, WINEPREFIX=self.path, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=")
        self.quiet(["wineboot", "-i"])
        self.quiet(["wineserver", "-w"])
        self.quiet(["wineserver", "-p"])
        self.quiet(["wine", "cmd", "/c", "exit"])

    def quiet(self, command):
        return subprocess.run(command, env=self.env, stdin=subprocess.DEVNULL,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode

    def run(self, *command):
        done = subprocess.run(["wine", *command], env=self.env, stdin=subprocess.DEVNULL,
                              capture_output=True)
        # The console's text mode ends lines with CR LF.
        return (done.returncode, done.stdout.decode("utf-8", "replace").replace("\r\n", "\n"),
                done.stderr.decode("utf-8", "replace").replace("\r\n", "\n"))

    def cli(self, *args):
        return self.run(CLI, *args)

    def windows_path(self, unix):
        return subprocess.run(["winepath", "-w", unix], env=self.env, capture_output=True,
                              text=True).stdout.strip()

    def drive_c(self, *parts):
        return os.path.join(self.path, "drive_c", *parts)

    def close(self):
        self.quiet(["wineserver", "-k"])
        shutil.rmtree(self.path, ignore_errors=True)


def seeded(prefix):
    """The seeded values and keys as the registry holds them."""
    lines = []
    for key in (SHARED, APPS):
        _, out, _ = prefix.run(DUMP, key)
        lines += [l for l in out.splitlines() if "HvmFleet" in l or "hvmfleet" in l]
    return sorted(lines)


def snapshots(prefix):
    folder = prefix.drive_c("hvm-fleet", "data")
    return sorted(n for n in os.listdir(folder) if n.startswith("Undo")) if os.path.isdir(
        folder) else []


def policies_hold_at_the_console(prefix):
    settings = prefix.drive_c("hvm-fleet", "data", "hvmend.ini")
    code, _, err = prefix.cli("settings", "set", "MonitorPrompt", "250", "--data-dir", DATA)
    check(f"a setting no policy holds is set ({err.strip()})", code == 0)
    with open(settings, "rb") as f:
        before = f.read()
    for name, value in (("AutoAction", 1), ("SharedDLLs", 0), ("BackupBeforeScan", 0),
                        ("MonitorPrompt", 75), ("AllowOptimize", 0)):
        prefix.quiet(["wine", "reg", "add", POLICY, "/v", name, "/t", "REG_DWORD", "/d",
                      str(value), "/f"])
    refused = [
        ("settings", "set", "AutoAction", "0"),
        ("settings", "set", "monitorprompt", "10"),
        ("settings", "set", "SharedDLLs", "1"),
        ("autostart", "off"),
        ("optimize", "apply", "--json"),
        ("scan", "--json", "--quiet", "--sections", "13,18"),
        ("repair", "--quiet", "--restore-point", "--dry-run", "--sections", "18"),
    ]
    for args in refused:
        code, out, err = prefix.cli(*args, "--data-dir", DATA)
        check(f"{' '.join(args)} is refused with exit code 2 and says why "
              f"({err.strip()[:160]})",
              code == 2 and out == "" and "Set by your administrator" in err)
    with open(settings, "rb") as f:
        check("the settings file is byte for byte as it was", f.read() == before)
    code, out, _ = prefix.cli("settings", "get", "--data-dir", DATA)
    check("settings get marks what a policy holds",
          "\nMonitorPrompt=75  (Set by your administrator, machine policy)\n" in out
          and "\nAutoFreq=0\n" in out)
    code, out, _ = prefix.cli("settings", "get", "--json", "--data-dir", DATA)
    document = json.loads(out) if code == 0 else {}
    sources = document.get("sources", {})
    check("settings get --json tells each value's source",
          document.get("MonitorPrompt") == 75 and sources.get("MonitorPrompt") == "machinePolicy"
          and sources.get("SharedDLLs") == "machinePolicy" and sources.get("AutoFreq") == "file")
    code, out, _ = prefix.cli("settings", "get", "--json", "--data-dir", "C:\\hvm-fleet\\none")
    sources = json.loads(out).get("sources", {}) if code == 0 else {}
    check("without a settings file the values are defaults, but for the policy's",
          sources.get("AutoFreq") == "default" and sources.get("AutoAction") == "machinePolicy")
    code, out, _ = prefix.cli("scan", "--json", "--quiet", "--data-dir", DATA, "--read-only")
    sections = json.loads(out).get("sections", []) if out else []
    check("a scan by the settings leaves out the section a policy switches off",
          len(sections) == 24 and not sections[12]["enabled"] and sections[17]["enabled"])
    prefix.quiet(["wine", "reg", "delete", POLICY, "/f"])
    code, _, _ = prefix.cli("settings", "set", "AutoAction", "0", "--data-dir", DATA)
    check("once the policy is lifted the key is the user's again", code == 0)


def review_file(prefix, name, document):
    path = prefix.drive_c("hvm-fleet", name)
    with open(path, "w", encoding="utf-8") as f:
        json.dump(document, f, indent=2)
    return "C:\\hvm-fleet\\" + name


def reviewed_scans_repair_exactly_their_checked_entries(prefix):
    code, out, err = prefix.cli("scan", "--json", "--quiet", "--sections", "13,18",
                                "--data-dir", DATA)
    check(f"the scan finds the seeded entries (exit {code}, {err.strip()[:120]})", code == 1)
    scan = json.loads(out)
    wanted = ("a.dll", "c.dll", "hvmfleet1.exe")
    edited = json.loads(out)
    for section in edited["sections"]:
        # The administrator deletes the entry of b.dll and unchecks the rest.
        section["problems"] = [p for p in section["problems"] if "b.dll" not in p["line"]]
        for problem in section["problems"]:
            problem["checked"] = any(w in problem["line"] for w in wanted)
    checked = sum(p["checked"] for s in edited["sections"] for p in s["problems"])
    check(f"the review checks three entries ({checked})", checked == 3)
    reviewed = review_file(prefix, "review.json", edited)

    before, made_before = seeded(prefix), snapshots(prefix)
    newer = json.loads(out)
    newer["schemaVersion"] = 2
    other = json.loads(out)
    other["computer"] = "ANOTHER-PC"
    damaged = out[: len(out) // 2]
    with open(prefix.drive_c("hvm-fleet", "damaged.json"), "w", encoding="utf-8") as f:
        f.write(damaged)
    for name, path, says in (
            ("damaged", "C:\\hvm-fleet\\damaged.json", "not a scan's JSON document"),
            ("newer", review_file(prefix, "newer.json", newer), "newer than this hvmend-cli"),
            ("another computer's", review_file(prefix, "other.json", other), "ANOTHER-PC"),
            ("missing", "C:\\hvm-fleet\\missing.json", "cannot read")):
        code, out_, err = prefix.cli("repair", "--from", path, "--json", "--quiet",
                                     "--data-dir", DATA)
        check(f"a {name} file is refused with exit code 2 ({err.strip()[:140]})",
              code == 2 and out_ == "" and says in err)
    check("the refused files changed nothing in the registry", seeded(prefix) == before)
    check("and wrote no undo snapshot", snapshots(prefix) == made_before)

    code, out, err = prefix.cli("repair", "--from", reviewed, "--dry-run", "--json", "--quiet",
                                "--data-dir", DATA)
    dry = json.loads(out) if code == 0 else {}
    would = dry.get("wouldRemove", "")
    check(f"the dry run shows exactly the checked entries ({err.strip()[:120]})",
          "a.dll" in would and "c.dll" in would and "hvmfleet1.exe" in would
          and "b.dll" not in would and "hvmfleet2.exe" not in would)
    check("the dry run changes nothing", seeded(prefix) == before)

    # The target of c.dll comes back before the repair.
    os.makedirs(prefix.drive_c("HvmFleet"), exist_ok=True)
    open(prefix.drive_c("HvmFleet", "c.dll"), "wb").close()
    code, out, err = prefix.cli("repair", "--from", reviewed, "--json", "--quiet",
                                "--data-dir", DATA)
    repaired = json.loads(out) if out else {}
    review = repaired.get("review", {})
    left = review.get("leftAlone", [])
    check(f"the repair ends with exit code 0 ({code}, {err.strip()[:120]})", code == 0)
    check(f"two entries are repaired ({repaired.get('repaired')}, review {review})",
          repaired.get("repaired") == 2 and review.get("checked") == 3
          and review.get("stillStale") == 2)
    check(f"the entry whose target came back is left alone and reported ({left})",
          len(left) == 1 and "c.dll" in left[0]["line"] and left[0]["result"] == "notStale")
    after = seeded(prefix)
    gone = [l for l in before if l not in after]
    check(f"exactly the checked, still stale entries are gone ({gone})",
          len(gone) >= 2 and all("a.dll" in l or "hvmfleet1.exe" in l for l in gone)
          and any("a.dll" in l for l in gone) and any("hvmfleet1.exe" in l for l in gone))
    check("the unchecked, the deleted and the returned entries stay",
          all(any(n in l for l in after) for n in ("b.dll", "c.dll", "hvmfleet2.exe")))
    check("the repair wrote its undo snapshot", len(snapshots(prefix)) == 1)
    code, out, _ = prefix.cli("repair", "--from", reviewed, "--json", "--quiet",
                              "--data-dir", DATA)
    again = json.loads(out).get("review", {}) if out else {}
    check("the same review again finds nothing left to repair",
          code == 0 and again.get("stillStale") == 0 and len(again.get("leftAlone", [])) == 3)
    code, _, err = prefix.cli("repair", "--from", reviewed, "--sections", "13", "--data-dir", DATA)
    check("--from does not take --sections", code == 2 and "--from" in err)


def main():
    prefix = Prefix()
    try:
        seed = os.path.join(prefix.path, "seed.reg")
        with open(seed, "w", encoding="utf-16") as f:
            f.write(SEED)
        check("regedit imports the seed",
              prefix.quiet(["wine", "regedit", "/s", prefix.windows_path(seed)]) == 0)
        check("the seed is there", len(seeded(prefix)) == 7)
        os.makedirs(prefix.drive_c("hvm-fleet", "data"))
        with open(prefix.drive_c("hvm-fleet", "data", "hvmend.ini"), "w", newline="") as f:
            f.write(SETTINGS)
        policies_hold_at_the_console(prefix)
        reviewed_scans_repair_exactly_their_checked_entries(prefix)
    finally:
        prefix.close()
    if failures:
        print(f"fleet: {len(failures)} check(s) failed")
        return 1
    print("fleet: all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
