#!/usr/bin/env bash
# The Windows build's scan and content search under Wine beside the Linux build's, on the same
# trees of the same machine, in alternating rounds: wall time, CPU time (the Wine server's share
# included) and whether both found the same groups. What Wine adds to every system call counts
# against the Windows build; a gross cost in the Win32 file layer would show far beyond it.
#
#   bench/windows_under_wine.sh LINUX_BENCH WINDOWS_BENCH_EXE TREE... [-- ROUNDS]
#
# Wants WINEPREFIX set to a prefix made with wineboot (tools/windows makes build-windows/wine-prefix).
set -euo pipefail

linux_bench=${1:?usage: windows_under_wine.sh LINUX_BENCH WINDOWS_BENCH_EXE TREE...}
windows_bench=${2:?usage: windows_under_wine.sh LINUX_BENCH WINDOWS_BENCH_EXE TREE...}
shift 2
rounds=${ROUNDS:-5}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
work="$(mktemp -d)"
trap 'rm -rf "$work"; wineserver -k 2>/dev/null || true' EXIT

# The Wine server stays up between rounds, as it would for a session on Windows.
wineserver -p >/dev/null 2>&1 </dev/null
wine cmd /c exit 0 >/dev/null 2>&1 </dev/null || true

# The CPU seconds the Wine server has used so far: it answers many of a Windows program's
# calls, and is no child of the run.
server_seconds() {
    local pid
    pid="$(pgrep -n -x wineserver || pgrep -n wineserver64 || true)"
    [ -n "$pid" ] || { echo 0; return; }
    awk -v tick="$(getconf CLK_TCK)" '{ sub(/^.*\) /, ""); print ($12 + $13) / tick }' \
        "/proc/$pid/stat"
}

# Prints "wall cpu" of one run; CPU is user + system of the run and all it waited for, and the
# Wine server's share.
measure() {
    local out="$1" before after
    shift
    before="$(server_seconds)"
    /usr/bin/time -f '%e %U %S' -o "$work/time" "$@" >"$out" 2>/dev/null
    after="$(server_seconds)"
    awk -v server="$(awk -v a="$after" -v b="$before" 'BEGIN { print a - b }')" \
        '{ printf "%.3f %.3f\n", $1, $2 + $3 + server }' "$work/time"
}

# The groups as sorted lines of sorted paths, Windows paths made POSIX ones.
groups_of() {
    python3 - "$1" <<'PY'
import sys
text = open(sys.argv[1], encoding="utf-8", errors="surrogateescape").read()
groups = []
for block in text.replace("\r", "").split("\n\n"):
    paths = [line[2:] if line[1:2] == ":" else line for line in block.split("\n") if line]
    if paths:
        groups.append("|".join(sorted(path.replace("\\", "/") for path in paths)))
print("\n".join(sorted(groups)))
PY
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

printf '%-24s %10s %10s %12s %12s %s\n' tree "linux wall" "linux cpu" "windows wall" \
    "windows cpu" "same groups"
for tree in "$@"; do
    tree="$(realpath "$tree")"
    : >"$work/linux" && : >"$work/windows"
    for ((round = 0; round < rounds; ++round)); do
        measure "$work/linux.out" "$linux_bench" "$tree" >>"$work/linux"
        measure "$work/windows.out" wine "$windows_bench" "Z:${tree//\//\\}" </dev/null \
            >>"$work/windows"
    done
    groups_of "$work/linux.out" >"$work/linux.groups"
    groups_of "$work/windows.out" >"$work/windows.groups"
    same=no
    [ -s "$work/linux.groups" ] && cmp -s "$work/linux.groups" "$work/windows.groups" &&
        same="yes ($(wc -l <"$work/linux.groups") groups)"
    printf '%-24s %10s %10s %12s %12s %s\n' "${tree##*/}" \
        "$(cut -d' ' -f1 "$work/linux" | median)" "$(cut -d' ' -f2 "$work/linux" | median)" \
        "$(cut -d' ' -f1 "$work/windows" | median)" "$(cut -d' ' -f2 "$work/windows" | median)" \
        "$same"
done
