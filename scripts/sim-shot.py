#!/usr/bin/env python3
"""Screenshot of the station connected to the detector simulator, under Xvfb.

Starts detector-sim on a pseudo-terminal and the station with Com1 on it and its
automation socket open, turns the loop switch on, fills the settings inputs as an operator
would before a save, lets a few poll cycles fill the display lines and the read-back
displays, then grabs the screen.
Run inside xvfb-run:
  xvfb-run -s "-screen 0 1366x768x24" scripts/sim-shot.py BINDIR OUT.png
"""
import os
import subprocess
import sys
import tempfile
import time

from stationbridge import ask, connect, start_station


# What an operator types before saving: the clock, ID, serial number, transmit times.
INPUTS = [("txtSet1_0", "26"), ("txtSet1_1", "12"), ("txtSet1_2", "10"), ("txtSet1_3", "09"),
          ("txtSet1_4", "41"), ("IDIN", "K40217"), ("SERIALIN", "20261210"), ("XTIME", "12"),
          ("LASERCH1", "0.5"), ("LASERCH2", "0.45"), ("LASERV1", "60"), ("LASERV2", "55"),
          ("FREQSET", "24")] + [(f"STTIME{i}", str(t)) for i, t in
                                enumerate([14, 30, 60, 60, 5, 5, 10, 30, 30], start=1)]


def main():
    bindir, out = os.path.abspath(sys.argv[1]), sys.argv[2]
    work = tempfile.mkdtemp(prefix="sim-shot.")
    link, sock_path = os.path.join(work, "com1"), os.path.join(work, "bridge")
    sim = subprocess.Popen([os.path.join(bindir, "detector-sim"), "--link", link, "--seed", "7"],
                           stdin=subprocess.PIPE, stdout=subprocess.DEVNULL)
    while not os.path.islink(link):
        time.sleep(0.05)
    station = None
    try:
        station = start_station(bindir, work, link, sock_path, offscreen=False, quiet=False)
        s = connect(sock_path, settle=2.0)  # splash gone, window settled
        for name, text in INPUTS:
            if ask(s, f"exists {name}") == "ok 1":
                ask(s, f"type {name} {text}")
        if ask(s, "checked LOOPSW") != "ok 1":
            ask(s, "click LOOPSW")
        time.sleep(3.0)  # several poll cycles: display lines and read-back displays
        sim.stdin.write(b"alarm 2\n")  # one alarm label lit, as in use
        sim.stdin.flush()
        time.sleep(0.4)
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


if __name__ == "__main__":
    main()
