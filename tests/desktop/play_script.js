// Plays a desktop script of the program (the KWin script, the GNOME Shell
// extension) in node against stand-ins of the desktop's objects, and prints
// each D-Bus call it makes as one JSON line. The windows of the scenario
// come in front one after another.
//
// usage: node play_script.js kwin5|kwin6|gnome SCRIPT
'use strict';
const fs = require('fs');
const vm = require('vm');

const [kind, file] = process.argv.slice(2);
const source = fs.readFileSync(file, 'utf8');

// What the scenario brings to the front, as each desktop describes a window.
const windows = [
    {desktopFileName: 'steam_app_730', resourceClass: 'steam', wmClass: 'steam', appId: 'steam_app_730.desktop'},
    {desktopFileName: '', resourceClass: 'GameA', wmClass: 'GameA', appId: ''},
    null,  // nothing in front (the desktop)
    {desktopFileName: 'org.mozilla.firefox', resourceClass: 'firefox', wmClass: 'firefox', appId: 'org.mozilla.firefox.desktop'},
    {desktopFileName: '', resourceClass: '', wmClass: '', appId: ''},  // names nothing
];

function signal() {
    const handlers = [];
    return {connect: (f) => handlers.push(f), emit: (w) => handlers.forEach((f) => f(w)),
            count: () => handlers.length};
}

function print(call) {
    process.stdout.write(JSON.stringify(call) + '\n');
}

if (kind === 'kwin5' || kind === 'kwin6') {
    const activated = signal();
    const workspace = kind === 'kwin6'
        ? {windowActivated: activated, activeWindow: windows[0]}
        : {clientActivated: activated, activeClient: windows[0]};
    const context = vm.createContext({
        workspace,
        callDBus: (service, path, iface, method, ...args) =>
            print({service, path, iface, method, args}),
    });
    vm.runInContext(source, context, {filename: file});
    for (const w of windows.slice(1)) activated.emit(w);
    if (activated.count() !== 1) throw new Error('the script connected ' + activated.count() + ' times');
} else if (kind === 'gnome') {
    const handlers = {};
    let nextId = 1;
    const display = {
        focus_window: windows[0],
        connect: (name, f) => { handlers[nextId] = {name, f}; return nextId++; },
        disconnect: (id) => { delete handlers[id]; },
    };
    const asWindow = (w) => w && {get_wm_class: () => w.wmClass, app: w.appId};
    display.focus_window = asWindow(windows[0]);
    const gi = {
        Gio: {
            DBus: {session: {call: (service, path, iface, method, params, _type, flags) =>
                print({service, path, iface, method, args: params.args, flags})}},
            DBusCallFlags: {NONE: 0, NO_AUTO_START: 1},
        },
        GLib: {Variant: function (type, args) { this.type = type; this.args = args; }},
        Shell: {WindowTracker: {get_default: () => ({
            get_window_app: (w) => w.app ? {get_id: () => w.app} : null,
        })}},
    };
    const context = vm.createContext({imports: {gi}, global: {display}});
    vm.runInContext(source + '\nthis.__init = init;', context, {filename: file});
    const extension = context.__init();
    extension.enable();
    const focus = () => Object.values(handlers)
        .filter((h) => h.name === 'notify::focus-window').forEach((h) => h.f());
    for (const w of windows.slice(1)) {
        display.focus_window = asWindow(w);
        focus();
    }
    extension.disable();
    if (Object.keys(handlers).length !== 0) throw new Error('disable left a handler connected');
    display.focus_window = asWindow(windows[1]);
    focus();  // nothing may come now
} else {
    throw new Error('unknown kind ' + kind);
}
