#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks what a desktop expects of
# it; then starts the installed binary away from the source and build trees.
# Usage: install_check.sh BUILD_DIR
set -euo pipefail
build="$1"
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
id=app.optara.Optara

cmake --install "$build" --prefix "$prefix" >/dev/null
desktop="$prefix/share/applications/$id.desktop"
desktop-file-validate "$desktop"
grep -qx 'Exec=optara' "$desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml"
grep -q '<svg' "$prefix/share/icons/hicolor/scalable/apps/$id.svg"

# A healthy app keeps running until stopped; timeout's 124 says it did.
cd "$prefix"
mkdir -m 700 "$prefix/run"
set +e
log=$(env -i PATH=/usr/bin:/bin HOME="$prefix" XDG_RUNTIME_DIR="$prefix/run" QT_QPA_PLATFORM=offscreen \
    timeout 4 "$prefix/bin/optara" 2>&1)
status=$?
set -e
if [ "$status" -ne 124 ] || [ -n "$log" ]; then
    echo "installed optara exited with $status:" >&2
    echo "$log" >&2
    exit 1
fi
echo "installed into $prefix and started"
