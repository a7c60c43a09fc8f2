#!/usr/bin/env python3
"""Measures brannoway-kestrill-bench against the command-line duplicate finders.

For each tree shape (generated with gen_tree.py) it runs our benchmark program and each peer
several times with a warm cache and prints one table: median wall time and peak memory per tool
and tree, our time as a ratio to the fastest peer and to the floor (listing the tree plus reading
once every file that shares its size with another), and whether our groups equal the tree's truth
and each peer's groups.

    bench/compare_finders.py --bench build/brannoway-kestrill-bench --gen-tree PATH/gen_tree.py
"""

import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

SHAPES = ["mixed", "samesize", "big", "many"]

# Flags under which each peer reports every content group of size above 0, hidden files included.
PEERS = {
    "fdupes": ["fdupes", "-r", "-n"],
    "jdupes": ["jdupes", "-r"],
    "rmlint": ["rmlint", "-r", "-T", "df", "-o", "fdupes:stdout"],
    "duff": ["duff", "-r", "-a", "-z"],
}
PEER_PACKAGES = ["fdupes", "jdupes", "rmlint", "duff", "time"]


def run_measured(command):
    """Runs a command under GNU time; returns (wall seconds, peak memory in MiB, standard output).

    GNU time reports the command's own peak: a child forked straight from this script would count
    the script's memory too."""
    with tempfile.NamedTemporaryFile("r", suffix=".time") as report:
        start = time.perf_counter()
        done = subprocess.run(["/usr/bin/time", "-o", report.name, "-f", "%M"] + command,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        wall = time.perf_counter() - start
        if done.returncode not in (0, 1):
            raise RuntimeError(f"{command[0]} failed with status {done.returncode}")
        peak_kib = int(report.read().split()[-1])
    return wall, peak_kib / 1024.0, done.stdout


def matches_truth(output, truth_path, gen_tree):
    """Our groups against the truth, as the tree generator's own checker sees them."""
    with tempfile.NamedTemporaryFile("wb", suffix=".out") as listing:
        listing.write(output)
        listing.flush()
        checked = subprocess.run([sys.executable, gen_tree, "--check", listing.name, "--truth",
                                  truth_path, "--links", "collapse", "--empty", "ignore"],
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return checked.returncode == 0


def groups_of(output, root):
    """Groups in fdupes format as a set of frozensets of paths relative to root."""
    groups, current = set(), []
    prefix = root.rstrip("/") + "/"
    for line in output.decode("utf-8", "surrogateescape").split("\n"):
        if not line.strip():
            if len(current) > 1:
                groups.add(frozenset(current))
            current = []
            continue
        path = line[len(prefix):] if line.startswith(prefix) else line
        current.append(path)
    if len(current) > 1:
        groups.add(frozenset(current))
    return groups


def without_links(groups, hardlinks):
    """Keeps one name of each hard-linked file, so tools that list every name compare with ours."""
    alias = {}
    for names in hardlinks:
        names = sorted(names)
        for name in names[1:]:
            alias[name] = names[0]
    collapsed = set()
    for group in groups:
        members = frozenset(alias.get(path, path) for path in group)
        if len(members) > 1:
            collapsed.add(members)
    return collapsed


def floor_seconds(root, truth):
    """Listing the tree plus reading once every file that shares its size with another."""
    list_time = min(run_measured(["find", root, "-type", "f", "-printf", "%s\\n"])[0]
                    for _ in range(3))
    by_size = {}
    for path, size in truth["files"]:
        if size > 0:
            by_size.setdefault(size, []).append(path)
    shared = [p for paths in by_size.values() if len(paths) > 1 for p in paths]
    with tempfile.NamedTemporaryFile("wb", delete=False) as listing:
        listing.write(b"\0".join(os.fsencode(os.path.join(root, p)) for p in shared))
    reads = []
    for _ in range(3):
        start = time.perf_counter()
        with open(listing.name, "rb") as names:
            subprocess.run(["xargs", "-0", "-r", "cat"], stdin=names, stdout=subprocess.DEVNULL,
                           check=True)
        reads.append(time.perf_counter() - start)
    os.unlink(listing.name)
    return list_time + min(reads)


def ensure_peers():
    missing = [p for p in PEER_PACKAGES
               if shutil.which(p) is None and not os.path.exists("/usr/bin/" + p)]
    if missing:
        sudo = [] if os.geteuid() == 0 else ["sudo"]
        subprocess.run(sudo + ["apt-get", "update", "-qq"], check=True)
        subprocess.run(sudo + ["apt-get", "install", "-y", "-qq"] + missing, check=True,
                       env=dict(os.environ, DEBIAN_FRONTEND="noninteractive"))


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--bench", required=True, help="the brannoway-kestrill-bench binary")
    parser.add_argument("--gen-tree", required=True, help="gen_tree.py")
    parser.add_argument("--trees", default=os.path.join(tempfile.gettempdir(), "dupbench"))
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--shapes", default=",".join(SHAPES))
    args = parser.parse_args()
    ensure_peers()

    rows = []
    for shape in args.shapes.split(","):
        root = os.path.join(args.trees, shape)
        truth_path = root + ".truth.json"
        if not os.path.exists(truth_path):
            subprocess.run([sys.executable, args.gen_tree, "--shape", shape, "--root", root,
                            "--force"], check=True, stdout=subprocess.DEVNULL)
        with open(truth_path) as handle:
            truth = json.load(handle)
        tools = {"ours": [os.path.abspath(args.bench), root]}
        tools.update({name: command + [root] for name, command in PEERS.items()})
        results = {}
        for name, command in tools.items():
            run_measured(command)  # warms the cache
            samples = [run_measured(command) for _ in range(args.runs)]
            results[name] = {
                "output": samples[-1][2],
                "time": statistics.median(s[0] for s in samples),
                "memory": statistics.median(s[1] for s in samples),
                "groups": without_links(groups_of(samples[-1][2], root), truth["hardlinks"]),
            }
        floor = floor_seconds(root, truth)
        fastest_peer = min((r["time"], n) for n, r in results.items() if n != "ours")
        ours = results["ours"]
        same_as = [n for n, r in results.items() if n != "ours" and r["groups"] == ours["groups"]]
        truth_ok = matches_truth(ours["output"], truth_path, args.gen_tree)
        rows.append((shape, results, floor, fastest_peer, truth_ok, same_as))

    header = (f"{'tree':9} " + " ".join(f"{t:>16}" for t in ["ours"] + list(PEERS))
              + f" {'floor':>7} {'÷fastest':>9} {'÷floor':>7} truth  same groups as")
    print(header)
    for shape, results, floor, (fastest_time, fastest), truth_ok, same_as in rows:
        cells = " ".join(f"{results[t]['time']:7.3f}s {results[t]['memory']:5.1f}M"
                         for t in ["ours"] + list(PEERS))
        ours = results["ours"]["time"]
        print(f"{shape:9} {cells} {floor:6.3f}s {ours / fastest_time:8.2f}x "
              f"{ours / floor:6.2f}x {'yes' if truth_ok else 'NO ':5}  {','.join(same_as)}")


if __name__ == "__main__":
    main()
