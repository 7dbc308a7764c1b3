#!/usr/bin/env python3
"""Screenshot of the station's main window in a realistic state, under Xvfb.

Starts the real program with Com1 on a pseudo-terminal, answers its polls with a screen frame
(one line highlighted), a settings frame and a repeated alarm code, then grabs the screen.
Run inside xvfb-run:  xvfb-run -s "-screen 0 1366x768x24" scripts/window-shot.py BIN OUT.png
"""
import os
import pty
import subprocess
import sys
import tempfile
import time
import tty


def screen_frame(fields):
    body = ",".join([""] + fields)
    body = " " * (125 - len(body)) + body  # field 0 is padded: the frame has its exact size
    assert len(body) == 125
    return b"STS," + body.encode("latin-1") + b"\r"


def settings_frame():
    data = [26, 12, 10, 9, 41, 27]           # 2026-12-10 09:41:27
    data += list(b"K40217")                 # identification number
    data += [12]                            # RF transmit time
    data += [1, 44, 0, 187]                 # laser QZ 3.00, 1.87
    data += [50, 45]                        # laser Q 0.50, 0.45
    data += [60, 55]                        # laser volumes
    data += [14, 30, 60, 60]                # channels 0 to 3
    data += [24]                            # repeat time
    data += [0b0101]                        # switches 0 and 2 on
    data += list(b"20261210")               # serial number
    data += [5, 5, 10, 30, 30]              # channels 4 to 8
    data += [4, 210, 0, 96]                 # laser QS 12.34, 0.96
    data += [0, 0, 0, 0]
    assert len(data) == 48
    total = sum(data)
    return b"SETS" + bytes(data) + bytes([total >> 8, total & 0xFF]) + b"\r"


def main():
    program, out = sys.argv[1], sys.argv[2]
    master, slave = pty.openpty()
    tty.setraw(slave)
    env = dict(os.environ)
    env["REMOTE_COM1"] = os.ttyname(slave)
    env["XDG_RUNTIME_DIR"] = tempfile.mkdtemp()
    station = subprocess.Popen([program], env=env)
    try:
        time.sleep(6)  # splash, loading step, main window
        lines = ["Close Call 146.520", "LASER 1 OK", "****************",
                 "LASER 2 OK", "EXT ALL OFF", "MENU  SCAN  HOLD"]
        for _ in range(4):
            os.write(master, screen_frame(lines))
            os.write(master, settings_frame())
            os.write(master, b"FB1")
            time.sleep(0.3)
        os.write(master, b"FB1")
        time.sleep(0.2)
        shot = subprocess.run(["xwd", "-root", "-silent"], check=True, capture_output=True).stdout
        pnm = subprocess.run(["xwdtopnm"], input=shot, check=True, capture_output=True).stdout
        png = subprocess.run(["pnmtopng"], input=pnm, check=True, capture_output=True).stdout
        with open(out, "wb") as f:
            f.write(png)
    finally:
        station.kill()
        station.wait()


if __name__ == "__main__":
    main()
