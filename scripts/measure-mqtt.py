#!/usr/bin/env python3
"""Measures the time from an alarm code on the wire to its message at an MQTT subscriber.

Starts a mosquitto broker on 127.0.0.1 (a free port, a scratch configuration), a subscriber
(mosquitto_sub, QoS 1) on the alarm topic, and `remote --headless` with Com1 on a
pseudo-terminal this script holds. It then writes one three-byte alarm code at a time,
rotating over the nine channels every 200 ms (each label fades before its channel is raised
again), and takes the time from the write to the subscriber's line. The station's polls are
read and dropped. Prints the median, the 99th percentile and the maximum.

Usage: scripts/measure-mqtt.py [alarms]   (default 500; after a build with the default
preset; STATION_BIN names another bin folder)
"""
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time
import tty

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BIN = os.environ.get("STATION_BIN", os.path.join(ROOT, "build", "default", "bin"))
CODES = [b"FA1", b"FB1", b"FB5", b"FB6", b"FB8", b"FB9", b"FBA", b"FBB", b"FBC"]


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_port(port, timeout=20.0):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        try:
            socket.create_connection(("127.0.0.1", port), 0.2).close()
            return
        except OSError:
            time.sleep(0.05)
    raise RuntimeError("the broker did not start")


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 500
    work = tempfile.mkdtemp(prefix="mqtt-measure.")
    port = free_port()
    conf = os.path.join(work, "mosquitto.conf")
    with open(conf, "w") as f:
        f.write(f"user {os.environ.get('USER') or 'root'}\nlistener {port} 127.0.0.1\n"
                "allow_anonymous true\n")
    broker = subprocess.Popen([shutil.which("mosquitto") or "/usr/sbin/mosquitto", "-c", conf],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wait_port(port)
    sub = subprocess.Popen(["stdbuf", "-oL", "mosquitto_sub", "-h", "127.0.0.1", "-p", str(port),
                            "-q", "1", "-t", "remote/bench/alarm"],
                           stdout=subprocess.PIPE, bufsize=0)
    master, slave = os.openpty()
    tty.setraw(slave)
    device = os.ttyname(slave)
    for folder in ("run", "data", "config/remote"):
        os.makedirs(os.path.join(work, folder), 0o700, exist_ok=True)
    with open(os.path.join(work, "config/remote/remote.ini"), "w") as f:
        f.write(f"[mqtt]\nhost=127.0.0.1\nport={port}\nstation=bench\n")
    env = dict(os.environ, REMOTE_COM1=device, XDG_RUNTIME_DIR=os.path.join(work, "run"),
               XDG_DATA_HOME=os.path.join(work, "data"),
               XDG_CONFIG_HOME=os.path.join(work, "config"))
    station = subprocess.Popen([os.path.join(BIN, "remote"), "--headless"], env=env, cwd=work,
                               stderr=subprocess.PIPE, stdout=subprocess.DEVNULL, text=True)
    connected = threading.Event()

    def log():
        for line in station.stderr:
            if "MQTT: connected" in line:
                connected.set()

    def drain():
        # The station's polls: read and dropped, so the line never backs up.
        while True:
            try:
                if not os.read(master, 4096):
                    return
            except OSError:
                return

    threading.Thread(target=log, daemon=True).start()
    threading.Thread(target=drain, daemon=True).start()
    try:
        if not connected.wait(30):
            raise SystemExit("the station did not connect to the broker")
        time.sleep(1.0)
        lines = sub.stdout
        times = []
        warmup = 9
        for i in range(count + warmup):
            channel = i % len(CODES)
            t0 = time.monotonic()
            os.write(master, CODES[channel])
            line = lines.readline()
            t1 = time.monotonic()
            if f'"channel":{channel},'.encode() not in line:
                raise SystemExit(f"unexpected message: {line!r}")
            if i >= warmup:
                times.append(t1 - t0)
            time.sleep(max(0.0, 0.2 - (time.monotonic() - t0)))
        times.sort()
        ms = [1000.0 * t for t in times]
        print(f"{len(ms)} alarms, wire to subscriber: median {ms[len(ms) // 2]:.2f} ms, "
              f"99th percentile {ms[int(0.99 * (len(ms) - 1))]:.2f} ms, "
              f"max {ms[-1]:.2f} ms, min {ms[0]:.2f} ms")
    finally:
        station.terminate()
        station.wait()
        sub.terminate()
        broker.terminate()
        sub.wait()
        broker.wait()
        os.close(master)
        os.close(slave)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
