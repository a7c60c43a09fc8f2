#!/usr/bin/env python3
"""Measures brannoway-kestrill-bench against the command-line duplicate finders.

For each tree shape (generated with gen_tree.py, of the seed given) and each further folder
named, it runs our benchmark program and each peer in alternating rounds with a warm cache and
prints, per tree and tool, the medians of wall time, CPU time (user + system), context switches
(voluntary + involuntary) and peak memory; with --syscalls, the system calls per catalogued file
counted once with strace -f -c. Then our wall and CPU time as ratios to the fastest peer and to
jdupes, the machine's load before and after the tree, and whether our groups equal the tree's
truth and each peer's groups (files compared by device and inode, since each tool picks its own
name of a hard-linked file). With --floor, a row for brannoway-kestrill-call-floor: the system
calls any finder must make on the tree, with nothing else, and its CPU time against jdupes'.

    bench/compare_finders.py --bench build/brannoway-kestrill-bench --gen-tree PATH/gen_tree.py \
        [--seed N] [--folders /usr/share,/usr/lib] [--syscalls] \
        [--floor build/brannoway-kestrill-call-floor]
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
PEER_PACKAGES = ["fdupes", "jdupes", "rmlint", "duff", "time", "strace"]


def run_measured(command):
    """Runs a command under GNU time; returns its wall seconds, CPU seconds, context switches,
    peak memory in MiB and standard output.

    GNU time reports the command's own figures: a child forked straight from this script would
    count the script's memory too."""
    with tempfile.NamedTemporaryFile("r", suffix=".time") as report, \
            tempfile.TemporaryFile() as output:
        start = time.perf_counter()
        child = subprocess.Popen(["/usr/bin/time", "-o", report.name, "-f", "%M %c %w"]
                                 + command, stdout=output, stderr=subprocess.DEVNULL)
        # GNU time gives CPU time in hundredths; the system counts it in microseconds, and the
        # count of time itself (well under a millisecond) includes the command's.
        _, status, usage = os.wait4(child.pid, 0)
        wall = time.perf_counter() - start
        child.returncode = os.waitstatus_to_exitcode(status)
        if child.returncode not in (0, 1):
            raise RuntimeError(f"{command[0]} failed with status {child.returncode}")
        peak_kib, involuntary, voluntary = report.read().split()[-3:]
        output.seek(0)
        stdout = output.read()
    return {"wall": wall, "cpu": usage.ru_utime + usage.ru_stime,
            "switches": int(involuntary) + int(voluntary), "memory": int(peak_kib) / 1024.0,
            "output": stdout}


