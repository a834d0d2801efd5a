#!/usr/bin/env python3
"""A stand-in for the desktop program on a private session bus, for the
answers the real one gives only in rare moments: it takes the name
org.ornyx.OrnyxMouse1, serves the interface file named on the command line
with the given Home, and answers UseProfile and SaveProfile by the name
asked for: "busy", "gone" (no mouse), "odd" (a failure), "A" for SaveProfile
(another profile's name), "hang" (no reply at all); any other name succeeds.
With --hang-home, reading a property is never answered either. Each call is
written, one line each, to the file named second. Prints "ready" once the
name is held.

usage: stand_in_program.py INTERFACE_XML CALLS_FILE HOME [--hang-home]"""
import sys

from gi.repository import Gio, GLib

NAME = "org.ornyx.OrnyxMouse1"
ERROR = NAME + ".Error."


def main():
    xml_file, calls_file, home = sys.argv[1:4]
    hang_home = "--hang-home" in sys.argv[4:]
    with open(xml_file, encoding="utf-8") as f:
        info = Gio.DBusNodeInfo.new_for_xml(f.read())
    calls = open(calls_file, "a", encoding="utf-8")
    loop = GLib.MainLoop()
    kept = []  # invocations never answered stay alive, so that no error goes out

    def on_call(_conn, _sender, _path, iface, method, params, invocation):
        args = params.unpack()
        calls.write("%s %s\n" % (method, args[-1] if args else ""))
        calls.flush()
        if iface == "org.freedesktop.DBus.Properties":
            if hang_home:
                kept.append(invocation)
            elif method == "Get" and args[1] == "Home":
                invocation.return_value(GLib.Variant("(v)", (GLib.Variant("s", home),)))
            elif method == "Get" and args[1] == "ActiveProfile":
                invocation.return_value(GLib.Variant("(v)", (GLib.Variant("s", "Chosen"),)))
            else:
                invocation.return_dbus_error("org.freedesktop.DBus.Error.InvalidArgs", "no")
            return
        name = args[0] if args else ""
        if name == "hang":
            kept.append(invocation)
        elif name == "busy":
            invocation.return_dbus_error(ERROR + "Busy", "the window holds changes that are "
                                         "not applied; apply or cancel them first")
        elif name == "gone":
            invocation.return_dbus_error(ERROR + "NoMouse", 'switched the files to profile '
                                         '"gone"; no mouse is connected, it gets them with '
                                         'the next apply')
        elif name == "odd":
            invocation.return_dbus_error(ERROR + "Failed", "the disk is full")
        elif name == "A" and method == "SaveProfile":
            invocation.return_dbus_error(ERROR + "Exists", 'a profile "A" exists already')
        else:
            invocation.return_value(None)

    def on_bus(conn, _name):
        # No property getter: Get reaches on_call, which may leave it unanswered.
        conn.register_object("/org/ornyx/OrnyxMouse1", info.interfaces[0], on_call, None, None)

    def on_name(_conn, _name):
        print("ready", flush=True)

    def on_lost(_conn, _name):
        print("cannot own " + NAME, file=sys.stderr, flush=True)
        loop.quit()

    Gio.bus_own_name(Gio.BusType.SESSION, NAME, Gio.BusNameOwnerFlags.DO_NOT_QUEUE, on_bus,
                     on_name, on_lost)
    loop.run()
    sys.exit(1)


if __name__ == "__main__":
    main()
