#!/usr/bin/env python3
"""Measures the time from the last byte of a screen frame on the line to the station's
label showing it.

Plays the detector itself on a pseudo-terminal: starts the station (offscreen) with Com1 on
it and its automation socket open, turns the loop switch on (the polls it then sends are
read and left unanswered), and then, a given number of times, writes a short screen frame
whose top line is new in one write and asks the station for BSCREEN_0's text until it shows
that line. The time runs from the return of the write to the answer that shows the text,
so each figure includes up to one round trip on the automation socket.

With --baseline the same frames and questions go to a few lines of Python in place of the
station (responder() below): what that shows is the pseudo-terminal, the socket and the
machine's scheduling alone, the floor under any program's figure.

Usage: scripts/measure-latency.py [count] [--baseline]   (after a build with the default
preset)
"""
import gc
import os
import select
import socket
import subprocess
import statistics
import sys
import tempfile
import time
import tty

from stationbridge import ask, connect, start_station

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BIN = os.environ.get("STATION_BIN", os.path.join(ROOT, "build", "default", "bin"))


def screen_frame(top):
    """A short screen frame as the detector sends it: sync, field 0, five lines of 16
    characters and a sixth field, then a blank tail up to 129 bytes and 13."""
    lines = [top, "Menu line 2", "Menu line 3", "Menu line 4", "Menu line 5"]
    body = b"STS,D" + b"".join(b"," + l.encode().ljust(16)[:16] for l in lines)
    body += b"," + lines[-1].encode().ljust(16) + b","
    return body.ljust(129, b" ") + b"\r"


def responder(link, sock_path):
    """The baseline: reads screen frames from the line and answers the measuring
    questions with the top line of the last one, doing nothing else."""
    line = os.open(link, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
    server = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    server.bind(sock_path)
    server.listen(1)
    client, top, pending = None, "", b""
    while True:
        ready = select.select([line, server] + ([client] if client else []), [], [])[0]
        if line in ready:
            pending += os.read(line, 4096)
            *frames, pending = pending.split(b"\r")
            for frame in frames:
                if frame.startswith(b"STS,"):
                    top = frame.split(b",")[2].decode()
        if server in ready:
            client = server.accept()[0]
        if client in ready:
            asked = client.recv(4096)
            if not asked:
                return
            for question in asked.decode().splitlines():
                answer = {"windows": "frmMain", "text BSCREEN_0": top}.get(question, "1")
                client.sendall(f"ok {answer}\n".encode())


def main():
    if sys.argv[1:2] == ["--responder"]:
        responder(sys.argv[2], sys.argv[3])
        return
    flags = {a for a in sys.argv[1:] if a.startswith("--")}
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    if flags - {"--baseline"}:
        raise SystemExit(__doc__)
    baseline = "--baseline" in flags
    count = int(args[0]) if args else 100
    work = tempfile.mkdtemp(prefix="station-latency.")
    link, sock_path = os.path.join(work, "com1"), os.path.join(work, "bridge")
    master, slave = os.openpty()
    tty.setraw(master)
    tty.setraw(slave)
    os.symlink(os.ttyname(slave), link)

    os.set_blocking(master, False)

    def drain():
        """Reads the station's polls, which are never answered. Done between two frames in
        this one thread: a second Python thread would make the timed one wait for the
        interpreter lock now and then, which is not the station's delay."""
        try:
            while os.read(master, 4096):
                pass
        except BlockingIOError:
            pass

    if baseline:
        station = subprocess.Popen([sys.executable, os.path.abspath(__file__), "--responder",
                                    link, sock_path])
    else:
        station = start_station(BIN, work, link, sock_path)
    try:
        s = connect(sock_path, settle=1.0)
        if ask(s, "checked LOOPSW") != "ok 1":
            ask(s, "click LOOPSW")
        times = []
        gc.disable()  # no collection pause inside a timed frame
        for i in range(count):
            drain()
            top = f"Latency {i:04d}"
            frame = screen_frame(top)
            os.write(master, frame)
            t0 = time.perf_counter()
            while ask(s, "text BSCREEN_0") != "ok " + top.ljust(16):
                if time.perf_counter() - t0 > 5.0:
                    raise SystemExit(f"frame {i}: the label never showed it")
            times.append(time.perf_counter() - t0)
            gc.collect()
            time.sleep(0.05 + 0.05 * (i % 3))  # land at varied points of the 100 ms tick
        ms = sorted(t * 1000 for t in times)
        print(f"{'baseline (no station), ' if baseline else ''}frames: {count}, "
              f"last byte to label: median {statistics.median(ms):.2f} ms, "
              f"p90 {ms[int(0.9 * (count - 1))]:.2f} ms, worst {ms[-1]:.2f} ms, "
              f"over 5 ms: {sum(1 for t in ms if t > 5.0)}")
        probe = []
        for _ in range(50):  # what one automation round trip costs, for comparison
            t0 = time.perf_counter()
            ask(s, "text BSCREEN_0")
            probe.append((time.perf_counter() - t0) * 1000)
        print(f"one automation round trip: median {statistics.median(probe):.2f} ms")
    finally:
        station.kill()
        station.wait()
        os.close(master)
        os.close(slave)


if __name__ == "__main__":
    main()