def syscalls_of(command):
    """The system calls of one run, all threads included, counted by strace."""
    with tempfile.NamedTemporaryFile("r", suffix=".strace") as report:
        subprocess.run(["strace", "-f", "-c", "-o", report.name] + command,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        calls = 0
        for line in report.read().splitlines():
            # "% time, seconds, usecs/call, calls, [errors,] syscall" per system call
            fields = line.split()
            if len(fields) >= 5 and fields[-1] != "total" and fields[3].isdigit():
                calls += int(fields[3])
        return calls


def identity_groups(groups, root):
    """Groups of paths relative to root as groups of (device, inode)."""
    identified = set()
    for group in groups:
        members = set()
        for path in group:
            try:
                info = os.lstat(os.path.join(root, path))
            except OSError:
                continue
            members.add((info.st_dev, info.st_ino))
        if len(members) > 1:
            identified.add(frozenset(members))
    return identified


def regular_files_below(root):
    count = 0
    for folder, _, names in os.walk(root):
        for name in names:
            try:
                if os.path.isfile(os.path.join(folder, name)) and not os.path.islink(
                        os.path.join(folder, name)):
                    count += 1
            except OSError:
                pass
    return count


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


def ensure_peers():
    missing = [p for p in PEER_PACKAGES
               if shutil.which(p) is None and not os.path.exists("/usr/bin/" + p)]
    if missing:
        sudo = [] if os.geteuid() == 0 else ["sudo"]
        subprocess.run(sudo + ["apt-get", "update", "-qq"], check=True)
        subprocess.run(sudo + ["apt-get", "install", "-y", "-qq"] + missing, check=True,
                       env=dict(os.environ, DEBIAN_FRONTEND="noninteractive"))


def measure_tree(root, tools, runs):
    """Runs every tool on root in alternating rounds after a warming run; medians per tool."""
    for command in tools.values():
        run_measured(command)  # warms the cache
    samples = {name: [] for name in tools}
    for _ in range(runs):
        for name, command in tools.items():
            samples[name].append(run_measured(command))
    results = {}
    for name, runs_of_tool in samples.items():
        results[name] = {key: statistics.median(run[key] for run in runs_of_tool)
                         for key in ("wall", "cpu", "switches", "memory")}
        results[name]["output"] = runs_of_tool[-1]["output"]
        results[name]["groups"] = identity_groups(groups_of(runs_of_tool[-1]["output"], root), root)
    return results


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--bench", required=True, help="the brannoway-kestrill-bench binary")
    parser.add_argument("--gen-tree", required=True, help="gen_tree.py")
    parser.add_argument("--trees", default=os.path.join(tempfile.gettempdir(), "dupbench"))
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--shapes", default=",".join(SHAPES))
    parser.add_argument("--folders", default="", help="further folders to search, comma-separated")
    parser.add_argument("--syscalls", action="store_true", help="count system calls per file")
    parser.add_argument("--floor", help="the brannoway-kestrill-call-floor binary")
    args = parser.parse_args()
    ensure_peers()

    trees = []
    for shape in filter(None, args.shapes.split(",")):
        root = os.path.join(args.trees, f"{shape}-{args.seed}" if args.seed != 1 else shape)
        truth_path = root + ".truth.json"
        if not os.path.exists(truth_path):
            subprocess.run([sys.executable, args.gen_tree, "--shape", shape, "--root", root,
                            "--seed", str(args.seed), "--force"], check=True,
                           stdout=subprocess.DEVNULL)
        trees.append((f"{shape} (seed {args.seed})", root, truth_path))
    trees += [(folder, folder, None) for folder in filter(None, args.folders.split(","))]

    names = ["ours"] + list(PEERS) + (["floor"] if args.floor else [])
    for label, root, truth_path in trees:
        tools = {"ours": [os.path.abspath(args.bench), root]}
        tools.update({name: command + [root] for name, command in PEERS.items()})
        if args.floor:
            tools["floor"] = [os.path.abspath(args.floor), root]
        load_before = os.getloadavg()[0]
        results = measure_tree(root, tools, args.runs)
        load_after = os.getloadavg()[0]
        files = regular_files_below(root)
        if args.syscalls:
            for name, command in tools.items():
                results[name]["syscalls"] = syscalls_of(command) / max(files, 1)
        ours = results["ours"]
        fastest_wall = min(results[n]["wall"] for n in PEERS)
        same_as = [n for n in PEERS if results[n]["groups"] == ours["groups"]]
        truth = "no truth"
        if truth_path:
            truth = "truth " + ("equal" if matches_truth(ours["output"], truth_path,
                                                          args.gen_tree) else "DIFFERS")
        print(f"\n{label}: {files} files, load {load_before:.2f} before, {load_after:.2f} after; "
              f"{truth}; same groups as {', '.join(same_as) or 'none'}")
        print(f"{'tool':8} {'wall':>8} {'cpu':>8} {'switches':>9} {'memory':>9}"
              + (f" {'calls/file':>10}" if args.syscalls else ""))
        for name in names:
            r = results[name]
            print(f"{name:8} {r['wall']:7.3f}s {r['cpu']:7.3f}s {r['switches']:9.0f} "
                  f"{r['memory']:7.1f}M" + (f" {r['syscalls']:10.2f}" if args.syscalls else ""))
        jdupes = results["jdupes"]
        print(f"ours: wall {ours['wall'] / fastest_wall:.2f} x the fastest peer, "
              f"CPU {ours['cpu'] / jdupes['cpu']:.2f} x jdupes, "
              f"memory {ours['memory'] / jdupes['memory']:.2f} x jdupes")
        if args.floor:
            print(f"floor: CPU {results['floor']['cpu'] / jdupes['cpu']:.2f} x jdupes")


if __name__ == "__main__":
    main()
