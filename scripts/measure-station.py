#!/usr/bin/env python3
"""Measures the station's CPU use and memory while it polls the detector simulator.

Starts the simulator on a pty and the station (offscreen) with Com1 on it and its
automation socket open, turns the loop switch on when the window has one, then samples the
station's CPU time (the scheduler's nanosecond account where the kernel publishes it, and
the 10 ms ticks of /proc/<pid>/stat) and resident memory for the given number of seconds.

Usage: scripts/measure-station.py [seconds] [--scan] [--no-loop] [--headless]   (after a
build with the default preset)
  --scan      the simulated detector scans, so every screen frame differs from the last
  --no-loop   the loop switch stays off: the station only ticks, the floor under polling
  --headless  `remote --headless` instead of the window: it polls from the start
"""
import os
import subprocess
import sys
import tempfile
import time

from stationbridge import ask, connect, cpu_seconds, rss_mb, run_seconds, start_station

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BIN = os.environ.get("STATION_BIN", os.path.join(ROOT, "build", "default", "bin"))


def main():
    flags = {a for a in sys.argv[1:] if a.startswith("--")}
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    if flags - {"--scan", "--no-loop", "--headless"}:
        raise SystemExit(__doc__)
    scan, idle, headless = "--scan" in flags, "--no-loop" in flags, "--headless" in flags
    if headless and idle:
        raise SystemExit("--headless always polls")
    seconds = float(args[0]) if args else 60.0
    work = tempfile.mkdtemp(prefix="station-measure.")
    link, log, sock_path = (os.path.join(work, n) for n in ("com1", "frames.log", "bridge"))
    sim = subprocess.Popen([os.path.join(BIN, "detector-sim"), "--link", link, "--log", log],
                           stdin=subprocess.PIPE, stdout=subprocess.DEVNULL)
    while not os.path.islink(link):
        time.sleep(0.05)
    station = start_station(BIN, work, link, sock_path, headless=headless)
    try:
        if headless:
            polling = True
            time.sleep(2.0)  # its start-up: the settings file, the history
        else:
            s = connect(sock_path, settle=1.0)
            polling = not idle and ask(s, "exists LOOPSW") == "ok 1"
            if polling and ask(s, "checked LOOPSW") != "ok 1":
                ask(s, "click LOOPSW")
        if scan:
            # The detector sweeps: every screen frame carries a new frequency.
            sim.stdin.write(b"scan on\n")
            sim.stdin.flush()
            time.sleep(1.0)
        cpu0, run0, t0 = cpu_seconds(station.pid), run_seconds(station.pid), time.monotonic()
        peak = 0.0
        while time.monotonic() - t0 < seconds:
            time.sleep(1.0)
            peak = max(peak, rss_mb(station.pid))
        cpu = cpu_seconds(station.pid) - cpu0
        run1 = run_seconds(station.pid)
        elapsed = time.monotonic() - t0
        with open(log) as f:
            frames_in = sum(1 for line in f if " in " in line)
        print(f"{'headless, ' if headless else ''}"
              f"loop switch: {'on (polling)' if polling else 'off: the station does not poll'}"
              f"{', detector scanning' if scan else ''}")
        print(f"measured: {elapsed:.1f} s, commands received by the simulator: {frames_in}")
        print(f"CPU (10 ms ticks of /proc/<pid>/stat): {cpu:.2f} s = "
              f"{100.0 * cpu / elapsed:.2f} % of one core")
        if run0 is not None and run1 is not None:
            # The scheduler's account is exact; the tick count only samples.
            cpu = run1 - run0
            print(f"CPU (scheduler's run time): {cpu:.3f} s = "
                  f"{100.0 * cpu / elapsed:.3f} % of one core")
        if frames_in:
            # Each command gets one answer frame (screen or settings).
            print(f"CPU per frame answered: {1000.0 * cpu / frames_in:.2f} ms")
        print(f"RSS: {rss_mb(station.pid):.1f} MB (peak {peak:.1f} MB)")
    finally:
        station.kill()
        sim.terminate()
        station.wait()
        sim.wait()


if __name__ == "__main__":
    main()
