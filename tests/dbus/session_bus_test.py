#!/usr/bin/env python3
"""The desktop program's session bus interface, driven by real clients
(gdbus, busctl, Gio) against the real ornyx-mouse on the simulated mouse.

Every case starts its own session bus (dbus-daemon --session on a socket in
a temporary folder) and gives the programs only that one: the machine's bus
is never reached. A missing tool fails the test; nothing is skipped.

usage: session_bus_test.py ORNYX_MOUSE ORNYXCTL SKINS INTERFACE_XML
"""
import hashlib
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
import xml.etree.ElementTree as ET

MOUSE, CTL, SKINS, INTERFACE_XML = sys.argv[1:5] if len(sys.argv) >= 5 else (None,) * 4
NAME = "org.ornyx.OrnyxMouse1"
PATH = "/org/ornyx/OrnyxMouse1"
IFACE = "org.ornyx.OrnyxMouse1"
HERE = os.path.dirname(os.path.abspath(__file__))
TOOLS = ("dbus-daemon", "gdbus", "busctl", "python3")


def require_tools():
    missing = [t for t in TOOLS if shutil.which(t) is None]
    try:
        import gi  # noqa: F401
        from gi.repository import Gio  # noqa: F401
    except ImportError as e:
        missing.append("python3-gi (%s)" % e)
    if missing:
        raise SystemExit("session_bus_test: missing %s (scripts/install-deps installs them)"
                         % ", ".join(missing))


def wait_until(done, seconds=10.0, what="condition"):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = done()
        if value:
            return value
        time.sleep(0.05)
    raise AssertionError("timed out waiting for " + what)


