#!/usr/bin/env python3
"""Measures what the station's real window costs, under Xvfb (1366 x 768).

Three ways to drive it:
  frames (the default)  this script plays the detector on a pseudo-terminal and writes a
                        screen frame every 100 ms whose last display line changes each time,
                        ended by CR LF; the loop switch stays off, so nothing else reaches
                        the window
  --poll                the detector simulator answers the station, which polls it
  --scan                the same, with the simulated detector scanning: every screen
                        frame it answers carries a new frequency
  --idle                nothing on the line and the loop switch off: the station only
                        ticks; the figures are then per 100 ms tick, the floor under the rest

For each run it reads the scheduler's nanosecond account of every thread of the station and
of the X server (/proc/<pid>/task/<tid>/schedstat) before and after the measured frames, and
the station's resident memory at the end. Several runs give the median; with several
--bin folders the builds take turns, run by run, so they meet the same machine.

Usage: scripts/measure-window.py [--poll | --scan | --idle] [--runs N] [--seconds S]
                                 [--bin DIR]... [--floor] [--perf FILE | --callgrind FILE]
  --bin DIR   a bin folder holding remote and detector-sim (default build/default/bin); give
              it more than once to compare builds
  --floor     also run, taking turns with the builds, the least Qt window that does the
              same work (benchmarks/window/window-floor, built beside the first --bin): it
              polls as the station does, lights a receive lamp, and shows the last display
              line of each screen frame and the other answers in two labels; what Qt, the
              kernel and the X server cost for that work before any of the station's own
  --perf FILE record a call-graph profile of the station (perf record) over the first run
  --callgrind FILE
              run the station under callgrind, counting instructions only while the measured
              frames arrive (callgrind_annotate --inclusive=yes FILE shows where they go);
              its time figures are then the profiler's, not the station's
"""
import argparse
import os
import signal
import statistics
import subprocess
import sys
import tempfile
import time
import tty

from stationbridge import ask, connect, rss_mb, start_station

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FRAME_PERIOD = 0.1  # seconds between two screen frames, the detector's own pace


def screen_frame(last):
    """A short screen frame: sync, field 0, four fixed lines, a last line that changes, the
    sixth field (which lands on the last line), a blank tail up to 129 bytes and 13; then
    LF, which a terminal wants and the station skips before the next sync."""
    lines = ["RF DETECTOR", "Sweep 1.0-6.0 G", "Level  -72 dBm", "Mode  Auto", last]
    body = b"STS,D" + b"".join(b"," + l.encode().ljust(16)[:16] for l in lines)
    body += b"," + last.encode().ljust(16)[:16] + b","
    return body.ljust(129, b" ") + b"\r\n"


def thread_ns(pid):
    """Nanoseconds on a CPU, all threads of pid together."""
    total = 0
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/schedstat") as f:
                total += int(f.read().split()[0])
        except (OSError, ValueError, IndexError):
            pass  # a thread that ended between the listing and the read
    return total


def start_xvfb():
    """Starts Xvfb on a free display number; returns the process and its DISPLAY."""
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1366x768x24",
                             "-nolisten", "tcp", "-noreset"],
                            pass_fds=(write_end,), stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    os.close(write_end)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(read_end, 16)
        if not chunk:
            raise SystemExit("Xvfb did not start")
        number += chunk
    os.close(read_end)
    return xvfb, ":" + number.decode().strip()


