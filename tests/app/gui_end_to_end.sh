#!/usr/bin/env bash
# The desktop program under Xvfb with the real office: repairs a damaged corpus file in
# both modes, unattended, and keeps a screenshot of each finished run.
# Usage: gui_end_to_end.sh GUI_BINARY CORPUS_DIR SCREENSHOT_DIR
set -euo pipefail
gui=$1 corpus=$2 shots=$3
if [ ! -d "$corpus/healthy" ]; then echo "SKIP: test corpus not found at $corpus"; exit 0; fi
if ! command -v xvfb-run >/dev/null; then echo "SKIP: xvfb-run not installed"; exit 0; fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$shots"
/usr/bin/python3 - "$corpus/healthy/42486.ppt" "$work/damaged-fast.ppt" "$corpus/healthy/basic_test_ppt_file.ppt" "$work/damaged-standard.ppt" <<'PY'
import sys
for src, dst in ((sys.argv[1], sys.argv[2]), (sys.argv[3], sys.argv[4])):
    data = bytearray(open(src, 'rb').read())
    data[:512] = bytes(512)  # the compound-file header is gone
    open(dst, 'wb').write(data)
PY
for mode in fast standard; do
  (cd "$work" && timeout 600 xvfb-run -a -s "-screen 0 1280x860x24" "$gui" --run "damaged-$mode.ppt" \
     --mode "$mode" --screenshot "$shots/$mode-run.png")
  saved=RecSlideIntigrated.ppt
  [ "$mode" = standard ] && saved=RecSlide.ppt
  out=$(find "$work" -name "$saved" | head -1)
  if [ -z "$out" ] || [ ! -s "$out" ]; then echo "FAIL: $mode run saved no $saved"; exit 1; fi
  [ -s "$shots/$mode-run.png" ] || { echo "FAIL: no screenshot of the $mode run"; exit 1; }
  rm -rf "$work"/Rec "$work"/*Rec
  echo "ok: $mode run saved $saved"
done
echo "1 passed, 0 failed"
