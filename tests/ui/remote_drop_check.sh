#!/bin/sh
# Runs the remote drop test in two private D-Bus sessions with private HOME and XDG folders:
# one where gvfs mounts a read-only FTP server on loopback, one where no gvfs runs, which
# must stay so (no process started) and in which nothing is written. Exits 77 to skip.
set -u
test_bin=$1
stage=${2:-outer}

skip() { echo "SKIP: $*"; exit 77; }

# Processes of a session: those carrying its runtime folder in their environment. The
# listing itself runs without it, so it does not list itself.
session_pids() {
    env -u XDG_RUNTIME_DIR /bin/sh -c '
        for environ in /proc/[0-9]*/environ; do
            if grep -qzx "XDG_RUNTIME_DIR=$1" "$environ" 2>/dev/null; then
                pid=${environ#/proc/}
                echo "${pid%/environ}"
            fi
        done' sh "$1"
}

fuse_mounted() {
    awk -v point="$XDG_RUNTIME_DIR/gvfs" '$5 == point && / - fuse\.gvfsd-fuse /' /proc/self/mountinfo | grep -q .
}

case $stage in
served)
    port=$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    mkdir -p "$SCRATCH/served/folder"
    /usr/bin/python3 -m pyftpdlib -i 127.0.0.1 -p "$port" -d "$SCRATCH/served" >"$SCRATCH/ftp.log" 2>&1 &
    for _ in $(seq 50); do grep -q "starting FTP" "$SCRATCH/ftp.log" && break; sleep 0.1; done
    timeout 15 gio mount -a "ftp://127.0.0.1:$port/" >"$SCRATCH/mount.log" 2>&1 || skip "gio mount failed: $(cat "$SCRATCH/mount.log")"
    for _ in $(seq 50); do fuse_mounted && break; sleep 0.1; done
    fuse_mounted || skip "gvfsd-fuse did not mount $XDG_RUNTIME_DIR/gvfs"
    REMOTE_URL="ftp://127.0.0.1:$port/folder" REMOTE_SERVED=1 SERVED_DIR="$SCRATCH/served/folder" "$test_bin"
    status=$?
    timeout 10 gio mount -u "ftp://127.0.0.1:$port/" >/dev/null 2>&1
    exit $status
    ;;
unserved)
    # Listed into files: a pipeline or a command substitution would list its own shells.
    session_pids "$XDG_RUNTIME_DIR" >"$SCRATCH/before"
    REMOTE_URL="smb://127.0.0.1/photos" REMOTE_SERVED=0 "$test_bin" || exit 1
    sleep 0.5 # a daemon the lookup activated would be up by now
    session_pids "$XDG_RUNTIME_DIR" >"$SCRATCH/after"
    if grep -vxFf "$SCRATCH/before" "$SCRATCH/after" >"$SCRATCH/new"; then
        echo "FAIL: processes started in a session without gvfs:"
        ps -o pid,cmd -p "$(paste -sd, "$SCRATCH/new")"
        exit 1
    fi
    written=$(find "$HOME" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_DATA_HOME" "$XDG_STATE_HOME" -mindepth 1)
    [ -z "$written" ] || { echo "FAIL: written: $written"; exit 1; }
    exit 0
    ;;
esac

[ -c /dev/fuse ] || skip "no /dev/fuse"
for tool in fusermount3 gio dbus-run-session timeout; do
    command -v $tool >/dev/null || skip "no $tool"
done
[ -x /usr/libexec/gvfsd ] && [ -x /usr/libexec/gvfsd-fuse ] || skip "no gvfsd or gvfsd-fuse"
/usr/bin/python3 -c 'import pyftpdlib' 2>/dev/null || skip "no pyftpdlib for /usr/bin/python3"

root=$(mktemp -d)
cleanup() {
    for session in "$root"/*/; do
        pids=$(session_pids "${session}run")
        [ -n "$pids" ] && kill $pids 2>/dev/null
        awk -v top="$root/" 'index($5, top) == 1 { print $5 }' /proc/self/mountinfo |
            while read -r point; do fusermount3 -u -z "$point"; done
    done
    sleep 0.2
    for session in "$root"/*/; do
        pids=$(session_pids "${session}run")
        [ -n "$pids" ] && kill -9 $pids 2>/dev/null
    done
    rm -rf "$root"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

# A session of its own: runs this script's given stage under a private bus.
in_session() {
    dir="$root/$1"
    mkdir -p "$dir/home" "$dir/run" "$dir/config" "$dir/cache" "$dir/data" "$dir/state"
    chmod 700 "$dir/run"
    env SCRATCH="$dir" HOME="$dir/home" XDG_RUNTIME_DIR="$dir/run" XDG_CONFIG_HOME="$dir/config" \
        XDG_CACHE_HOME="$dir/cache" XDG_DATA_HOME="$dir/data" XDG_STATE_HOME="$dir/state" \
        dbus-run-session -- "$0" "$test_bin" "$1"
}

in_session served
status=$?
[ $status -eq 0 ] || exit $status
in_session unserved