class PrivateBus:
    """A session bus of our own, the simulated mouse's program home, and the
    programs started on them."""

    def __init__(self, language="EN", simulate="", daemon_args=None, folder=None):
        self.dir = folder or tempfile.mkdtemp(prefix="ornyx-bus-")
        os.chmod(self.dir, 0o700)
        self.address = "unix:path=" + os.path.join(self.dir, "bus")
        self.processes = []
        self.env = {
            "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
            "HOME": self.mkdir("user"),
            "XDG_RUNTIME_DIR": self.mkdir("run"),
            "XDG_CONFIG_HOME": self.mkdir("config"),
            "TMPDIR": self.mkdir("tmp"),
            "DBUS_SESSION_BUS_ADDRESS": self.address,
            "QT_QPA_PLATFORM": "offscreen",
            "GSETTINGS_BACKEND": "memory",
            "LANG": "C.UTF-8",
        }
        daemon = self.start(["dbus-daemon", "--nofork", "--nopidfile", "--print-address"] +
                            (daemon_args or ["--session", "--address=" + self.address]),
                            stdout=subprocess.PIPE)
        line = daemon.stdout.readline().decode()
        if not line.startswith("unix:path="):
            raise AssertionError("dbus-daemon did not start: %r" % line)
        # The program home: defaults, the build's skins, the language.
        self.home = self.mkdir("home")
        self.run_ok([CTL, "--home", self.home, "init"])
        shutil.copytree(SKINS, os.path.join(self.home, "Skins"))
        self.run_ok([CTL, "--home", self.home, "language", language])
        self.trace = os.path.join(self.dir, "trace.txt")
        self.notes = os.path.join(self.dir, "notes.jsonl")
        self.simulate = simulate

    def mkdir(self, name):
        path = os.path.join(self.dir, name)
        os.makedirs(path, mode=0o700, exist_ok=True)
        return path

    def start(self, argv, **kw):
        kw.setdefault("stdout", subprocess.DEVNULL)
        kw.setdefault("stderr", subprocess.PIPE)
        p = subprocess.Popen(argv, env=self.env, **kw)
        self.processes.append(p)
        return p

    def run(self, argv, timeout=30):
        return subprocess.run(argv, env=self.env, capture_output=True, text=True,
                              timeout=timeout)

    def run_ok(self, argv):
        r = self.run(argv)
        if r.returncode != 0:
            raise AssertionError("%s failed (%d): %s%s" % (argv, r.returncode, r.stdout,
                                                          r.stderr))
        return r.stdout

    def start_notification_server(self):
        self.signals = os.path.join(self.dir, "signals.jsonl")
        server = self.start([sys.executable, os.path.join(HERE, "notification_server.py"),
                             self.notes, self.signals], stdout=subprocess.PIPE)
        if server.stdout.readline().decode().strip() != "ready":
            raise AssertionError("the notification server did not start: " +
                                 server.stderr.read().decode())

    def start_monitor(self):
        self.monitor_file = os.path.join(self.dir, "monitor.txt")
        with open(self.monitor_file, "w") as out:
            self.start(["gdbus", "monitor", "--session", "--dest", NAME, "--object-path", PATH],
                       stdout=out, stderr=subprocess.STDOUT)

    def monitor(self):
        with open(self.monitor_file, encoding="utf-8") as f:
            return f.read()

    def start_program(self):
        simulate = "--simulate" + ("=" + self.simulate if self.simulate else "")
        self.program = self.start([MOUSE, simulate, "--trace", self.trace, "--home", self.home,
                                   "--hidden"])
        wait_until(lambda: self.has_owner() or self.program.poll() is not None, 20,
                   "ornyx-mouse on the bus")
        if self.program.poll() is not None:
            raise AssertionError("ornyx-mouse ended: " + self.program.stderr.read().decode())

    def has_owner(self):
        r = self.run(["gdbus", "call", "--session", "--dest", "org.freedesktop.DBus",
                      "--object-path", "/org/freedesktop/DBus", "--method",
                      "org.freedesktop.DBus.NameHasOwner", NAME])
        return r.returncode == 0 and "true" in r.stdout

    def call(self, method, *args, timeout=30):
        """gdbus call: (ok, output)."""
        r = self.run(["gdbus", "call", "--session", "--dest", NAME, "--object-path", PATH,
                      "--method", IFACE + "." + method, *args], timeout=timeout)
        return r.returncode == 0, (r.stdout + r.stderr).strip()

    def busctl(self, *args):
        return self.run(["busctl", "--user", "--address=" + self.address, *args])

    def prop(self, name):
        r = self.busctl("get-property", NAME, PATH, IFACE, name)
        if r.returncode != 0:
            raise AssertionError("get-property %s: %s" % (name, r.stderr))
        return r.stdout.strip()

    def gio(self):
        """A connection of our own to the private bus (never the default one)."""
        from gi.repository import Gio
        return Gio.DBusConnection.new_for_address_sync(
            self.address,
            Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT
            | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION, None, None)

    def json_prop(self, name):
        r = self.busctl("--json=short", "get-property", NAME, PATH, IFACE, name)
        if r.returncode != 0:
            raise AssertionError("get-property %s: %s" % (name, r.stderr))
        return json.loads(r.stdout)["data"]

    def sends(self):
        if not os.path.exists(self.trace):
            return []
        with open(self.trace, encoding="utf-8") as f:
            return [l.strip() for l in f if l.startswith("set-feature ")]

    def notes_seen(self):
        if not os.path.exists(self.notes):
            return []
        with open(self.notes, encoding="utf-8") as f:
            return [json.loads(l) for l in f if l.strip()]

    def signals_seen(self):
        if not os.path.exists(self.signals):
            return []
        with open(self.signals, encoding="utf-8") as f:
            return [json.loads(l) for l in f if l.strip()]

    def home_digest(self):
        """Every file of the home but the lock and the trace, with its bytes."""
        digest = {}
        for root, _dirs, files in os.walk(self.home):
            for name in files:
                if name.startswith(".ornyx-mouse."):
                    continue
                path = os.path.join(root, name)
                with open(path, "rb") as f:
                    digest[os.path.relpath(path, self.home)] = hashlib.sha256(f.read()).hexdigest()
        return digest

    def stop_activated(self):
        """Ends the program the bus started (it is not our child)."""
        r = self.run(["gdbus", "call", "--session", "--dest", "org.freedesktop.DBus",
                      "--object-path", "/org/freedesktop/DBus", "--method",
                      "org.freedesktop.DBus.GetConnectionUnixProcessID", NAME])
        m = re.match(r"\(uint32 (\d+),\)", r.stdout.strip())
        if m:
            pid = int(m.group(1))
            os.kill(pid, signal.SIGTERM)

            def ended():
                try:
                    with open("/proc/%d/stat" % pid) as f:
                        return f.read().split()[2] == "Z"
                except FileNotFoundError:
                    return True

            wait_until(ended, 10, "the activated program to end")

    def close(self):
        for p in reversed(self.processes):
            if p.poll() is None:
                p.send_signal(signal.SIGTERM)
                try:
                    p.wait(10)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait()
            for pipe in (p.stdout, p.stderr):
                if pipe is not None:
                    pipe.close()
        shutil.rmtree(self.dir, ignore_errors=True)


def make_profiles(bus):
    """Profiles A and B on the simulated mouse through ornyxctl: B has another
    report rate. A is active."""
    sim = ["--simulate"]
    bus.run_ok([CTL, "--home", bus.home, *sim, "profile", "save", "A"])
    doc = json.loads(bus.run_ok([CTL, "--home", bus.home, "profile", "show", "A"]))
    doc.pop("name", None)
    doc.pop("report_rate_code", None)
    doc["report_rate_hz"] = 250 if doc.get("report_rate_hz") != 250 else 500
    changed = os.path.join(bus.dir, "b.json")
    with open(changed, "w", encoding="utf-8") as f:
        json.dump(doc, f)
    bus.run_ok([CTL, "--home", bus.home, *sim, "import", changed])
    bus.run_ok([CTL, "--home", bus.home, *sim, "profile", "save", "B"])
    bus.run_ok([CTL, "--home", bus.home, *sim, "profile", "use", "A"])
    return doc["report_rate_hz"]