class Drive:
    """Feeds the station: the script's own frames or the simulator."""

    def __init__(self, mode, bindir, work):
        self.mode, self.count = mode, 0
        self.link = os.path.join(work, "com1")
        if mode in ("frames", "idle"):
            self.master, self.slave = os.openpty()
            tty.setraw(self.master)
            tty.setraw(self.slave)
            os.set_blocking(self.master, False)
            os.symlink(os.ttyname(self.slave), self.link)
            self.sim = None
        else:
            self.log = os.path.join(work, "frames.log")
            self.sim = subprocess.Popen([os.path.join(bindir, "detector-sim"), "--link",
                                         self.link, "--log", self.log],
                                        stdin=subprocess.PIPE, stdout=subprocess.DEVNULL)
            while not os.path.islink(self.link):
                time.sleep(0.05)

    def start(self, sock):
        if self.mode in ("poll", "scan"):
            if ask(sock, "checked LOOPSW") != "ok 1":
                ask(sock, "click LOOPSW")
            if self.mode == "scan":
                self.sim.stdin.write(b"scan on\n")
                self.sim.stdin.flush()

    def frames_answered(self):
        with open(self.log) as f:
            return sum(1 for line in f if " in " in line)

    def run(self, seconds):
        """Drives the station for seconds; returns the number of frames it was sent."""
        if self.mode == "idle":
            time.sleep(seconds)
            return int(seconds / FRAME_PERIOD)  # ticks
        if self.mode != "frames":
            before = self.frames_answered()
            time.sleep(seconds)
            return self.frames_answered() - before
        frames = int(seconds / FRAME_PERIOD)
        t0 = time.monotonic()
        for i in range(frames):
            self.count += 1
            self.last = f"Count {self.count:06d}"
            os.write(self.master, screen_frame(self.last))
            try:
                while os.read(self.master, 4096):
                    pass
            except BlockingIOError:
                pass
            wait = t0 + (i + 1) * FRAME_PERIOD - time.monotonic()
            if wait > 0:
                time.sleep(wait)
        return frames

    def check(self, sock):
        """The window shows the last frame's line: the frames were read, not dropped."""
        if self.mode == "frames":
            deadline = time.monotonic() + 5.0
            while ask(sock, "text BSCREEN_4") != "ok " + self.last.ljust(16):
                if time.monotonic() > deadline:
                    raise SystemExit("the window never showed the last frame's line")
                time.sleep(0.05)

    def close(self):
        if self.sim:
            self.sim.terminate()
            self.sim.wait()
        else:
            os.close(self.master)
            os.close(self.slave)


FLOOR = "least Qt window (window-floor)"


def floor_program(bindir):
    return os.path.join(os.path.dirname(bindir), "benchmarks", "window", "window-floor")


