#!/usr/bin/env python3
"""What the program costs at rest: wake-ups per second and CPU over a minute.

The real program (a copy, so that ports/ and its settings lie in a folder of this script's own)
runs under its own Xvfb against zulsim on a pseudo-terminal linked as ports/com1; "Select Port"
is answered with xdotool. Once the start-up chain is done (two of the unit's reports), the
window is left alone: link alive, a report every 10 s, no chain running. Wake-ups are the
context switches of each thread (voluntary: it slept and was woken; nonvoluntary: preempted,
which a busy machine adds), counted from /proc/<pid>/task/<tid>/status; CPU is the threads' time
on the CPU from /proc/<pid>/task/<tid>/schedstat (and utime + stime, in ticks).

Needs Xvfb and xdotool (Debian packages xvfb, xdotool) and a built program and unit:
cmake --build build --target zulset zulsim.

  bench/rest_pty.py                   # a minute at rest, PHONE page on screen
  bench/rest_pty.py --monitor --seconds 120
"""
import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from flood_pty import Xvfb, cpu_seconds, die, wait_window, xdotool

TICK = os.sysconf("SC_CLK_TCK")


def switches(pid):
    """{tid: (name, voluntary, nonvoluntary, ns on the CPU)} for every thread of the process."""
    result = {}
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/status") as f:
                fields = dict(line.split(":", 1) for line in f if ":" in line)
            with open(f"/proc/{pid}/task/{tid}/schedstat") as f:
                ran = int(f.read().split()[0])
        except OSError:
            continue  # the thread ended meanwhile
        result[tid] = (fields["Name"].strip(), int(fields["voluntary_ctxt_switches"]),
                       int(fields["nonvoluntary_ctxt_switches"]), ran)
    return result


def wait_for_line(path, text, timeout):
    end = time.time() + timeout
    while time.time() < end:
        with open(path, "rb") as f:
            if text in f.read():
                return
        time.sleep(0.1)
    die(f"zulsim never received {text!r}")


def run(args, display, work):
    program_dir = os.path.join(work, "zulset")
    ports = os.path.join(program_dir, "ports")
    os.makedirs(ports)
    program = os.path.join(program_dir, "zulset")
    shutil.copy2(args.zulset, program)
    log_path = os.path.join(work, "zulsim.log")
    with open(log_path, "wb") as log:
        unit = subprocess.Popen([args.zulsim, "--com", "1", "--ports-dir", ports, "--demo",
                                 "--interval", str(args.interval)],
                                stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=log)
    proc = None
    try:
        if not unit.stdout.readline().startswith(b"COM1 "):
            die("zulsim did not start")
        env = {**os.environ, "DISPLAY": display}
        env.pop("QT_QPA_PLATFORM", None)
        proc = subprocess.Popen([program], cwd=program_dir, env=env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        dialog = wait_window(display, "Select Port")
        xdotool(display, "windowfocus", "--sync", dialog)
        xdotool(display, "key", "Return")  # COM1, ports/com1: the first entry
        window = wait_window(display, "zulset")
        if args.monitor:
            xdotool(display, "windowfocus", "--sync", window)
            xdotool(display, "key", "ctrl+Tab", "ctrl+Tab")
        # The start-up chain ends with the phone book size, asked after the first report.
        wait_for_line(log_path, b"<- AT+CPBR=?", args.interval * 3 + 30)
        time.sleep(args.interval * 1.5)
        if args.screenshot:
            subprocess.run(["scrot", "-o", args.screenshot], env=env, check=False)

        print(f"at rest for {args.seconds} s (a report every {args.interval:g} s) ...",
              flush=True)
        before, cpu0, t0 = switches(proc.pid), cpu_seconds(proc.pid), time.time()
        time.sleep(args.seconds)
        after, cpu1, t1 = switches(proc.pid), cpu_seconds(proc.pid), time.time()
        if proc.poll() is not None:
            die("the program ended while it was measured")
        span = t1 - t0
        print("\n| thread | wake-ups/s (voluntary + nonvoluntary) | CPU ms |\n|---|---:|---:|")
        total = voluntary = ran = 0
        for tid, (name, vol, nonvol, ns) in sorted(after.items(), key=lambda kv: int(kv[0])):
            _, vol0, nonvol0, ns0 = before.get(tid, (name, 0, 0, 0))
            n = (vol - vol0) + (nonvol - nonvol0)
            total += n
            voluntary += vol - vol0
            ran += ns - ns0
            label = name + (" (window thread)" if tid == str(proc.pid) else "")
            print(f"| {label} | {n / span:.2f} ({vol - vol0} + {nonvol - nonvol0}) | "
                  f"{(ns - ns0) / 1e6:.1f} |")
        print(f"| all threads | {total / span:.2f} (voluntary only: {voluntary / span:.2f}) | "
              f"{ran / 1e6:.1f} |")
        print(f"\nCPU: {ran / 1e6:.1f} ms in {span:.0f} s = {100 * ran / 1e9 / span:.3f} % "
              f"(utime + stime: {cpu1 - cpu0:.2f} s in ticks of {1000 // TICK} ms)")
    finally:
        if proc:
            proc.terminate()
            proc.wait()
        unit.terminate()
        unit.wait()


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--zulset", default=os.path.join(here, "..", "build", "bin", "zulset"))
    parser.add_argument("--zulsim", default=os.path.join(here, "..", "build", "bin", "zulsim"))
    parser.add_argument("--seconds", type=float, default=60)
    parser.add_argument("--interval", type=float, default=10, help="seconds between reports")
    parser.add_argument("--monitor", action="store_true", help="the MONITOR page on screen")
    parser.add_argument("--screenshot", help="a PNG of the screen before measuring (scrot)")
    args = parser.parse_args()
    for tool in ("Xvfb", "xdotool"):
        if not shutil.which(tool):
            die(f"{tool} is missing (Debian packages xvfb and xdotool)")
    for path in (args.zulset, args.zulsim):
        if not os.access(path, os.X_OK):
            die(f"{path} not found: cmake --build build --target zulset zulsim")
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    xvfb = Xvfb()
    work = tempfile.mkdtemp(prefix="rest_pty.")
    try:
        run(args, xvfb.display, work)
    finally:
        xvfb.stop()
        shutil.rmtree(work, ignore_errors=True)
