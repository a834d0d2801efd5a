#!/usr/bin/env python3
"""A stand-in for the desktop's notification service on a private session
bus: takes the name org.freedesktop.Notifications and writes each Notify
call, as one JSON line, to the file named on the command line. With a second
file, it also writes there every MouseEvent signal of the program, from
whichever sender (so that none sent right after the program takes its name
is missed). Prints "ready" once the name is held."""
import json
import sys

from gi.repository import Gio, GLib

INTERFACE = """
<node>
  <interface name="org.freedesktop.Notifications">
    <method name="Notify">
      <arg type="s" direction="in"/><arg type="u" direction="in"/>
      <arg type="s" direction="in"/><arg type="s" direction="in"/>
      <arg type="s" direction="in"/><arg type="as" direction="in"/>
      <arg type="a{sv}" direction="in"/><arg type="i" direction="in"/>
      <arg type="u" direction="out"/>
    </method>
    <method name="CloseNotification"><arg type="u" direction="in"/></method>
    <method name="GetCapabilities"><arg type="as" direction="out"/></method>
    <method name="GetServerInformation">
      <arg type="s" direction="out"/><arg type="s" direction="out"/>
      <arg type="s" direction="out"/><arg type="s" direction="out"/>
    </method>
  </interface>
</node>
"""


def main():
    record = open(sys.argv[1], "a", encoding="utf-8")
    signals = open(sys.argv[2], "a", encoding="utf-8") if len(sys.argv) > 2 else None
    loop = GLib.MainLoop()
    next_id = [0]

    def on_call(_conn, _sender, _path, _iface, method, params, invocation):
        if method == "Notify":
            app, replaces, icon, summary, body, _actions, hints, timeout = params.unpack()
            next_id[0] += 1
            record.write(json.dumps({
                "app_name": app, "replaces_id": replaces, "app_icon": icon,
                "summary": summary, "body": body, "hints": {k: str(v) for k, v in hints.items()},
                "timeout": timeout}) + "\n")
            record.flush()
            invocation.return_value(GLib.Variant("(u)", (next_id[0],)))
        elif method == "GetCapabilities":
            invocation.return_value(GLib.Variant("(as)", (["body"],)))
        elif method == "GetServerInformation":
            invocation.return_value(GLib.Variant("(ssss)", ("test", "ornyx", "1", "1.2")))
        else:
            invocation.return_value(None)

    def on_signal(_conn, _sender, _path, _iface, name, params):
        signals.write(json.dumps({"signal": name, "args": list(params.unpack())}) + "\n")
        signals.flush()

    def on_bus(conn, _name):
        info = Gio.DBusNodeInfo.new_for_xml(INTERFACE)
        conn.register_object("/org/freedesktop/Notifications", info.interfaces[0], on_call,
                             None, None)
        if signals is not None:
            conn.signal_subscribe(None, "org.ornyx.OrnyxMouse1", None, "/org/ornyx/OrnyxMouse1",
                                  None, Gio.DBusSignalFlags.NONE, on_signal)

    def on_name(_conn, _name):
        print("ready", flush=True)

    def on_lost(_conn, _name):
        print("cannot own org.freedesktop.Notifications", file=sys.stderr, flush=True)
        loop.quit()

    Gio.bus_own_name(Gio.BusType.SESSION, "org.freedesktop.Notifications",
                     Gio.BusNameOwnerFlags.DO_NOT_QUEUE, on_bus, on_name, on_lost)
    loop.run()
    sys.exit(1)


if __name__ == "__main__":
    main()
