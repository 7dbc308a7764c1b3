"""Starting the station beside a line and talking to it over its automation socket.

Shared by the measuring and screenshot scripts in this folder.
"""
import os
import socket
import subprocess
import time


def ask(sock, command):
    """Sends one command line to the automation socket and returns the answer line, blanks
    at its end kept (display lines are 16 characters wide)."""
    sock.sendall(command.encode() + b"\n")
    answer = b""
    while not answer.endswith(b"\n"):
        answer += sock.recv(4096)
    return answer.decode().rstrip("\n")


def start_station(bindir, work, link, sock_path, offscreen=True, quiet=True, headless=False,
                  wrapper=()):
    """Starts the station with Com1 on link, its automation socket at sock_path and its
    runtime and data folders inside work, so it never meets the user's own; headless: as
    `remote --headless`, with no display and a configuration folder in work (no broker);
    wrapper: a command the station runs under (a profiler)."""
    os.makedirs(os.path.join(work, "run"), 0o700, exist_ok=True)
    env = dict(os.environ, REMOTE_COM1=link, REMOTE_AUTOMATION_SOCKET=sock_path,
               XDG_RUNTIME_DIR=os.path.join(work, "run"),
               XDG_DATA_HOME=os.path.join(work, "data"))
    if headless:
        for name in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"):
            env.pop(name, None)
        env["XDG_CONFIG_HOME"] = os.path.join(work, "config")
    elif offscreen:
        env["QT_QPA_PLATFORM"] = "offscreen"
    out = subprocess.DEVNULL if quiet else None
    args = list(wrapper) + [os.path.join(bindir, "remote")] + (["--headless"] if headless else [])
    return subprocess.Popen(args, env=env, cwd=work, stdout=out, stderr=out)


def connect(sock_path, settle):
    """Connects to the station's socket, waits for its main window and then settle more
    seconds (the start-up work), and returns the connected socket."""
    s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    for _ in range(400):
        try:
            s.connect(sock_path)
            break
        except OSError:
            time.sleep(0.05)
    else:
        raise RuntimeError(f"no automation socket at {sock_path}: the station needs a build "
                           "with STATION_AUTOMATION=ON (the default and sanitize presets)")
    while "frmMain" not in ask(s, "windows"):
        time.sleep(0.1)
    time.sleep(settle)
    return s


TICKS = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS  # utime + stime


def run_seconds(pid):
    """Time on a CPU of every thread of pid, from the scheduler's own nanosecond account
    (/proc/<pid>/task/<tid>/sched), or None where the kernel does not publish it."""
    total = 0.0
    try:
        for tid in os.listdir(f"/proc/{pid}/task"):
            with open(f"/proc/{pid}/task/{tid}/sched") as f:
                for line in f:
                    if line.startswith("se.sum_exec_runtime"):
                        total += float(line.split(":")[1]) / 1000.0  # milliseconds
    except OSError:
        return None
    return total


def rss_mb(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024
    return 0.0
