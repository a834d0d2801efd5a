#!/usr/bin/env python3
"""The desktop program follows the window in front on X11: a private Xvfb with
openbox keeping _NET_ACTIVE_WINDOW, two real X clients of different classes,
a private session bus, and ornyx-mouse on the simulated mouse with a trace.
A missing tool fails the test; nothing is skipped.

usage: autoswitch_test.py ORNYX_MOUSE ORNYXCTL SKINS
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
sys.path.insert(0, os.path.join(HERE, "..", "dbus"))
import session_bus_test as sbt  # noqa: E402  the private bus and its helpers

TOOLS = ("Xvfb", "openbox", "xterm", "xmessage", "xdotool", "xprop", "dbus-daemon", "gdbus",
         "busctl")
RATE_CODE = {1000: 1, 500: 2, 250: 4, 125: 8}


def applies(bus):
    """The report-rate frames in the trace: one per apply."""
    return [l for l in bus.sends() if l.startswith("set-feature 00 01 ")]


class PrivateDisplay:
    """Xvfb on a free display number, with openbox as its window manager."""

    def __init__(self, bus):
        read, write = os.pipe()
        self.server = bus.start(["Xvfb", "-displayfd", str(write), "-nolisten", "tcp",
                                 "-screen", "0", "1024x768x24"], pass_fds=(write,))
        os.close(write)
        with os.fdopen(read) as f:
            number = f.readline().strip()
        if not number:
            raise AssertionError("Xvfb did not start")
        bus.env["DISPLAY"] = ":" + number
        self.bus = bus
        bus.start(["openbox", "--sm-disable"])
        sbt.wait_until(lambda: "_NET_ACTIVE_WINDOW" in self.root("_NET_SUPPORTED"), 10,
                       "openbox to manage the display")

    def root(self, prop):
        r = self.bus.run(["xprop", "-root", prop])
        return r.stdout if r.returncode == 0 else ""

    def window_of(self, klass):
        def found():
            r = self.bus.run(["xdotool", "search", "--onlyvisible", "--class", klass])
            ids = r.stdout.split()
            return ids[0] if ids else None
        return sbt.wait_until(found, 10, "a window of class " + klass)

    def focus(self, window):
        r = self.bus.run(["xdotool", "windowactivate", "--sync", window])
        if r.returncode != 0:
            raise AssertionError("cannot activate %s: %s" % (window, r.stderr))


class FollowsTheWindowInFront(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        missing = [t for t in TOOLS if shutil.which(t) is None]
        if missing:
            raise AssertionError("missing %s (scripts/install-deps installs them)"
                                 % ", ".join(missing))
        cls.bus = bus = sbt.PrivateBus()
        try:
            cls.rate = {"A": None, "B": sbt.make_profiles(bus)}
            # C: a third report rate.
            doc = json.loads(bus.run_ok([sbt.CTL, "--home", bus.home, "profile", "show", "A"]))
            cls.rate["A"] = doc.get("report_rate_hz")
            doc.pop("name", None)
            doc.pop("report_rate_code", None)
            doc["report_rate_hz"] = next(r for r in (125, 1000, 500, 250)
                                         if r not in cls.rate.values())
            cls.rate["C"] = doc["report_rate_hz"]
            changed = os.path.join(bus.dir, "c.json")
            with open(changed, "w", encoding="utf-8") as f:
                json.dump(doc, f)
            sim = ["--simulate"]
            bus.run_ok([sbt.CTL, "--home", bus.home, *sim, "import", changed])
            bus.run_ok([sbt.CTL, "--home", bus.home, *sim, "profile", "save", "C"])
            bus.run_ok([sbt.CTL, "--home", bus.home, *sim, "profile", "use", "A"])
            with open(os.path.join(bus.home, "app-rules.conf"), "w", encoding="utf-8") as f:
                f.write("default = A\nGameA = B\nXmessage = C\n")
            cls.display = PrivateDisplay(bus)
            bus.start(["xterm", "-class", "GameA", "-e", "sleep", "600"])
            bus.start(["xmessage", "-center", "a message"])
            bus.start(["xterm", "-class", "Third", "-e", "sleep", "600"])
            cls.game = cls.display.window_of("GameA")
            cls.message = cls.display.window_of("Xmessage")
            cls.third = cls.display.window_of("Third")
            cls.display.focus(cls.third)
            bus.env["QT_QPA_PLATFORM"] = "xcb"
            bus.start_program()
            time.sleep(1.0)
        except BaseException:
            bus.close()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.bus.close()

    def wait_for(self, profile):
        sbt.wait_until(lambda: self.bus.prop("ActiveProfile") == 's "%s"' % profile, 10,
                       "profile " + profile)
        time.sleep(0.6)  # anything more would have come by now

    def test_1_each_window_switches_to_its_profile_with_one_apply(self):
        bus = self.bus
        self.assertEqual(bus.prop("ActiveProfile"), 's "A"')  # Third: the default, active
        for window, profile in ((self.game, "B"), (self.message, "C"), (self.third, "A"),
                                (self.game, "B")):
            before = len(applies(bus))
            self.display.focus(window)
            self.wait_for(profile)
            sent = applies(bus)[before:]
            self.assertEqual(len(sent), 1, (profile, sent))
            code = RATE_CODE[self.rate[profile]]
            self.assertTrue(sent[0].startswith("set-feature 00 01 %02x" % code), sent)
        self.assertIsNone(bus.program.poll())

    def test_2_flicking_ends_on_the_last_window_with_far_fewer_applies(self):
        bus = self.bus
        self.display.focus(self.third)
        self.wait_for("A")
        before = len(applies(bus))
        changes = 0
        start = time.monotonic()
        # Up to ten focus changes a second for three seconds, ending on the game.
        while time.monotonic() - start < 3.0 or changes % 2 == 1:
            self.display.focus(self.message if changes % 2 == 0 else self.game)
            changes += 1
            time.sleep(max(0.0, start + changes * 0.1 - time.monotonic()))
        self.wait_for("B")
        count = len(applies(bus)) - before
        print("\nflicker: %d focus changes, %d applies" % (changes, count), file=sys.stderr)
        # xdotool waits for each focus, so a loaded machine makes fewer, and a
        # focus that stayed a quarter of a second between two is a switch.
        self.assertGreaterEqual(changes, 15)
        self.assertLessEqual(count * 5, changes)

    def test_3_a_window_that_vanishes_at_once_leaves_the_program_running(self):
        bus = self.bus
        for _ in range(20):
            p = bus.start(["xmessage", "-center", "gone"])
            time.sleep(0.05)
            p.kill()
            p.wait()
        self.display.focus(self.game)
        time.sleep(0.5)
        self.assertIsNone(bus.program.poll())
        self.wait_for("B")

    def test_4_the_end_of_the_session_ends_it_cleanly(self):
        program = self.bus.program
        program.send_signal(signal.SIGTERM)
        code = program.wait(15)
        self.assertEqual(code, 0, program.stderr.read().decode(errors="replace")[-3000:])


if __name__ == "__main__":
    if len(sys.argv) < 4:
        raise SystemExit(__doc__)
    sbt.MOUSE, sbt.CTL, sbt.SKINS = sys.argv[1:4]
    unittest.main(argv=[sys.argv[0]] + sys.argv[4:], verbosity=2)
