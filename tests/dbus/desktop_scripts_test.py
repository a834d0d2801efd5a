#!/usr/bin/env python3
"""The desktop scripts that tell the program the application in front: the
KWin script, loaded by the program into a stand-in KWin on a private bus and
unloaded at its end, and the GNOME Shell extension. Each script is played in
node against stand-ins of the desktop's objects; the calls it makes go to the
real program on the simulated mouse. A missing tool fails; nothing is skipped.

usage: desktop_scripts_test.py ORNYX_MOUSE ORNYXCTL SKINS SOURCE_DIR
"""
import json
import os
import shutil
import signal
import subprocess
import sys
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import session_bus_test as sbt  # noqa: E402  the private bus and its helpers

SOURCE = None
PLUGIN = "ornyx-mouse-autoswitch"


def play(kind, script):
    """The D-Bus calls the script makes in the scenario of play_script.js."""
    r = subprocess.run(["node", os.path.join(SOURCE, "tests", "desktop", "play_script.js"),
                        kind, script], capture_output=True, text=True, timeout=60)
    if r.returncode != 0:
        raise AssertionError("%s script failed: %s" % (kind, r.stderr))
    return [json.loads(line) for line in r.stdout.splitlines() if line.strip()]


def deliver(bus, calls):
    """Makes the script's calls to the program, as the desktop would."""
    for call in calls:
        r = bus.run(["gdbus", "call", "--session", "--dest", call["service"], "--object-path",
                     call["path"], "--method", call["iface"] + "." + call["method"],
                     *call["args"]])
        if r.returncode != 0:
            raise AssertionError("%s: %s" % (call, r.stderr))


class Base(unittest.TestCase):
    def setUp(self):
        missing = [t for t in ("node", "dbus-daemon", "gdbus") if shutil.which(t) is None]
        if missing:
            raise AssertionError("missing %s (scripts/install-deps installs them)"
                                 % ", ".join(missing))
        self.bus = sbt.PrivateBus()
        sbt.make_profiles(self.bus)
        with open(os.path.join(self.bus.home, "app-rules.conf"), "w", encoding="utf-8") as f:
            f.write("org.mozilla.firefox = B\nGameA = A\n")

    def tearDown(self):
        self.bus.close()

    def start_kwin(self, *flags):
        self.kwin_record = os.path.join(self.bus.dir, "kwin.jsonl")
        kwin = self.bus.start([sys.executable, os.path.join(HERE, "kwin_stand_in.py"),
                               self.kwin_record, *flags], stdout=subprocess.PIPE)
        if kwin.stdout.readline().decode().strip() != "ready":
            raise AssertionError("the KWin stand-in did not start")

    def kwin_calls(self):
        if not os.path.exists(self.kwin_record):
            return []
        with open(self.kwin_record, encoding="utf-8") as f:
            return [json.loads(line) for line in f if line.strip()]

    def end_program(self):
        self.bus.program.send_signal(signal.SIGTERM)
        code = self.bus.program.wait(15)
        self.assertEqual(code, 0, self.bus.program.stderr.read().decode(errors="replace")[-3000:])


class KWinScript(Base):
    def test_loaded_at_start_followed_and_unloaded_at_the_end(self):
        self.start_kwin()
        self.bus.start_program()
        sbt.wait_until(lambda: len(self.kwin_calls()) >= 3, 10, "the script to be loaded")
        calls = self.kwin_calls()
        self.assertEqual([c["method"] for c in calls], ["isScriptLoaded", "loadScript", "start"])
        self.assertEqual(calls[1]["args"][1], PLUGIN)
        with open(os.path.join(SOURCE, "resources", "kwin", "autoswitch.js"), "rb") as f:
            shipped = f.read()
        with open(calls[1]["copy"], "rb") as f:
            self.assertEqual(f.read(), shipped)
        # What KWin 5 and 6 would call with that script reaches the program.
        for kind in ("kwin5", "kwin6"):
            sent = play(kind, calls[1]["copy"])
            self.assertEqual([c["args"] for c in sent],
                             [["steam_app_730"], ["GameA"], ["org.mozilla.firefox"]])
        self.assertEqual(self.bus.prop("ActiveProfile"), 's "A"')
        deliver(self.bus, sent)
        sbt.wait_until(lambda: self.bus.prop("ActiveProfile") == 's "B"', 10, "profile B")
        self.end_program()
        self.assertEqual(self.kwin_calls()[-1], {"method": "unloadScript", "args": [PLUGIN]})
        self.assertFalse(os.path.exists(calls[1]["args"][0]), "the script file stays behind")

    def test_a_script_left_by_an_earlier_run_is_replaced(self):
        self.start_kwin("--stale")
        self.bus.start_program()
        sbt.wait_until(lambda: len(self.kwin_calls()) >= 4, 10, "the script to be loaded")
        self.assertEqual([c["method"] for c in self.kwin_calls()],
                         ["isScriptLoaded", "unloadScript", "loadScript", "start"])
        self.end_program()
        self.assertEqual(self.kwin_calls()[-1]["method"], "unloadScript")

    def test_without_kwin_nothing_is_loaded_and_the_program_runs(self):
        self.bus.start_program()
        ok, out = self.bus.call("SetActiveApplication", "org.mozilla.firefox")
        self.assertTrue(ok, out)
        sbt.wait_until(lambda: self.bus.prop("ActiveProfile") == 's "B"', 10, "profile B")
        self.end_program()


class GnomeShellExtension(Base):
    def test_the_extension_tells_the_application_in_front_and_starts_nothing(self):
        folder = os.path.join(SOURCE, "resources", "gnome-shell", "autoswitch@ornyx.org")
        with open(os.path.join(folder, "metadata.json"), encoding="utf-8") as f:
            metadata = json.load(f)
        self.assertEqual(metadata["uuid"], os.path.basename(folder))
        self.assertIn("43", metadata["shell-version"])
        sent = play("gnome", os.path.join(folder, "extension.js"))
        self.assertEqual([c["args"] for c in sent],
                         [["steam_app_730"], ["GameA"], ["org.mozilla.firefox"]])
        # A program that does not run is not started for every change of focus.
        self.assertTrue(all(c["flags"] == 1 for c in sent))
        self.bus.start_program()
        deliver(self.bus, sent)
        sbt.wait_until(lambda: self.bus.prop("ActiveProfile") == 's "B"', 10, "profile B")


if __name__ == "__main__":
    if len(sys.argv) < 5:
        raise SystemExit(__doc__)
    sbt.MOUSE, sbt.CTL, sbt.SKINS, SOURCE = sys.argv[1:5]
    unittest.main(argv=[sys.argv[0]] + sys.argv[5:], verbosity=2)