def members(nodes):
    """An interface element's members as comparable tuples."""
    out = set()
    for m in nodes:
        # A signal's arguments go out, whether the file says so or not.
        args = tuple((a.get("type"), a.get("direction", "in" if m.tag == "method" else "out"))
                     for a in m.findall("arg"))
        out.add((m.tag, m.get("name"), m.get("type"), m.get("access"), args))
    return out


class SwitchOverThePrivateBus(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.bus = PrivateBus()
        cls.rate_b = make_profiles(cls.bus)
        cls.bus.start_notification_server()
        cls.bus.start_program()
        cls.bus.start_monitor()
        time.sleep(0.5)  # the monitor has subscribed

    @classmethod
    def tearDownClass(cls):
        cls.bus.close()

    def test_1_introspection_matches_the_installed_interface_file(self):
        r = self.bus.run(["gdbus", "introspect", "--session", "--dest", NAME,
                          "--object-path", PATH, "--xml"])
        self.assertEqual(r.returncode, 0, r.stderr)
        served = [i for i in ET.fromstring(r.stdout).findall("interface")
                  if i.get("name") == IFACE]
        self.assertEqual(len(served), 1)
        installed = ET.parse(INTERFACE_XML).getroot().find("interface")
        self.assertEqual(installed.get("name"), IFACE)
        self.assertEqual(members(served[0]), members(installed))

    def test_2_use_profile_switches_applies_signals_and_notifies_once(self):
        bus = self.bus
        self.assertEqual(bus.prop("ActiveProfile"), 's "A"')
        self.assertEqual(bus.prop("Connected"), "b true")
        self.assertEqual(bus.prop("Profiles"), 'as 2 "A" "B"')
        before = len(bus.sends())
        notes = len(bus.notes_seen())
        ok, out = bus.call("UseProfile", "B")
        self.assertTrue(ok, out)
        self.assertEqual(out, "()")
        self.assertEqual(bus.prop("ActiveProfile"), 's "B"')
        self.assertEqual(bus.prop("Modified"), "b false")
        # The apply: B's report rate among the frames sent after the call.
        code = {1000: 1, 500: 2, 250: 4, 125: 8}[self.rate_b]
        sent = bus.sends()[before:]
        self.assertTrue(any(l.startswith("set-feature 00 01 %02x" % code) for l in sent), sent)
        wait_until(lambda: "ProfileSwitched" in bus.monitor(), what="ProfileSwitched")
        wait_until(lambda: len(bus.notes_seen()) > notes, what="a Notify call")
        time.sleep(0.5)  # anything more would come by now
        monitor = bus.monitor()
        self.assertEqual(len(re.findall(r"ProfileSwitched \('B',\)", monitor)), 1, monitor)
        self.assertIn("'ActiveProfile': <'B'>", monitor)
        new = bus.notes_seen()[notes:]
        self.assertEqual(len(new), 1, new)
        self.assertEqual(new[0]["app_name"], "Ornyx Mouse")
        self.assertEqual(new[0]["app_icon"], "org.ornyx.OrnyxMouse")
        self.assertEqual(new[0]["summary"], "Profile")
        self.assertEqual(new[0]["body"], 'Switched to profile "B"')

        # The same again sends nothing and says nothing.
        before = len(bus.sends())
        ok, out = bus.call("UseProfile", "B")
        self.assertTrue(ok, out)
        time.sleep(0.3)
        self.assertEqual(len(bus.sends()), before)
        self.assertEqual(len(bus.notes_seen()), notes + 1)

        # busctl drives it as well.
        r = bus.busctl("call", NAME, PATH, IFACE, "UseProfile", "s", "A")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(bus.prop("ActiveProfile"), 's "A"')

    def test_3_errors_are_named_and_touch_nothing(self):
        bus = self.bus
        before = bus.home_digest()
        sends = len(bus.sends())
        cases = [
            (("UseProfile", "no such"), "Error.NoSuchProfile"),
            (("UseProfile", "../A"), "Error.NoSuchProfile"),
            (("UseProfile", "/etc/passwd"), "Error.NoSuchProfile"),
            (("UseProfile", ""), "Error.InvalidName"),
            (("UseProfile", " A"), "Error.InvalidName"),
            (("UseProfile", "a\nb"), "Error.InvalidName"),
            (("UseProfile", "x" * 65), "Error.InvalidName"),
            (("UseProfile", "x" * 100000), "Error.InvalidName"),
            (("SaveProfile", "\t"), "Error.InvalidName"),
            (("SaveProfile", "B"), "Error.Exists"),  # not the active one
        ]
        for (method, arg), error in cases:
            ok, out = bus.call(method, arg)
            self.assertFalse(ok, (method, arg[:20]))
            self.assertIn(IFACE + "." + error, out, (method, arg[:20]))
        # Wrong types and counts are refused, by name.
        from gi.repository import Gio, GLib
        conn = bus.gio()
        for method, args in (("UseProfile", GLib.Variant("(i)", (5,))),
                             ("UseProfile", GLib.Variant("(ss)", ("A", "B"))),
                             ("UseProfile", None), ("Apply", GLib.Variant("(s)", ("A",))),
                             ("UseProfile", GLib.Variant("(as)", (["A"],)))):
            with self.assertRaises(GLib.Error) as caught:
                conn.call_sync(NAME, PATH, IFACE, method, args, None, Gio.DBusCallFlags.NONE,
                               10000, None)
            self.assertEqual(Gio.DBusError.get_remote_error(caught.exception),
                             "org.freedesktop.DBus.Error.UnknownMethod", method)
        for args in (["UseProfile", "u", "5"], ["UseProfile", "ss", "A", "B"], ["Apply", "s", "A"]):
            r = bus.busctl("call", NAME, PATH, IFACE, *args)
            self.assertNotEqual(r.returncode, 0, args)
            self.assertIn("No such method", r.stderr, args)
        r = bus.busctl("set-property", NAME, PATH, IFACE, "ActiveProfile", "s", "B")
        self.assertNotEqual(r.returncode, 0)
        self.assertEqual(bus.home_digest(), before)
        self.assertEqual(len(bus.sends()), sends)
        self.assertEqual(bus.prop("ActiveProfile"), 's "A"')

    def test_4_save_apply_and_show_window(self):
        bus = self.bus
        ok, out = bus.call("SaveProfile", "Büro")
        self.assertTrue(ok, out)
        self.assertEqual(bus.json_prop("ActiveProfile"), "Büro")
        self.assertEqual(bus.json_prop("Profiles"), ["A", "B", "Büro"])
        self.assertIn("'Profiles': <['A', 'B', 'Büro']>", bus.monitor())
        ok, out = bus.call("SaveProfile", "BÜRO")  # the active one, in other case
        self.assertTrue(ok, out)
        before = len(bus.sends())
        ok, out = bus.call("Apply")
        self.assertTrue(ok, out)
        self.assertGreater(len(bus.sends()), before)
        ok, out = bus.call("ShowWindow")
        self.assertTrue(ok, out)
        # A name that looks like a path is a plain file inside profiles/.
        outside = sorted(os.listdir(bus.dir))
        ok, out = bus.call("SaveProfile", "../../etc")
        self.assertTrue(ok, out)
        self.assertEqual(sorted(os.listdir(bus.dir)), outside)
        self.assertIn("../../etc", bus.json_prop("Profiles"))
        self.assertIn("profiles/%2E%2E%2F%2E%2E%2Fetc.json", bus.home_digest())

    def test_5_a_flood_of_calls_leaves_it_answering_and_the_files_intact(self):
        from gi.repository import Gio, GLib
        bus = self.bus
        ok, _ = bus.call("UseProfile", "A")
        self.assertTrue(ok)
        before = bus.home_digest()
        conn = bus.gio()
        loop = GLib.MainLoop()
        replies = {"ok": 0, "error": 0}
        calls = [("UseProfile", GLib.Variant("(s)", ("A",))),
                 ("UseProfile", GLib.Variant("(s)", ("nope",))),
                 ("UseProfile", GLib.Variant("(s)", ("y" * 200000,))),
                 ("UseProfile", GLib.Variant("(i)", (7,))),
                 ("SaveProfile", GLib.Variant("(s)", ("B",))),  # another one's name
                 ("ShowWindow", None)]
        total = 1500

        def done(c, result, _data):
            try:
                c.call_finish(result)
                replies["ok"] += 1
            except GLib.Error:
                replies["error"] += 1
            if replies["ok"] + replies["error"] == total:
                loop.quit()

        start = time.monotonic()
        for i in range(total):
            method, args = calls[i % len(calls)]
            conn.call(NAME, PATH, IFACE, method, args, None, Gio.DBusCallFlags.NONE, 60000,
                      None, done, None)
        GLib.timeout_add_seconds(90, loop.quit)
        loop.run()
        self.assertEqual(replies["ok"] + replies["error"], total, replies)
        self.assertLess(time.monotonic() - start, 90)
        # Still answering at once.
        t = time.monotonic()
        self.assertEqual(bus.prop("ActiveProfile"), 's "A"')
        self.assertLess(time.monotonic() - t, 2.0)
        self.assertEqual(bus.home_digest(), before)
        self.assertIsNone(bus.program.poll())


    def test_6_a_profile_saved_by_ornyxctl_beside_it_is_announced(self):
        bus = self.bus
        bus.run_ok([CTL, "--home", bus.home, "profile", "save", "From the shell"])
        wait_until(lambda: "'ActiveProfile': <'From the shell'>" in bus.monitor(), 10,
                   "PropertiesChanged for the profile saved beside the program")
        self.assertIn("From the shell", bus.json_prop("Profiles"))

    def test_7_the_application_in_front_switches_and_a_flood_is_one_switch(self):
        from gi.repository import Gio, GLib
        bus = self.bus
        with open(os.path.join(bus.home, "app-rules.conf"), "w", encoding="utf-8") as f:
            f.write("steam_app_730 = B\nfirefox = A\n")
        time.sleep(0.5)  # the program sees the file change
        applies = lambda: [l for l in bus.sends() if l.startswith("set-feature 00 01 ")]
        before = len(applies())
        r = bus.run(["gdbus", "call", "--session", "--dest", NAME, "--object-path", PATH,
                     "--method", IFACE + ".SetActiveApplication", "steam_app_730"])
        self.assertEqual(r.returncode, 0, r.stderr)
        wait_until(lambda: bus.prop("ActiveProfile") == 's "B"', 10, "profile B")
        time.sleep(0.5)
        self.assertEqual(len(applies()) - before, 1)

        # Text that cannot name an application: refused by name, nothing touched.
        digest = bus.home_digest()
        conn = bus.gio()
        # Through Gio: gdbus would read its arguments as GVariant text and take
        # the quotes off.
        for bad in ('"quoted"', "it's", "a\nb", "tab\there", "x" * 10000, "", "=",
                    "default"):
            with self.assertRaises(GLib.Error, msg=bad[:20]) as caught:
                conn.call_sync(NAME, PATH, IFACE, "SetActiveApplication",
                               GLib.Variant("(s)", (bad,)), None, Gio.DBusCallFlags.NONE,
                               10000, None)
            self.assertEqual(Gio.DBusError.get_remote_error(caught.exception),
                             IFACE + ".Error.InvalidApplication", bad[:20])
        time.sleep(0.5)
        self.assertEqual(bus.home_digest(), digest)

        # A thousand calls flicking between two bound applications, ending on
        # firefox: every call answered, one switch or so, the right profile.
        loop = GLib.MainLoop()
        replies = {"ok": 0, "error": 0}
        total = 1000

        def done(c, result, _data):
            try:
                c.call_finish(result)
                replies["ok"] += 1
            except GLib.Error:
                replies["error"] += 1
            if replies["ok"] + replies["error"] == total:
                loop.quit()

        before = len(applies())
        for i in range(total):
            app = "firefox" if i % 2 else "steam_app_730"
            conn.call(NAME, PATH, IFACE, "SetActiveApplication", GLib.Variant("(s)", (app,)),
                      None, Gio.DBusCallFlags.NONE, 60000, None, done, None)
        GLib.timeout_add_seconds(60, loop.quit)
        loop.run()
        self.assertEqual(replies, {"ok": total, "error": 0})
        wait_until(lambda: bus.prop("ActiveProfile") == 's "A"', 10, "profile A")
        time.sleep(1.0)
        count = len(applies()) - before
        print("\nbus flood: %d calls, %d applies" % (total, count), file=sys.stderr)
        self.assertLessEqual(count, 2)
        self.assertIsNone(bus.program.poll())


def transfers(path):
    """The lines of a trace that went to or came from a mouse."""
    if not os.path.exists(path):
        return []
    with open(path, encoding="utf-8") as f:
        return [l for l in f if l.startswith(("set-feature", "get-feature"))]


class OrnyxctlThroughTheRunningProgram(unittest.TestCase):
    """ornyxctl profile use and save go through the program while it serves the
    same home: the program drives the mouse, ornyxctl sends nothing."""

    @classmethod
    def setUpClass(cls):
        cls.bus = PrivateBus()
        cls.rate_b = make_profiles(cls.bus)
        cls.bus.start_notification_server()
        cls.bus.start_program()
        cls.bus.start_monitor()
        time.sleep(0.5)  # the monitor has subscribed

    @classmethod
    def tearDownClass(cls):
        cls.bus.close()

    def ctl(self, *args, env=None, home=None):
        """ornyxctl on the simulated mouse with a trace of its own: (result, its transfers)."""
        trace = os.path.join(self.bus.dir, "ctl-trace.txt")
        if os.path.exists(trace):
            os.remove(trace)
        argv = [CTL, "--home", home or self.bus.home, "--simulate", "--trace", trace, *args]
        r = subprocess.run(argv, env=env or self.bus.env, capture_output=True, text=True,
                           timeout=60)
        return r, transfers(trace)

    def test_1_the_home_is_served_as_its_canonical_path(self):
        self.assertEqual(self.bus.json_prop("Home"), os.path.realpath(self.bus.home))

    def test_2_use_switches_the_program_which_applies(self):
        bus = self.bus
        self.assertEqual(bus.prop("ActiveProfile"), 's "A"')
        before = len(bus.sends())
        r, sent_by_ctl = self.ctl("profile", "use", "B")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout, 'switched to profile "B" through the running desktop program\n')
        self.assertEqual(sent_by_ctl, [])
        self.assertEqual(bus.prop("ActiveProfile"), 's "B"')
        code = {1000: 1, 500: 2, 250: 4, 125: 8}[self.rate_b]
        sent = bus.sends()[before:]
        self.assertTrue(any(l.startswith("set-feature 00 01 %02x" % code) for l in sent), sent)
        wait_until(lambda: "ProfileSwitched ('B',)" in bus.monitor(), what="ProfileSwitched")

        # Another spelling of the same home, and the socket found in the runtime
        # folder when the environment names no bus: still through the program.
        link = os.path.join(bus.dir, "home-link")
        os.symlink(bus.home, link)
        os.symlink(bus.address[len("unix:path="):], os.path.join(bus.env["XDG_RUNTIME_DIR"], "bus"))
        env = dict(bus.env)
        del env["DBUS_SESSION_BUS_ADDRESS"]
        r, sent_by_ctl = self.ctl("profile", "use", "a", env=env, home=link + "/.")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout, 'switched to profile "A" through the running desktop program\n')
        self.assertEqual(sent_by_ctl, [])
        wait_until(lambda: "ProfileSwitched ('A',)" in bus.monitor(), what="ProfileSwitched A")

        # Its refusals in the words of the direct path; nothing changes.
        digest = bus.home_digest()
        r, _ = self.ctl("profile", "use", "no such")
        self.assertEqual(r.returncode, 1)
        self.assertEqual(r.stderr, 'ornyxctl: there is no profile "no such" (nothing was changed)\n')
        self.assertEqual(bus.home_digest(), digest)

    def test_3_save_through_the_program_and_what_force_replaces(self):
        bus = self.bus
        r, sent_by_ctl = self.ctl("profile", "save", "C")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout, 'saved profile "C" through the running desktop program\n')
        self.assertEqual(sent_by_ctl, [])
        self.assertEqual(bus.json_prop("ActiveProfile"), "C")
        self.assertIn("C", bus.json_prop("Profiles"))
        wait_until(lambda: "'ActiveProfile': <'C'>" in bus.monitor(), what="ActiveProfile C")
        digest = bus.home_digest()
        # As on the direct path, only --force replaces, even the active one.
        r, _ = self.ctl("profile", "save", "c")
        self.assertEqual(r.returncode, 1)
        self.assertIn('a profile "c" exists already', r.stderr)
        self.assertIn("--force replaces it", r.stderr)
        self.assertEqual(bus.home_digest(), digest)
        r, _ = self.ctl("profile", "save", "c", "--force")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(bus.json_prop("ActiveProfile"), "c")  # as typed, as directly
        # The program replaces only its active profile: another is kept.
        r, _ = self.ctl("profile", "save", "A", "--force")
        self.assertEqual(r.returncode, 1)
        self.assertIn("replaces only the active profile", r.stderr)
        self.assertEqual(bus.json_prop("ActiveProfile"), "c")
        listed = json.loads(bus.run_ok([CTL, "--home", bus.home, "profile", "list", "--json"]))
        a_file = "profiles/" + next(p["file"] for p in listed["profiles"] if p["name"] == "A")
        self.assertEqual(bus.home_digest()[a_file], digest[a_file])

    def test_4_a_program_on_another_home_is_not_used(self):
        bus = self.bus
        other = bus.mkdir("other-home")
        bus.run_ok([CTL, "--home", other, "init"])
        bus.run_ok([CTL, "--home", other, "--simulate", "profile", "save", "X"])
        before = len(bus.sends())
        digest = bus.home_digest()
        active = bus.prop("ActiveProfile")
        r, sent_by_ctl = self.ctl("profile", "use", "X", home=other)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout, 'switched to profile "X" and applied it\n')
        self.assertNotEqual(sent_by_ctl, [])
        r, _ = self.ctl("profile", "save", "Y", home=other)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout, 'saved profile "Y"\n')
        self.assertEqual(len(bus.sends()), before)
        self.assertEqual(bus.home_digest(), digest)
        self.assertEqual(bus.prop("ActiveProfile"), active)

    def test_5_without_a_session_bus_ornyxctl_works_directly(self):
        bus = self.bus
        env = dict(bus.env)
        del env["DBUS_SESSION_BUS_ADDRESS"]
        env["XDG_RUNTIME_DIR"] = bus.mkdir("run-without-bus")
        before = len(bus.sends())
        start = time.monotonic()
        r, sent_by_ctl = self.ctl("profile", "use", "B", env=env)
        self.assertLess(time.monotonic() - start, 10)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout, 'switched to profile "B" and applied it\n')
        self.assertNotEqual(sent_by_ctl, [])
        self.assertEqual(len(bus.sends()), before)


