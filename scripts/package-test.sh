#!/usr/bin/env bash
# Builds the Debian package, installs it with apt-get (run as root, as in CI)
# and checks that the installed monitor runs: --version without a display,
# and its window opening under Xvfb; and that the recorder and its systemd
# user unit are installed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

cmake --preset plain >/dev/null
cmake --build build/plain -j"$(nproc)" --target quillmont-monitor quillmont-poll quillmont-routersim quillmont-recorder
rm -f build/plain/quillmont-monitor_*.deb
(cd build/plain && cpack -G DEB)
deb=$(ls build/plain/quillmont-monitor_*.deb)

export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq --no-install-recommends "./$deb"
env -u DISPLAY /usr/bin/quillmont-monitor --version
test -f /usr/share/applications/quillmont-monitor.desktop
test -f /usr/share/icons/hicolor/scalable/apps/quillmont-monitor.svg
env -u DISPLAY /usr/bin/quillmont-recorder --version
# The recorder's user unit: installed (not enabled), naming the installed
# recorder, and as systemd reads it (a runtime folder of its own stands in
# for the user manager's).
unit=/usr/lib/systemd/user/quillmont-recorder.service
grep -qx 'ExecStart=/usr/bin/quillmont-recorder' "$unit"
unit_runtime=$(mktemp -d)
verify=$(XDG_RUNTIME_DIR="$unit_runtime" systemd-analyze --user verify "$unit" 2>&1) || { echo "$verify"; exit 1; }
rm -rf "$unit_runtime"
if grep -q quillmont-recorder <<<"$verify"; then
  echo "$verify"
  exit 1
fi

if command -v Xvfb >/dev/null && command -v xdotool >/dev/null; then
  tmp=$(mktemp -d)
  monitor=""
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$tmp/display" 2>/dev/null &
  xvfb=$!
  trap 'kill $monitor $xvfb 2>/dev/null; rm -rf "$tmp"' EXIT
  for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.05; done
  export DISPLAY=":$(head -n1 "$tmp/display")"
  QT_QPA_PLATFORM=xcb /usr/bin/quillmont-monitor &
  monitor=$!
  xdotool search --sync --onlyvisible --name '^Quillmont Bitloading Monitor$' >/dev/null &
  search=$!
  for _ in $(seq 200); do kill -0 $search 2>/dev/null || break; sleep 0.05; done
  if kill -0 $search 2>/dev/null; then
    kill $search
    echo "the installed monitor showed no window"
    exit 1
  fi
  echo "the installed monitor opened its window"
fi
echo "== package installed and started"
