#!/usr/bin/env bash
# Remakes samples/damaged-sample.ppt: converts sample.fodp to a PowerPoint 97-2003
# file with a headless LibreOffice (private profile, removed afterwards), then
# destroys its container with damage.py.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
soffice "-env:UserInstallation=file://$work/profile" --headless --convert-to ppt \
  --outdir "$work" "$here/sample.fodp" >/dev/null 2>&1
python3 "$here/damage.py" "$work/sample.ppt" "$here/damaged-sample.ppt"
echo "$here/damaged-sample.ppt"
