#!/usr/bin/env bash
# The Secret Service test with real parts: a private D-Bus session
# (dbus-run-session) with a gnome-keyring-daemon of its own, whose login
# keyring is created and unlocked with a password fed on standard input, in
# a temporary home; the GoogleTest binary writes, reads, overwrites and
# deletes the recorder's password through the secrets library and reads it
# back with secret-tool. Nothing of the user's own session or keyring is used.
# Usage: SecretServiceTest.sh TESTBINARY OUTDIR
# Exits 77 (skipped) when dbus-run-session, gnome-keyring-daemon or
# secret-tool are missing.
set -euo pipefail
binary=$1
out=$2

if [ "${3:-}" = "--inside-session" ]; then
  # In the private session: the keyring daemon, then the test.
  printf '%s' "keyring-password-of-the-test" |
    gnome-keyring-daemon --unlock --components=secrets >"$out/keyring.env" 2>"$out/keyring.log"
  export QM_PRIVATE_SECRET_SERVICE=1
  exec "$binary"
fi

for tool in dbus-run-session gnome-keyring-daemon secret-tool; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
rm -rf "$out"
mkdir -p "$out/home" "$out/run"
chmod 700 "$out/home" "$out/run"
out=$(cd "$out" && pwd)
export HOME="$out/home"
export XDG_RUNTIME_DIR="$out/run"
export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share" XDG_CACHE_HOME="$HOME/.cache"
# No desktop named: the library then asks the Secret Service through libsecret.
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION KDE_SESSION_VERSION GNOME_DESKTOP_SESSION_ID \
  DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS GNOME_KEYRING_CONTROL
# The session ends with the test; the keyring daemon leaves with its bus.
status=0
timeout 240 dbus-run-session -- bash "$0" "$binary" "$out" --inside-session || status=$?
[ -s "$out/keyring.log" ] && sed 's/^/gnome-keyring-daemon: /' "$out/keyring.log"
exit "$status"
