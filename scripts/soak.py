#!/usr/bin/env python3
"""Runs the station against the detector simulator for a long time and samples its health.

The simulator plays the detector on a pty; the station (offscreen, its automation socket
open) polls it with the loop switch on. Meanwhile the script raises alarms on the channels
in turn, sends bursts of line noise, and every so often pulls the plug: the simulator ends
(the pty disappears) and comes back on the same link a few seconds later, as a USB adapter
pulled and plugged back does.

Every sample gives the station's resident memory, open descriptors, CPU, the size of the
alarm history's write-ahead log and the rows in the history. At the end the alarms the
script raised while the station was polling are held against the rows stored.

Usage: scripts/soak.py [minutes] [--quick]   (after a build with the default preset)
  minutes   how long to run (default 30)
  --quick   alarms, noise and unplugs ten times as often (a short run that still meets
            every path)
"""
import glob
import os
import sqlite3
import subprocess
import sys
import tempfile
import time

from stationbridge import ask, connect, rss_mb, run_seconds, start_station

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BIN = os.environ.get("STATION_BIN", os.path.join(ROOT, "build", "default", "bin"))

# Seconds between events at the normal pace. An alarm label stays red for about a second,
# so a channel is raised again only after all nine had their turn.
ALARM_EVERY = 2.0
NOISE_EVERY = 30.0
UNPLUG_EVERY = 300.0
UNPLUGGED_FOR = 3.0
SAMPLE_EVERY = 10.0


class Simulator:
    """The simulated detector on a pty at link, started again after each unplug."""

    def __init__(self, link, log):
        self.link, self.log = link, log
        self.proc = None
        self.plug()

    def plug(self):
        self.proc = subprocess.Popen([os.path.join(BIN, "detector-sim"), "--link", self.link,
                                      "--log", self.log],
                                     stdin=subprocess.PIPE, stdout=subprocess.DEVNULL)
        while not os.path.islink(self.link):
            time.sleep(0.05)

    def unplug(self):
        self.proc.terminate()
        self.proc.wait()
        # The simulator leaves its link behind only when it dies; make sure it is gone.
        if os.path.lexists(self.link):
            os.unlink(self.link)

    def say(self, line):
        self.proc.stdin.write(line.encode() + b"\n")
        self.proc.stdin.flush()

    def polls_seen(self):
        """How many poll commands the simulator has received so far in its log."""
        try:
            with open(self.log) as f:
                return sum(1 for line in f if " in poll" in line)
        except OSError:
            return 0


def descriptors(pid):
    return len(os.listdir(f"/proc/{pid}/fd"))


def history_file(work):
    found = glob.glob(os.path.join(work, "data", "**", "alarm-history.sqlite3"), recursive=True)
    return found[0] if found else None


def history_rows(path):
    if not path:
        return 0
    db = sqlite3.connect(f"file:{path}?mode=ro", uri=True, timeout=5)
    try:
        return db.execute("SELECT count(*) FROM alarm").fetchone()[0]
    finally:
        db.close()


def wal_bytes(path):
    try:
        return os.path.getsize(path + "-wal") if path else 0
    except OSError:
        return 0


def wait_for_polls(sim, after, limit=30.0):
    """Waits until the simulator has seen a poll beyond the count after: the station has
    the line again."""
    end = time.monotonic() + limit
    while time.monotonic() < end:
        if sim.polls_seen() > after:
            return True
        time.sleep(0.1)
    return False


def main():
    flags = {a for a in sys.argv[1:] if a.startswith("--")}
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    if flags - {"--quick"} or len(args) > 1:
        raise SystemExit(__doc__)
    minutes = float(args[0]) if args else 30.0
    pace = 0.1 if "--quick" in flags else 1.0
    work = tempfile.mkdtemp(prefix="station-soak.")
    link, sock_path = os.path.join(work, "com1"), os.path.join(work, "bridge")
    sim = Simulator(link, os.path.join(work, "frames-0.log"))
    station = start_station(BIN, work, link, sock_path)
    raised = unplugs = noise = 0
    samples = []
    try:
        s = connect(sock_path, settle=1.0)
        if ask(s, "checked LOOPSW") != "ok 1":
            ask(s, "click LOOPSW")
        wait_for_polls(sim, 0)
        start = time.monotonic()
        next_alarm = next_noise = next_unplug = next_sample = start
        next_noise += NOISE_EVERY * pace
        next_unplug += UNPLUG_EVERY * pace
        channel = 0
        while True:
            now = time.monotonic()
            if now >= next_sample:
                path = history_file(work)
                samples.append((now - start, rss_mb(station.pid), descriptors(station.pid),
                                run_seconds(station.pid), wal_bytes(path), history_rows(path)))
                t, rss, fds, cpu, wal, rows = samples[-1]
                print(f"{t:7.0f} s  RSS {rss:6.1f} MB  fds {fds:3d}  CPU {cpu:7.2f} s  "
                      f"WAL {wal / 1024:8.1f} KiB  rows {rows:6d}  raised {raised:6d}", flush=True)
                next_sample += SAMPLE_EVERY
                if now - start >= minutes * 60:
                    break
            if station.poll() is not None:
                raise SystemExit(f"the station ended with status {station.returncode}")
            if now >= next_unplug:
                sim.unplug()
                time.sleep(UNPLUGGED_FOR)
                sim = Simulator(link, os.path.join(work, f"frames-{unplugs + 1}.log"))
                unplugs += 1
                # Alarms count only once the station has the line again.
                wait_for_polls(sim, 0)
                next_unplug = time.monotonic() + UNPLUG_EVERY * pace
            elif now >= next_noise:
                sim.say("fault noise 200")
                noise += 1
                next_noise += NOISE_EVERY * pace
            elif now >= next_alarm:
                sim.say(f"alarm {channel}")
                raised += 1
                channel = (channel + 1) % 9
                next_alarm += ALARM_EVERY
            time.sleep(0.02)
        # The last alarm reaches the history within a tick or two.
        time.sleep(1.0)
        path = history_file(work)
        rows = history_rows(path)
        first, last = samples[0], samples[-1]
        elapsed = last[0] - first[0]
        print()
        print(f"ran {elapsed / 60:.1f} min: {raised} alarms raised, {noise} noise bursts, "
              f"{unplugs} unplugs")
        print(f"RSS {first[1]:.1f} MB at start, {last[1]:.1f} MB at the end "
              f"(growth {last[1] - first[1]:+.1f} MB, peak {max(x[1] for x in samples):.1f} MB)")
        print(f"descriptors {first[2]} at start, {last[2]} at the end "
              f"(most {max(x[2] for x in samples)})")
        if first[3] is not None and last[3] is not None:
            print(f"CPU {100.0 * (last[3] - first[3]) / elapsed:.3f} % of one core")
        print(f"write-ahead log at most {max(x[4] for x in samples) / 1024:.1f} KiB")
        print(f"history rows {rows}, alarms raised {raised}: "
              f"{'all stored' if rows == raised else 'MISMATCH'}")
        return 0 if rows == raised else 1
    finally:
        station.terminate()
        try:
            station.wait(timeout=10)
        except subprocess.TimeoutExpired:
            station.kill()
            station.wait()
        sim.unplug()


if __name__ == "__main__":
    sys.exit(main())
