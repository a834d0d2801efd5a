#!/usr/bin/env python3
"""A stand-in for KWin's scripting interface on a private session bus: takes
org.kde.KWin, serves /Scripting (org.kde.kwin.Scripting) and writes each call
as one JSON line to the file named first; loadScript also keeps a copy of the
script it was given there and then (the program may remove its file later).
With --stale, a script of that name is loaded already, as after a crash.
Prints "ready" once the name is held."""
import json
import shutil
import sys

from gi.repository import Gio, GLib

INTERFACE = """
<node>
  <interface name="org.kde.kwin.Scripting">
    <method name="loadScript">
      <arg name="filePath" type="s" direction="in"/>
      <arg name="pluginName" type="s" direction="in"/>
      <arg type="i" direction="out"/>
    </method>
    <method name="start"/>
    <method name="unloadScript">
      <arg name="pluginName" type="s" direction="in"/>
      <arg type="b" direction="out"/>
    </method>
    <method name="isScriptLoaded">
      <arg name="pluginName" type="s" direction="in"/>
      <arg type="b" direction="out"/>
    </method>
  </interface>
</node>
"""


def main():
    record_path = sys.argv[1]
    record = open(record_path, "a", encoding="utf-8")
    loaded = {"ornyx-mouse-autoswitch"} if "--stale" in sys.argv else set()
    loop = GLib.MainLoop()

    def on_call(_conn, _sender, _path, _iface, method, params, invocation):
        args = list(params.unpack())
        entry = {"method": method, "args": args}
        if method == "loadScript":
            copy = record_path + ".script"
            shutil.copyfile(args[0], copy)
            entry["copy"] = copy
            loaded.add(args[1])
            invocation.return_value(GLib.Variant("(i)", (len(loaded),)))
        elif method == "unloadScript":
            invocation.return_value(GLib.Variant("(b)", (args[0] in loaded,)))
            loaded.discard(args[0])
        elif method == "isScriptLoaded":
            invocation.return_value(GLib.Variant("(b)", (args[0] in loaded,)))
        else:
            invocation.return_value(None)
        record.write(json.dumps(entry) + "\n")
        record.flush()

    def on_bus(conn, _name):
        info = Gio.DBusNodeInfo.new_for_xml(INTERFACE)
        conn.register_object("/Scripting", info.interfaces[0], on_call, None, None)

    def on_name(_conn, _name):
        print("ready", flush=True)

    Gio.bus_own_name(Gio.BusType.SESSION, "org.kde.KWin", Gio.BusNameOwnerFlags.NONE,
                     on_bus, on_name, lambda *_: loop.quit())
    loop.run()


if __name__ == "__main__":
    main()
