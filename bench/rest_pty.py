#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""What the program costs at rest: wake-ups per second and CPU over a minute.

The real program (a copy, so that ports/ and its settings lie in a folder of this script's own)
runs under its own Xvfb against zulsim on a pseudo-terminal linked as ports/com1; "Select Port"
is answered with xdotool. Once the start-up chain is done (two of the unit's reports), the
window is left alone: link alive, a report every 10 s, no chain running. Wake-ups are the
context switches of each thread (voluntary: it slept and was woken; nonvoluntary: preempted,
which a busy machine adds), counted from /proc/<pid>/task/<tid>/status; CPU is the threads' time
on the CPU from /proc/<pid>/task/<tid>/schedstat (and utime + stime, in ticks).

Needs Xvfb and xdotool (Debian packages xvfb and xdotool) and a built program and unit:
cmake --build build --target zulset zulsim.

  bench/rest_pty.py                   # a minute at rest, PHONE page on screen
  bench/rest_pty.py --monitor --seconds 120

--logger measures `zulset-cli log-admissions` instead (no display needed) the same way, and its
resident memory. --week runs it for a virtual week: the test build zulset-cli-testclock (its
date and time run --rate times as fast), a report every 10 s of virtual time and --calls calls
a virtual day (every seventh on relay B); it prints the resident memory as the days pass.

--flood N sends N calls at once instead and times them until every record is in its file: what
a record on the disk (written, synced) costs the logger.

  bench/rest_pty.py --logger          # a minute at rest, a report every 10 s
  bench/rest_pty.py --logger --week   # 7 virtual days in 10 minutes
  bench/rest_pty.py --logger --flood 1000
"""
import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from flood_pty import Xvfb, cpu_seconds, die, resident_bytes, wait_window, xdotool

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
        measure(proc.pid, args.seconds)
        if proc.poll() is not None:
            die("the program ended while it was measured")
    finally:
        stop(proc, unit)


def stop(*procs):
    for proc in procs:
        if proc:
            proc.terminate()
            proc.wait()


def measure(pid, seconds):
    """Prints the wake-ups and CPU of every thread of pid over the next seconds."""
    before, cpu0, t0 = switches(pid), cpu_seconds(pid), time.time()
    time.sleep(seconds)
    after, cpu1, t1 = switches(pid), cpu_seconds(pid), time.time()
    span = t1 - t0
    print("\n| thread | wake-ups/s (voluntary + nonvoluntary) | CPU ms |\n|---|---:|---:|")
    total = voluntary = ran = 0
    for tid, (name, vol, nonvol, ns) in sorted(after.items(), key=lambda kv: int(kv[0])):
        _, vol0, nonvol0, ns0 = before.get(tid, (name, 0, 0, 0))
        n = (vol - vol0) + (nonvol - nonvol0)
        total += n
        voluntary += vol - vol0
        ran += ns - ns0
        label = name + (" (main thread)" if tid == str(pid) else "")
        print(f"| {label} | {n / span:.2f} ({vol - vol0} + {nonvol - nonvol0}) | "
              f"{(ns - ns0) / 1e6:.1f} |")
    print(f"| all threads | {total / span:.2f} (voluntary only: {voluntary / span:.2f}) | "
          f"{ran / 1e6:.1f} |")
    print(f"\nCPU: {ran / 1e6:.1f} ms in {span:.0f} s = {100 * ran / 1e9 / span:.3f} % "
          f"(utime + stime: {cpu1 - cpu0:.2f} s in ticks of {1000 // TICK} ms)")


def peak_resident(pid):
    with open(f"/proc/{pid}/status") as f:
        return int(next(line for line in f if line.startswith("VmHWM:")).split()[1]) * 1024


def run_logger(args, work):
    ports, logs = os.path.join(work, "ports"), os.path.join(work, "logs")
    os.makedirs(logs)
    week = 7 * 86400
    # A report every 10 s of virtual time (zulsim counts whole milliseconds).
    interval = round(10000 / args.rate) / 1000 if args.week else args.interval
    log_path = os.path.join(work, "zulsim.log")
    with open(log_path, "wb") as log:
        unit = subprocess.Popen([args.zulsim, "--com", "1", "--ports-dir", ports, "--demo",
                                 "--interval", str(interval)],
                                stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=log)
    proc = None
    try:
        if not unit.stdout.readline().startswith(b"COM1 "):
            die("zulsim did not start")
        env = dict(os.environ)
        program = args.zulset_cli
        if args.week:
            program = args.testclock
            start = int(time.time() * 1000)
            env["ZUL_TEST_CLOCK"] = f"{start} {start} {args.rate}"
        proc = subprocess.Popen([program, "--port", os.path.join(ports, "com1"),
                                 "log-admissions", logs], env=env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for_line(log_path, b"<- AT+CPBR=?", interval * 3 + 30)
        if args.flood:
            lines = b"".join(b'send +CLCC: 1,1,4,0,0,"+4206%08d",145,"F%d"\n' % (k, k)
                             for k in range(args.flood))
            t0 = time.time()
            unit.stdin.write(lines)
            unit.stdin.flush()
            records = 0
            while records < args.flood and time.time() - t0 < 600:
                time.sleep(0.01)
                records = sum(open(os.path.join(logs, n), "rb").read().count(b"\n")
                              for n in os.listdir(logs))
            took = time.time() - t0
            print(f"{records} of {args.flood} calls on the disk in {took:.2f} s: "
                  f"{records / took:.0f} a second, {took * 1000 / max(records, 1):.2f} ms each")
            return
        if not args.week:
            time.sleep(interval * 1.5)
            print(f"zulset-cli log-admissions at rest for {args.seconds:g} s "
                  f"(a report every {interval:g} s) ...", flush=True)
            measure(proc.pid, args.seconds)
            print(f"resident: {resident_bytes(proc.pid) / 1e6:.1f} MB "
                  f"(peak {peak_resident(proc.pid) / 1e6:.1f} MB)")
            return
        real = week / args.rate
        gap = real / (7 * args.calls)
        print(f"a virtual week in {real:.0f} s: a report every {interval * 1000:.1f} ms, "
              f"a call every {gap:.2f} s", flush=True)
        print("\n| virtual day | reports | calls | resident MB | peak MB |\n"
              "|---:|---:|---:|---:|---:|")
        print(f"| 0 | 0 | 0 | {resident_bytes(proc.pid) / 1e6:.1f} | "
              f"{peak_resident(proc.pid) / 1e6:.1f} |", flush=True)
        t0, calls, day = time.time(), 0, 0
        while time.time() - t0 < real:
            if proc.poll() is not None:
                die("the logger ended")
            unit.stdin.write(b"call +420777111222" + (b" b" if calls % 7 == 0 else b"") + b"\n")
            unit.stdin.flush()
            calls += 1
            time.sleep(gap)
            now_day = int((time.time() - t0) * args.rate // 86400)
            if now_day > day:
                day = now_day
                print(f"| {day} | {int((time.time() - t0) / interval)} | {calls} | "
                      f"{resident_bytes(proc.pid) / 1e6:.1f} | "
                      f"{peak_resident(proc.pid) / 1e6:.1f} |", flush=True)
        time.sleep(2)
        files = sorted(os.listdir(logs))
        records = 0
        for name in files:
            with open(os.path.join(logs, name), "rb") as f:
                records += f.read().count(b"\n")
        print(f"\n{calls} calls, {records} records in {len(files)} daily files: "
              f"{', '.join(files)}")
    finally:
        stop(proc, unit)


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--zulset", default=os.path.join(here, "..", "build", "bin", "zulset"))
    parser.add_argument("--zulsim", default=os.path.join(here, "..", "build", "bin", "zulsim"))
    parser.add_argument("--seconds", type=float, default=60)
    parser.add_argument("--interval", type=float, default=10, help="seconds between reports")
    parser.add_argument("--monitor", action="store_true", help="the MONITOR page on screen")
    parser.add_argument("--screenshot", help="a PNG of the screen before measuring (scrot)")
    parser.add_argument("--zulset-cli",
                        default=os.path.join(here, "..", "build", "bin", "zulset-cli"))
    parser.add_argument("--testclock",
                        default=os.path.join(here, "..", "build", "bin", "zulset-cli-testclock"))
    parser.add_argument("--logger", action="store_true", help="zulset-cli log-admissions")
    parser.add_argument("--week", action="store_true", help="the logger for a virtual week")
    parser.add_argument("--rate", type=float, default=1000, help="virtual seconds a second")
    parser.add_argument("--calls", type=int, default=100, help="calls a virtual day")
    parser.add_argument("--flood", type=int, default=0, help="the logger: N calls at once, timed")
    args = parser.parse_args()
    if args.logger or args.week:
        work = tempfile.mkdtemp(prefix="rest_pty.")
        try:
            run_logger(args, work)
        finally:
            shutil.rmtree(work, ignore_errors=True)
        sys.exit(0)
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