class OrnyxctlAndAProgramInTrouble(unittest.TestCase):
    """The program's rarer answers, from a stand-in serving this home: each
    becomes the direct path's exit code and a clear message, and a program
    that does not answer costs a few seconds, never a hang."""

    def start(self, *extra):
        self.bus = PrivateBus()
        self.addCleanup(self.bus.close)
        self.calls = os.path.join(self.bus.dir, "calls.txt")
        server = self.bus.start([sys.executable, os.path.join(HERE, "stand_in_program.py"),
                                 INTERFACE_XML, self.calls, os.path.realpath(self.bus.home),
                                 *extra], stdout=subprocess.PIPE)
        if server.stdout.readline().decode().strip() != "ready":
            raise AssertionError("the stand-in did not start: " + server.stderr.read().decode())

    def ctl(self, *args):
        trace = os.path.join(self.bus.dir, "ctl-trace.txt")
        start = time.monotonic()
        r = self.bus.run([CTL, "--home", self.bus.home, "--simulate", "--trace", trace, *args],
                         timeout=60)
        return r, time.monotonic() - start, transfers(trace)

    def test_answers_map_to_exit_codes_and_messages(self):
        self.start()
        r, _, sent = self.ctl("profile", "use", "Mine")
        self.assertEqual(r.returncode, 0, r.stderr)
        # The name as the program shows it.
        self.assertEqual(r.stdout, 'switched to profile "Chosen" through the running desktop '
                                   'program\n')
        self.assertEqual(sent, [])
        r, _, sent = self.ctl("profile", "use", "busy")
        self.assertEqual(r.returncode, 1)
        self.assertEqual(r.stderr, "ornyxctl: the desktop program is busy: the window holds "
                                   "changes that are not applied; apply or cancel them first "
                                   "(nothing was changed)\n")
        r, _, sent = self.ctl("profile", "use", "gone")
        self.assertEqual(r.returncode, 3, r.stderr)
        self.assertIn('switched the files to profile "gone"', r.stderr)
        self.assertEqual(sent, [])
        r, _, _ = self.ctl("profile", "use", "odd")
        self.assertEqual(r.returncode, 1)
        self.assertEqual(r.stderr, 'ornyxctl: the desktop program could not switch to "odd": '
                                   'the disk is full\n')
        r, _, _ = self.ctl("profile", "save", "A", "--force")
        self.assertEqual(r.returncode, 1)
        self.assertIn("replaces only the active profile", r.stderr)
        r, _, _ = self.ctl("profile", "save", "busy")
        self.assertEqual(r.returncode, 1)
        self.assertIn("the desktop program is busy: ", r.stderr)
        self.assertIn("(no profile was saved)", r.stderr)
        with open(self.calls, encoding="utf-8") as f:
            called = [l.split()[0] for l in f if not l.startswith("Get")]
        self.assertEqual(called, ["UseProfile"] * 4 + ["SaveProfile"] * 2)

    def test_a_switch_without_reply_is_an_error_and_ornyxctl_does_not_go_round_it(self):
        self.start()
        before = self.bus.home_digest()
        r, took, sent = self.ctl("profile", "use", "hang")
        self.assertEqual(r.returncode, 1, r.stdout)
        self.assertIn("the desktop program did not answer within 10 seconds", r.stderr)
        self.assertGreater(took, 9)
        self.assertLess(took, 20)
        self.assertEqual(sent, [])
        self.assertEqual(self.bus.home_digest(), before)

    def test_a_program_that_does_not_say_its_home_is_an_error_too(self):
        self.start("--hang-home")
        r, took, sent = self.ctl("profile", "use", "B")
        self.assertEqual(r.returncode, 1, r.stdout)
        self.assertIn("the desktop program does not answer on the session bus", r.stderr)
        self.assertLess(took, 10)
        self.assertEqual(sent, [])


