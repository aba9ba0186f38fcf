#!/usr/bin/env bash
# Runs `optara-bench window` on a virtual X screen that Mesa draws in software,
# under openbox when it is installed, as on a desktop without a GPU, after
# `optara-bench startup`: the app's start-up against a bare Qt Quick window's,
# both built beside the bench.
#   bench/window.sh build/bin/optara-bench DIR [--cold] [--cycles N]
set -euo pipefail
if [ $# -lt 2 ]; then
    echo "usage: $0 OPTARA_BENCH DIR [--cold] [--cycles N]" >&2
    exit 2
fi
bench="$1"
shift
# Inside the X session: the window manager first, then the bench, whose status is the script's.
session='
if command -v openbox >/dev/null; then
    openbox &
    manager=$!
    sleep 1
fi
status=0
bench="$1"
bin="$(dirname "$bench")"
"$bench" startup "$bin/optara-bare-window" "$bin/optara" || status=$?
"$bench" window "${@:2}" || status=$?
if [ -n "${manager:-}" ]; then kill "$manager"; fi
exit "$status"
'
exec env -u QT_QPA_PLATFORM -u QT_QUICK_BACKEND xvfb-run -a -s "-screen 0 1280x800x24" \
    bash -c "$session" session "$bench" "$@"
