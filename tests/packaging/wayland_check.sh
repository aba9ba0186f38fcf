#!/usr/bin/env bash
# Starts APP natively on Wayland under a headless weston of its own, and checks
# that it keeps running and announces ID, its desktop file's name, as its app id.
# Usage: wayland_check.sh APP ID [SECONDS]
set -euo pipefail
app="$1"
id="$2"
seconds="${3:-4}"
home=$(mktemp -d)
weston=
stop() {
    [ -z "$weston" ] || kill "$weston" 2>/dev/null || true
    wait || true
    rm -rf "$home"
}
trap stop EXIT

# Nothing of the caller's session reaches weston or the app: no display to fall
# back on, and a home and runtime folder of their own.
mkdir -m 700 "$home/run"
session=(env -i PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$home/run" XDG_CONFIG_HOME="$home/config"
    XDG_CACHE_HOME="$home/cache" XDG_DATA_HOME="$home/data" WAYLAND_DISPLAY=wayland-check)
"${session[@]}" weston --backend=headless-backend.so --socket=wayland-check --idle-time=0 \
    >"$home/weston.log" 2>&1 &
weston=$!
for _ in $(seq 50); do
    [ -S "$home/run/wayland-check" ] && break
    sleep 0.1
done
if [ ! -S "$home/run/wayland-check" ]; then
    echo "FAIL: weston did not start:" >&2
    cat "$home/weston.log" >&2
    exit 1
fi

# WAYLAND_DEBUG prints each request the app sends, a line that starts with its
# time in brackets; timeout's 124 says the app kept running.
set +e
"${session[@]}" QT_QPA_PLATFORM=wayland WAYLAND_DEBUG=1 timeout "$seconds" "$app" >"$home/app.log" 2>&1
status=$?
set -e
said=$(grep -v '^\[' "$home/app.log" || true)
if [ "$status" -ne 124 ] || [ -n "$said" ]; then
    echo "FAIL: $app did not run quietly under Wayland (exit $status):" >&2
    echo "$said" >&2
    exit 1
fi
if ! grep -qF '.attach(wl_buffer' "$home/app.log"; then
    echo "FAIL: $app drew no window" >&2
    exit 1
fi
if ! grep -qF "set_app_id(\"$id\")" "$home/app.log"; then
    echo "FAIL: $app did not announce the app id $id:" >&2
    grep -F 'set_app_id' "$home/app.log" >&2
    exit 1
fi
echo "ran natively on Wayland for $seconds s as $id"
