#!/usr/bin/env bash
# Runs a Windows test program under Wine on an X server of its own, and ends the Wine session
# with it, so the next program meets neither this display nor its windows.
#
#   with_display.sh <program.exe> [arguments...]
set -euo pipefail

readonly ScreenWidth=1024
readonly ScreenHeight=768
readonly TimeoutSeconds=20

log() { printf 'with-display: %s\n' "$*"; }
fail() {
    printf 'with-display: FAILED: %s\n' "$*" >&2
    exit 1
}

work="$(mktemp -d "${TMPDIR:-/tmp}/bk-with-display.XXXXXX")"
xvfb_pid=""
display_ready=""
on_exit() {
    local status=$?
    timeout 20 wineserver -k 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
    exit "$status"
}
trap on_exit EXIT

source "$(dirname "${BASH_SOURCE[0]}")/../e2e/x_server.sh"
start_x_server
timeout 240 wine "$@"
