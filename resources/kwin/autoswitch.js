// Loaded into KWin by Ornyx Mouse while it runs: tells it which application
// is in front, so that the profile bound to it follows (on Wayland the
// program cannot see other windows itself).
function tell(window) {
    if (!window) return;
    var id = String(window.desktopFileName || "") || String(window.resourceClass || "");
    if (id === "") return;
    callDBus("org.ornyx.OrnyxMouse1", "/org/ornyx/OrnyxMouse1", "org.ornyx.OrnyxMouse1",
             "SetActiveApplication", id);
}
// KWin 6 calls it windowActivated, KWin 5 clientActivated.
if (workspace.windowActivated) {
    workspace.windowActivated.connect(tell);
    tell(workspace.activeWindow);
} else {
    workspace.clientActivated.connect(tell);
    tell(workspace.activeClient);
}
