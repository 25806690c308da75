#!/usr/bin/env bash
# The desktop program's unattended paths that need no office: --help and --version without
# a display, and --run on an input it cannot read, which must end at once with status 2
# instead of waiting for somebody to close a message.
# Usage: gui_unattended.sh GUI_BINARY
set -uo pipefail
gui=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

out=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb timeout 30 "$gui" --help 2>&1)
status=$?
[ "$status" -eq 0 ] || fail "--help without a display ended with $status: $out"
grep -q -- "--run" <<<"$out" || fail "--help printed no options: $out"
env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb timeout 30 "$gui" --version >/dev/null 2>&1 ||
  fail "--version without a display failed"

for input in "$work/missing.ppt" "$work"; do
  (cd "$work" && QT_QPA_PLATFORM=offscreen TMPDIR="$work" timeout 60 "$gui" --run "$input" --mode fast \
     >"$work/out.txt" 2>&1)
  status=$?
  [ "$status" -eq 2 ] || fail "--run $input ended with $status (124: it waited): $(cat "$work/out.txt")"
  grep -q "cannot read" "$work/out.txt" || fail "--run $input gave no reason: $(cat "$work/out.txt")"
done
ls -d "$work"/vlxTemp-* "$work"/vlxOffice-* "$work"/Rec 2>/dev/null && fail "files left behind"
echo "ok: unattended paths end with their status"