class MouseNotificationsInTheProgramsLanguage(unittest.TestCase):
    """The mouse's own notifications: a MouseEvent signal each, and a Notify
    call in the program's language (Turkish here)."""

    def test_mouse_events_become_signals_and_turkish_notes(self):
        bus = PrivateBus(language="TUR", simulate="events=5.2+8.1+7.3")
        try:
            make_profiles(bus)
            bus.start_notification_server()
            bus.start_program()
            wait_until(lambda: len(bus.signals_seen()) >= 3, 20, "three MouseEvent signals")
            wait_until(lambda: len(bus.notes_seen()) >= 3, 20, "three Notify calls")
            time.sleep(0.3)
            events = bus.signals_seen()
            notes = bus.notes_seen()
            self.assertEqual([e["signal"] for e in events], ["MouseEvent"] * 3)
            self.assertEqual([e["args"][:2] for e in events],
                             [["report-rate", 2], ["mode", 1], ["dpi-level", 3]])
            self.assertEqual(len(notes), 3, notes)
            for event, note in zip(events, notes):
                self.assertEqual(note["app_name"], "Ornyx Mouse")
                self.assertEqual(note["app_icon"], "org.ornyx.OrnyxMouse")
                self.assertEqual(note["summary"], "Info")
                # The signal carries the text the note shows, in the program's language.
                self.assertEqual(note["body"], event["args"][2])
            self.assertEqual(notes[0]["body"], "Yenilenme hızını 500HZ yap")
            self.assertEqual(notes[1]["body"], "1. Tuş matrisine geç")

            ok, out = bus.call("UseProfile", "B")
            self.assertTrue(ok, out)
            wait_until(lambda: len(bus.notes_seen()) > 3, what="the switch's Notify call")
            time.sleep(0.3)
            self.assertEqual(len(bus.notes_seen()), 4)
            note = bus.notes_seen()[-1]
            self.assertEqual(note["summary"], "Profil")
            self.assertEqual(note["body"], '"B" profiline geçildi')
            self.assertEqual(note["app_name"], "Ornyx Mouse")
        finally:
            bus.close()


