/* Tells Ornyx Mouse which application is in front: on Wayland the program
 * cannot see other windows itself. Ornyx Mouse does the rest (the rules, the
 * wait for the focus to settle); a program that does not run is not started. */
const { Gio, Shell } = imports.gi;

const NAME = 'org.ornyx.OrnyxMouse1';
const PATH = '/org/ornyx/OrnyxMouse1';

class Extension {
    enable() {
        this._tracker = Shell.WindowTracker.get_default();
        this._handler = global.display.connect('notify::focus-window', () => this._tell());
        this._tell();
    }

    disable() {
        if (this._handler)
            global.display.disconnect(this._handler);
        this._handler = null;
        this._tracker = null;
    }

    _tell() {
        const window = global.display.focus_window;
        if (!window)
            return;
        const app = this._tracker.get_window_app(window);
        let id = app && app.get_id() ? app.get_id().replace(/\.desktop$/, '') : '';
        if (!id)
            id = window.get_wm_class() || '';
        if (!id)
            return;
        Gio.DBus.session.call(NAME, PATH, NAME, 'SetActiveApplication',
            new imports.gi.GLib.Variant('(s)', [id]), null,
            Gio.DBusCallFlags.NO_AUTO_START, 1000, null, null);
    }
}

function init() {
    return new Extension();
}
