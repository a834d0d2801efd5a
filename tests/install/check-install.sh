#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks it as a user and a
# distribution would: everything lands under the prefix, the desktop files
# pass their validators, and the installed programs keep the user's files in
# the XDG folders, writing nothing for read-only commands.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
fail() { echo "check-install: $*" >&2; exit 1; }
need() { command -v "$1" >/dev/null || fail "$1 is missing (scripts/install-deps installs it)"; }
need desktop-file-validate
need appstreamcli

cmake --install "$build" --prefix "$prefix" >"$work/install.log"
while read -r file; do
  case $file in "$prefix"/*) ;; *) fail "installed outside the prefix: $file" ;; esac
done <"$build/install_manifest.txt"

id=$(sed -n 's/^Icon=//p' "$build/generated-data/"*.desktop | head -n1)
[ -n "$id" ] || fail "no application id in the desktop file"
for f in bin/ornyx-mouse bin/ornyxctl bin/ornyx-virtual-mouse share/ornyx-mouse/config.bin share/ornyx-mouse/str.ini \
         share/ornyx-mouse/Skins lib/udev/rules.d/70-ornyx-mouse.rules \
         "share/applications/$id.desktop" "etc/xdg/autostart/$id.desktop" \
         "share/metainfo/$id.metainfo.xml" "share/icons/hicolor/scalable/apps/$id.svg" \
         share/man/man1/ornyx-mouse.1 share/man/man1/ornyxctl.1 share/man/man1/ornyx-virtual-mouse.1 \
         share/bash-completion/completions/ornyxctl; do
  [ -e "$prefix/$f" ] || fail "missing $f"
done
for size in 16 32 48 64 128 256; do
  [ -s "$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png" ] || fail "missing the ${size}px icon"
done
grep -q -- '--hidden' "$prefix/etc/xdg/autostart/$id.desktop" || fail "autostart without --hidden"
# The session bus: the interface for its clients, and an activation that starts
# the installed program, in the tray.
service=$prefix/share/dbus-1/services/org.ornyx.OrnyxMouse1.service
[ -s "$prefix/share/dbus-1/interfaces/org.ornyx.OrnyxMouse1.xml" ] || fail "no D-Bus interface file"
[ -s "$prefix/share/ornyx-mouse/gnome-shell/autoswitch@ornyx.org/metadata.json" ] ||
  fail "no GNOME Shell extension"
grep -qx 'Name=org.ornyx.OrnyxMouse1' "$service" || fail "no D-Bus activation file"
grep -qx "Exec=$prefix/bin/ornyx-mouse --hidden" "$service" || fail "the activation does not start $prefix/bin/ornyx-mouse --hidden"
desktop-file-validate "$prefix/share/applications/$id.desktop" "$prefix/etc/xdg/autostart/$id.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" >"$work/as.log" ||
  { cat "$work/as.log"; fail "appstreamcli validate failed"; }
bash -n "$prefix/share/bash-completion/completions/ornyxctl"
# Every installed program has its manual page.
for program in "$prefix"/bin/*; do
  [ -s "$prefix/share/man/man1/$(basename "$program").1" ] || fail "no man page for $(basename "$program")"
done

# An install for /usr, whatever prefix the build was configured with: the
# autostart entry goes where desktops read it, not to /usr/etc.
root=$work/root
DESTDIR=$root cmake --install "$build" --prefix /usr >"$work/install-usr.log"
[ -f "$root/etc/xdg/autostart/$id.desktop" ] || fail "a /usr install has no /etc/xdg/autostart/$id.desktop"
[ ! -e "$root/usr/etc" ] || fail "a /usr install wrote $(find "$root/usr/etc" -type f | head -n1)"
[ -x "$root/usr/bin/ornyx-mouse" ] || fail "a /usr install has no /usr/bin/ornyx-mouse"

# The package's long description as CPack writes it: one text, not a list
# whose items would each start with a ';'.
# shellcheck disable=SC2016 # the ${...} is CMake's, written as it stands
printf 'include("%s")\nmessage("${CPACK_PACKAGE_DESCRIPTION}")\n' "$build/CPackConfig.cmake" >"$work/description.cmake"
cmake -P "$work/description.cmake" 2>"$work/description.txt"
[ "$(wc -l <"$work/description.txt")" -gt 1 ] || fail "the package description is one line"
! grep -q ';' "$work/description.txt" || fail "the package description has list separators: $(grep ';' "$work/description.txt" | head -n1)"

# The installed programs as a user runs them.
user=$work/user
mkdir -p "$user"
run() { env -i HOME="$user" PATH=/usr/bin:/bin LANG=C "$@"; }
"$prefix/bin/ornyxctl" --version | grep -q '^ornyxctl [0-9]' || fail "ornyxctl --version"
"$prefix/bin/ornyx-mouse" --version | grep -q '^ornyx-mouse [0-9]' || fail "ornyx-mouse --version"
run "$prefix/bin/ornyxctl" show >"$work/show.txt" || fail "show on a fresh account"
run "$prefix/bin/ornyxctl" macro list >/dev/null || fail "macro list on a fresh account"
run "$prefix/bin/ornyxctl" export - >/dev/null || fail "export on a fresh account"
run "$prefix/bin/ornyxctl" language >/dev/null || fail "language on a fresh account"
[ -z "$(find "$user" -mindepth 1 | head -n1)" ] || fail "a read-only command wrote $(find "$user" -mindepth 1)"

# The older per-user folder moves to the configuration folder on the first write.
old=$user/.local/share/ornyx-mouse
mkdir -p "$old/Skins/Mine"
cp "$prefix/share/ornyx-mouse/config.bin" "$old/config.bin"
printf '[Skins]\r\nLan=TUR\r\n' >"$old/str.ini"
[ "$(run "$prefix/bin/ornyxctl" language)" = "TUR" ] || fail "the older folder is not read"
[ -e "$user/.config" ] && fail "reading moved the older folder"
run "$prefix/bin/ornyxctl" language CHT >/dev/null
new=$user/.config/ornyx-mouse
[ -f "$new/config.bin" ] && [ -f "$new/str.ini" ] || fail "the settings did not move to $new"
[ ! -e "$old/config.bin" ] && [ ! -e "$old/str.ini" ] || fail "the older files stayed behind"
[ -d "$old/Skins/Mine" ] || fail "the user's skins were touched"
grep -q 'Lan=CHT' "$new/str.ini" || fail "language CHT not written"
[ ! -e "$new/Skins" ] || fail "skins were copied into the home"
echo "check-install: ok"