class WithoutTheMouse(unittest.TestCase):
    """The mouse pulled out in the middle of a switch: the caller hears
    NoMouse, and the files hold the new profile for the next apply."""

    def test_unplugged_during_a_switch(self):
        # The start's handshake takes 2 frames; the switch's apply more than 20.
        bus = PrivateBus(simulate="vanish=20")
        try:
            make_profiles(bus)
            bus.start_notification_server()
            bus.start_program()
            self.assertEqual(bus.prop("Connected"), "b true")
            ok, out = bus.call("UseProfile", "B")
            self.assertFalse(ok)
            self.assertIn(IFACE + ".Error.NoMouse", out)
            self.assertIn("the files hold profile", out)
            self.assertEqual(bus.prop("ActiveProfile"), 's "B"')
            wait_until(lambda: bus.prop("Connected") == "b false", what="Connected false")
            # (ShowWindow still shows it: offscreen there is no tray, and without a
            # tray the window is always reachable.)
            for method, args in (("UseProfile", ["A"]), ("Apply", [])):
                ok, out = bus.call(method, *args)
                self.assertFalse(ok, method)
                self.assertIn(IFACE + ".Error.NoMouse", out, method)
            # Without a mouse the files still switch, as the error says.
            self.assertEqual(bus.prop("ActiveProfile"), 's "A"')
            self.assertIsNone(bus.program.poll())
        finally:
            bus.close()


