#!/usr/bin/env bash
# Checks the recorder's systemd user unit the way systemd reads it:
#   verify-unit.sh SYSTEMD-ANALYZE UNIT RECORDER
# A copy of UNIT with its ExecStart pointed at RECORDER (the built program,
# as the installed one is not there yet) goes through
# `systemd-analyze --user verify`, in a runtime folder of its own, so that no
# running user manager is needed (CI runs as root, without one). Any word
# about the unit fails the check, warnings included (an unknown key is only a
# warning to systemd).
set -euo pipefail
analyze=$1 unit=$2 recorder=$3
name=$(basename "$unit")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/runtime" "$work/home"
grep -q '^ExecStart=/usr/bin/quillmont-recorder$' "$unit" || { echo "$name: ExecStart is not the installed recorder"; exit 1; }
grep -q '^\[Install\]' "$unit" || { echo "$name: no [Install] section"; exit 1; }
sed "s|^ExecStart=/usr/bin/quillmont-recorder\$|ExecStart=$recorder|" "$unit" >"$work/$name"
status=0
output=$(cd "$work" && HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" \
  "$analyze" --user verify "./$name" 2>&1) || status=$?
echo "$output"
if [ "$status" -ne 0 ]; then
  echo "systemd-analyze verify failed ($status)"
  exit 1
fi
if grep -q "$name" <<<"$output"; then
  echo "systemd-analyze has something to say about $name"
  exit 1
fi
echo "$name verified"
