#!/usr/bin/env bash
# Makes a real tree of 1,000,000 tiny files (1000 folders of 1000), runs the headless scan and
# content search on it, checks the groups, and runs jdupes and duff on the same tree; prints each
# tool's wall time, CPU time and peak memory, and our memory per file. The tree is deleted
# afterwards, also when the run fails.
#
#   bench/scale_1m.sh BENCH_BINARY [TREE_FOLDER]
#
# Each content "c<k>" (k below 250,000) is held by four files in four different folders, so the
# search must report 250,000 groups of 4. Making the tree takes a minute or more; it needs a
# million free inodes and, on ext4, about 4 GB of blocks (one per file).
set -euo pipefail

bench=${1:?usage: scale_1m.sh BENCH_BINARY [TREE_FOLDER]}
root=${2:-/tmp/bk-scale-1m}
folders=1000
per_folder=1000

if [[ -e $root ]]; then
    echo "$root exists; give a folder that does not" >&2
    exit 2
fi
trap 'rm -rf "$root"' EXIT

start=$(date +%s.%N)
python3 - "$root" "$folders" "$per_folder" <<'EOF'
import os, sys
root, folders, per_folder = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
total = folders * per_folder
cycle = total // 4
for d in range(folders):
    folder = os.path.join(root, "d%04d" % d)
    os.makedirs(folder)
    for f in range(per_folder):
        i = d * per_folder + f
        fd = os.open(os.path.join(folder, "f%07d" % i), os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o644)
        os.write(fd, b"c%d\n" % (i % cycle))
        os.close(fd)
EOF
made=$(date +%s.%N)
echo "made $((folders * per_folder)) files in $(awk "BEGIN { print $made - $start }") s" >&2

# Drop nothing from the caches: the scan and search run warm, as in the other benchmarks.
out=$(mktemp)
trap 'rm -rf "$root" "$out" "$out.time"' EXIT
measure() {
    local name=$1
    shift
    /usr/bin/time -o "$out.time" -f "%e %U %S %M" "$@" >"$out" 2>/dev/null || true
    read -r wall user system peak <"$out.time"
    awk -v n="$name" -v w="$wall" -v u="$user" -v s="$system" -v m="$peak" -v f=$((folders * per_folder)) \
        'BEGIN { printf "%-6s wall %6.2f s  cpu %6.2f s  peak %7.1f MiB  %5.1f bytes a file\n", n, w, u + s, m / 1024, m * 1024 / f }' >&2
}
measure ours "$bench" "$root"
groups=$(awk 'BEGIN { RS = ""; FS = "\n" } { n++; if (NF != 4) bad++ } END { print n + 0, bad + 0 }' "$out")
read -r group_count bad_groups <<<"$groups"
echo "groups $group_count (expected 250000), groups not of 4 members: $bad_groups" >&2
if [[ $group_count -ne 250000 || $bad_groups -ne 0 ]]; then
    echo "unexpected groups" >&2
    exit 1
fi
command -v jdupes >/dev/null && measure jdupes jdupes -r -q "$root"
command -v duff >/dev/null && measure duff duff -r -a -z "$root"
exit 0