class ActivationStartsTheProgram(unittest.TestCase):
    """A call while the program does not run starts it through the bus's
    activation, in the tray (--hidden), and the call is answered."""

    def test_a_call_starts_the_program(self):
        bus = PrivateBus.__new__(PrivateBus)
        services = None
        try:
            bus_dir = tempfile.mkdtemp(prefix="ornyx-bus-")
            services = os.path.join(bus_dir, "services")
            os.makedirs(services)
            config = os.path.join(bus_dir, "session.conf")
            with open(config, "w") as f:
                f.write("""<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=%s/bus</listen>
  <servicedir>%s</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
""" % (bus_dir, services))
            PrivateBus.__init__(bus, daemon_args=["--config-file=" + config], folder=bus_dir)
            make_profiles(bus)
            # The installed file, with the simulated mouse and this test's home.
            with open(os.path.join(services, NAME + ".service"), "w") as f:
                f.write("[D-BUS Service]\nName=%s\nExec=%s --hidden --simulate --home %s "
                        "--trace %s\n" % (NAME, MOUSE, bus.home, bus.trace))
            self.assertFalse(bus.has_owner())
            # ornyxctl asks whether it runs; it never has the bus start it.
            r = bus.run([CTL, "--home", bus.home, "--simulate", "profile", "use", "A"])
            self.assertEqual(r.returncode, 0, r.stderr)
            self.assertNotIn("desktop program", r.stdout)
            time.sleep(0.5)
            self.assertFalse(bus.has_owner())
            ok, out = bus.call("UseProfile", "B", timeout=60)
            self.assertTrue(ok, out)
            self.assertTrue(bus.has_owner())
            self.assertEqual(bus.prop("ActiveProfile"), 's "B"')
            self.assertTrue(any(l.startswith("set-feature 00 01") for l in bus.sends()))
        finally:
            if services is not None:
                bus.stop_activated()
            bus.close()


if __name__ == "__main__":
    require_tools()
    if not all((MOUSE, CTL, SKINS, INTERFACE_XML)):
        raise SystemExit(__doc__)
    unittest.main(argv=[sys.argv[0]] + sys.argv[5:], verbosity=2)