def start_floor(bindir, work, link, idle):
    """Starts the floor program on link; it needs no socket and polls from its first tick."""
    os.makedirs(os.path.join(work, "run"), 0o700, exist_ok=True)
    env = dict(os.environ, REMOTE_COM1=link, XDG_RUNTIME_DIR=os.path.join(work, "run"),
               QT_XCB_NO_MITSHM="1")  # what the station chooses for itself
    return subprocess.Popen([floor_program(bindir)] + (["--no-poll"] if idle else []), env=env,
                            cwd=work, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def one_run(args, contestant, perf_file=None):
    floor = contestant == FLOOR
    bindir = args.bins[0] if floor else contestant
    work = tempfile.mkdtemp(prefix="station-window.")
    xvfb, display = start_xvfb()
    drive = Drive(args.mode, bindir, work)
    saved = {k: os.environ.get(k) for k in ("DISPLAY", "QT_QPA_PLATFORM")}
    os.environ["DISPLAY"] = display
    os.environ.pop("QT_QPA_PLATFORM", None)
    wrapper = []
    if args.callgrind:
        wrapper = ["valgrind", "--tool=callgrind", "--instr-atstart=no",
                   f"--callgrind-out-file={args.callgrind}"]
    if floor:
        station = start_floor(bindir, work, drive.link, args.mode in ("idle", "frames"))
    else:
        station = start_station(bindir, work, drive.link, os.path.join(work, "bridge"),
                                offscreen=False, wrapper=wrapper)
    for k, v in saved.items():
        if v is None:
            os.environ.pop(k, None)
        else:
            os.environ[k] = v
    perf = None
    try:
        if floor:
            sock = None
            time.sleep(3.0)  # about what the station's start-up and settling take
        else:
            sock = connect(os.path.join(work, "bridge"), settle=2.0)
            drive.start(sock)
        drive.run(2.0)  # the first frames lay the window out once
        if perf_file:
            perf = subprocess.Popen(["perf", "record", "-q", "-g", "-F", "2000", "-o", perf_file,
                                     "-p", str(station.pid)],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            time.sleep(0.5)
        if args.callgrind:
            subprocess.run(["callgrind_control", "-i", "on", str(station.pid)],
                           stdout=subprocess.DEVNULL, check=True)
        s0, x0, t0 = thread_ns(station.pid), thread_ns(xvfb.pid), time.monotonic()
        frames = drive.run(args.seconds)
        s1, x1, t1 = thread_ns(station.pid), thread_ns(xvfb.pid), time.monotonic()
        if perf:
            perf.send_signal(signal.SIGINT)
            perf.wait()
        if args.callgrind:
            subprocess.run(["callgrind_control", "-i", "off", str(station.pid)],
                           stdout=subprocess.DEVNULL, check=True)
            subprocess.run(["callgrind_control", "-d", str(station.pid)],
                           stdout=subprocess.DEVNULL, check=True)
        if not floor:
            drive.check(sock)
        return {"station_ms": (s1 - s0) / 1e6 / max(frames, 1),
                "x_ms": (x1 - x0) / 1e6 / max(frames, 1),
                "core_pct": 100.0 * (s1 - s0) / 1e9 / (t1 - t0),
                "rss": rss_mb(station.pid), "frames": frames}
    finally:
        station.terminate()  # callgrind writes its file on the way out
        try:
            station.wait(timeout=20)
        except subprocess.TimeoutExpired:
            station.kill()
            station.wait()
        drive.close()
        xvfb.terminate()
        xvfb.wait()


def main():
    parser = argparse.ArgumentParser(usage=__doc__)
    parser.add_argument("--poll", dest="mode", action="store_const", const="poll")
    parser.add_argument("--scan", dest="mode", action="store_const", const="scan")
    parser.add_argument("--idle", dest="mode", action="store_const", const="idle")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--seconds", type=float, default=30.0)
    parser.add_argument("--bin", action="append", dest="bins")
    parser.add_argument("--floor", action="store_true")
    parser.add_argument("--perf")
    parser.add_argument("--callgrind")
    args = parser.parse_args()
    args.mode = args.mode or "frames"
    bins = args.bins = args.bins or [os.path.join(ROOT, "build", "default", "bin")]
    if args.floor:
        if not os.access(floor_program(bins[0]), os.X_OK):
            raise SystemExit(f"no {floor_program(bins[0])}: build the window-floor target")
        bins = bins + [FLOOR]
    results = {b: [] for b in bins}
    for run in range(args.runs):
        for b in bins:
            r = one_run(args, b, args.perf if run == 0 and b == bins[0] else None)
            results[b].append(r)
            print(f"run {run + 1} {b}: station {r['station_ms']:.3f} ms/frame, X server "
                  f"{r['x_ms']:.3f} ms/frame, {r['core_pct']:.3f} % of one core, "
                  f"RSS {r['rss']:.1f} MB, {r['frames']} frames", flush=True)
    with open("/proc/loadavg") as f:
        load = f.read().split()[0]
    print(f"\n{args.mode}, {args.runs} runs of {args.seconds:.0f} s, load average {load}")
    print("| Build | Station CPU per frame | X server per frame | % of one core | RSS |")
    print("|---|---|---|---|---|")
    for b, rs in results.items():
        def med(key):
            return statistics.median(r[key] for r in rs)

        def span(key, fmt):
            lo, hi = min(r[key] for r in rs), max(r[key] for r in rs)
            return f"{fmt.format(med(key))} ({fmt.format(lo)}-{fmt.format(hi)})"
        print(f"| {b} | {span('station_ms', '{:.3f}')} ms | {span('x_ms', '{:.3f}')} ms | "
              f"{span('core_pct', '{:.3f}')} % | {med('rss'):.1f} MB |")


if __name__ == "__main__":
    main()
