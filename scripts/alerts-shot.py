#!/usr/bin/env python3
"""Screenshot of the station with the desktop notification of an alarm, under Xvfb.

A session bus of its own, a real notification daemon (dunst) on it, the detector simulator
on a pseudo-terminal and the station with Com1 on it. The loop switch goes on, channel 2
alarms twice (the second replaces the first notification and counts it), then the screen
is grabbed. The Alerts dialog's picture comes from alerts-gallery.
Run inside xvfb-run:
  xvfb-run -s "-screen 0 1366x768x24" scripts/alerts-shot.py BINDIR OUT.png
"""
import os
import subprocess
import sys
import tempfile
import time

from stationbridge import ask, connect, start_station


def main():
    bindir, out = os.path.abspath(sys.argv[1]), sys.argv[2]
    work = tempfile.mkdtemp(prefix="alerts-shot.")
    # The station and the daemon meet on this bus only; the user's own is left alone.
    bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1",
                            f"--address=unix:dir={work}"], stdout=subprocess.PIPE)
    os.environ["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().decode().strip()
    os.environ["XDG_CONFIG_HOME"] = os.path.join(work, "config")  # [alerts] at its defaults
    dunst = subprocess.Popen(["dunst"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    link, sock_path = os.path.join(work, "com1"), os.path.join(work, "bridge")
    sim = subprocess.Popen([os.path.join(bindir, "detector-sim"), "--link", link, "--seed", "7"],
                           stdin=subprocess.PIPE, stdout=subprocess.DEVNULL)
    while not os.path.islink(link):
        time.sleep(0.05)
    station = None
    try:
        station = start_station(bindir, work, link, sock_path, offscreen=False, quiet=False)
        s = connect(sock_path, settle=2.0)
        if ask(s, "checked LOOPSW") != "ok 1":
            ask(s, "click LOOPSW")
        time.sleep(2.0)  # display lines and read-back displays filled
        for _ in range(2):  # a burst of two on one channel: one notification, counted
            sim.stdin.write(b"alarm 2\n")
            sim.stdin.flush()
            time.sleep(1.5)
        sim.stdin.write(b"alarm 2\n")
        sim.stdin.flush()
        time.sleep(0.5)
        shot = subprocess.run(["xwd", "-root", "-silent"], check=True, capture_output=True).stdout
        pnm = subprocess.run(["xwdtopnm"], input=shot, check=True, capture_output=True).stdout
        png = subprocess.run(["pnmtopng"], input=pnm, check=True, capture_output=True).stdout
        with open(out, "wb") as f:
            f.write(png)
    finally:
        if station:
            station.kill()
            station.wait()
        sim.terminate()
        sim.wait()
        dunst.terminate()
        dunst.wait()
        bus.terminate()
        bus.wait()


if __name__ == "__main__":
    main()
