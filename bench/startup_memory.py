#!/usr/bin/env python3
"""The game's start-up and memory beside a minimal SDL2 + OpenGL program.

For each run, the two programs start one after the other (their order
alternating from run to run, so a change in the machine's load falls on
both) and each is timed from its start to its first presented frame, seen
from outside: the minimal program (bench/minimal_window.cpp) writes
"presented", the game its start-up trace's line "the first frame is
presented" (QM_STARTUP_TRACE; that frame is the logo screen's). Once the game
has presented its main menu (the trace's "the main screen is presented",
after the logo and splash screens) and a settling time has passed, and the
minimal program the same time after its first frame, the resident memory of each
(VmRSS, with its anonymous and file parts) is read from /proc. Medians and
their ratios are printed at the end.

    bench/startup_memory.py --build build/release [--runs 9] [--settle 2.0]

Needs an X display: DISPLAY, or an Xvfb of its own when there is none.
Each game run gets an empty player-data folder (XDG_DATA_HOME), so every run
is a first start.
"""
import argparse
import os
import select
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time


def read_status(pid):
    fields = {}
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            key, _, value = line.partition(":")
            if key in ("VmRSS", "RssAnon", "RssFile", "RssShmem"):
                fields[key] = int(value.split()[0]) / 1024.0  # MB
    return fields


def wait_line(process, stream, marker, timeout):
    """Whether the stream shows the marker before the time-out."""
    deadline = time.monotonic() + timeout
    buffer = b""
    fd = stream.fileno()
    while time.monotonic() < deadline:
        ready, _, _ = select.select([fd], [], [], 0.05)
        if not ready:
            if process.poll() is not None:
                return False
            continue
        chunk = os.read(fd, 65536)
        if not chunk:
            return False
        buffer += chunk
        if marker in buffer:
            return True
        buffer = buffer[-len(marker):]
    return False


def run_once(command, env, stream_name, markers, settle, timeout):
    """The milliseconds to the first marker and the memory once the last one
    has been seen and the settling time has passed."""
    start = time.monotonic()
    process = subprocess.Popen(command, env=env, stdin=subprocess.PIPE,
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    try:
        stream = process.stdout if stream_name == "stdout" else process.stderr
        first = None
        for marker in markers:
            if not wait_line(process, stream, marker, timeout):
                raise RuntimeError(f"{command[0]}: no {marker!r} within {timeout} s")
            if first is None:
                first = (time.monotonic() - start) * 1000.0
        # Keep both pipes drained while the program settles.
        end = time.monotonic() + settle
        while time.monotonic() < end:
            ready, _, _ = select.select([process.stdout, process.stderr], [], [], 0.05)
            for s in ready:
                os.read(s.fileno(), 65536)
        memory = read_status(process.pid)
        return first, memory
    finally:
        # The game asks before it closes; its player data is thrown away.
        process.send_signal(signal.SIGKILL)
        process.wait()


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default="build/release", help="the build folder")
    parser.add_argument("--game", help="the game program (default: BUILD/bin/quillmarch)")
    parser.add_argument("--minimal", help="the minimal program (default: BUILD/bin/minimal_window)")
    parser.add_argument("--data", help="the game's data (default: BUILD/gamedata)")
    parser.add_argument("--baseline", help="another build of the game, run in the same rounds "
                        "(to compare a change with the code before it)")
    parser.add_argument("--runs", type=int, default=9)
    parser.add_argument("--settle", type=float, default=2.0,
                        help="seconds at the main menu before the memory is read")
    parser.add_argument("--timeout", type=float, default=60.0)
    args = parser.parse_args()

    game = args.game or os.path.join(args.build, "bin", "quillmarch")
    minimal = args.minimal or os.path.join(args.build, "bin", "minimal_window")
    data = args.data or os.path.join(args.build, "gamedata")

    env = dict(os.environ)
    xvfb = None
    if not env.get("DISPLAY"):
        read_end, write_end = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                                 "1024x768x24", "-nolisten", "tcp"], pass_fds=(write_end,))
        os.close(write_end)
        env["DISPLAY"] = ":" + os.read(read_end, 64).decode().strip()
        os.close(read_end)

    programs = {"minimal": minimal, "game": game}
    if args.baseline:
        programs["baseline"] = args.baseline
    names = list(programs)
    results = {name: [] for name in names}
    try:
        for run in range(args.runs):
            order = names[run % len(names):] + names[:run % len(names)]
            for which in order:
                if which == "minimal":
                    first, memory = run_once([minimal], env, "stdout", [b"presented"],
                                             args.settle, args.timeout)
                else:
                    home = tempfile.mkdtemp(prefix="qm-startup-")
                    try:
                        game_env = dict(env, QM_STARTUP_TRACE="1", XDG_DATA_HOME=home)
                        first, memory = run_once(
                            [programs[which], "--data", data], game_env, "stderr",
                            [b"the first frame is presented", b"the main screen is presented"],
                            args.settle, args.timeout)
                    finally:
                        shutil.rmtree(home, ignore_errors=True)
                results[which].append((first, memory))
                print(f"run {run + 1:2d} {which:8s} first frame {first:7.1f} ms  "
                      f"RSS {memory.get('VmRSS', 0):6.1f} MB "
                      f"(anon {memory.get('RssAnon', 0):6.1f}, file {memory.get('RssFile', 0):6.1f}, "
                      f"shmem {memory.get('RssShmem', 0):5.1f})", flush=True)
    finally:
        if xvfb:
            xvfb.terminate()
            xvfb.wait()

    def median(which, key=None):
        values = [first if key is None else memory.get(key, 0)
                  for first, memory in results[which]]
        return statistics.median(values)

    print()
    games = [name for name in names if name != "minimal"]
    print(f"{'median':24s} {'minimal':>9s}" + "".join(f" {g:>9s} {'ratio':>6s}" for g in games)
          + "  goal")
    rows = [("first frame (ms)", None, "<= 1.5"), ("RSS (MB)", "VmRSS", "<= 1.5"),
            ("  anonymous (MB)", "RssAnon", ""), ("  file (MB)", "RssFile", ""),
            ("  shared memory (MB)", "RssShmem", "")]
    for label, key, goal in rows:
        a = median("minimal", key)
        line = f"{label:24s} {a:9.1f}"
        for g in games:
            b = median(g, key)
            line += f" {b:9.1f} {b / a if a else float('nan'):6.2f}"
        print(line + "  " + goal)
    return 0


if __name__ == "__main__":
    sys.exit(main())
