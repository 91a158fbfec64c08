#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Floods a serial terminal through a pseudo-terminal and reports what the lines cost it.

ZUL set (the real program, its "Select Port" dialog answered with xdotool) and, when it is
installed, CuteCom get the same flood: rounds of entries of '\\r\\n+CREG: 0,1,"0A1B","00C3"\\r\\n'
(two lines, 28 bytes each). For each round: the CPU seconds the program spent (utime + stime
from /proc) and the resident memory it grew by per line; ZUL set first takes a prefill, so that
its monitor already holds a million lines when the rounds begin.

Needs Xvfb and xdotool (Debian packages xvfb, xdotool), gcc for CuteCom's preload, and a built
program: cmake --build build --target zulset.

  bench/flood_pty.py                 # ZUL set, and CuteCom when installed
  bench/flood_pty.py --only zulset --prefill 0 --rounds 1
"""
import argparse
import fcntl
import os
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import termios
import threading
import time
import tty

ENTRY = b'\r\n+CREG: 0,1,"0A1B","00C3"\r\n'
LINES_PER_ENTRY = 2
REPORT = b"+CSQ: 20,99\r\n"  # a signal report: a unit on a live link sends one now and then
TICK = os.sysconf("SC_CLK_TCK")
EXTRA_ENV = {}  # for both programs: the session bus and accessibility when asked for
PAGE = os.sysconf("SC_PAGE_SIZE")

# CuteCom's serial library asks for the modem lines, which a pseudo-terminal has not; it then
# gives up on the port. This answers those four requests on a pty as a port with DTR/RTS would.
SHIM_C = r"""
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdarg.h>
#include <sys/ioctl.h>

static int (*real_ioctl)(int, unsigned long, ...);
static int lines = TIOCM_DTR | TIOCM_RTS;

int ioctl(int fd, unsigned long request, ...) {
  va_list ap;
  va_start(ap, request);
  void *arg = va_arg(ap, void *);
  va_end(ap);
  if (!real_ioctl) real_ioctl = (int (*)(int, unsigned long, ...))dlsym(RTLD_NEXT, "ioctl");
  int r = real_ioctl(fd, request, arg);
  if (r == -1 && (errno == ENOTTY || errno == EINVAL) &&
      (request == TIOCMGET || request == TIOCMSET || request == TIOCMBIS || request == TIOCMBIC)) {
    int *value = (int *)arg;
    if (request == TIOCMGET) *value = lines | TIOCM_CTS | TIOCM_DSR | TIOCM_CAR;
    else if (request == TIOCMSET) lines = *value;
    else if (request == TIOCMBIS) lines |= *value;
    else lines &= ~*value;
    errno = 0;
    return 0;
  }
  return r;
}
"""


def die(message):
    sys.exit("flood_pty: " + message)


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICK  # utime, stime


def resident_bytes(pid):
    with open(f"/proc/{pid}/statm") as f:
        return int(f.read().split()[1]) * PAGE


def unread(fd):
    return struct.unpack("i", fcntl.ioctl(fd, termios.FIONREAD, b"\0\0\0\0"))[0]


class Xvfb:
    def __init__(self):
        read, write = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
            pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(read, 16)
            if not chunk:
                die("Xvfb did not start")
            number += chunk
        os.close(read)
        self.display = ":" + number.decode().strip()

    def stop(self):
        self.proc.terminate()
        self.proc.wait()


class Pty:
    """A pseudo-terminal whose master side this script floods; what the program sends back is
    read and dropped on a thread of its own (kept, so that it can be waited for)."""

    def __init__(self):
        self.master, self.slave = os.openpty()
        tty.setraw(self.slave)  # raw before the program opens it, in case it does not
        self.name = os.ttyname(self.slave)
        self.sent_back = b""
        self.lock = threading.Lock()
        threading.Thread(target=self._drain, daemon=True).start()

    def _drain(self):
        while True:
            try:
                chunk = os.read(self.master, 4096)
            except OSError:
                return
            if not chunk:
                return
            with self.lock:
                self.sent_back = (self.sent_back + chunk)[-4096:]

    def received(self, text):
        with self.lock:
            return text in self.sent_back

    def write(self, data):
        view = memoryview(data)
        while view:
            n = os.write(self.master, view[:65536])
            view = view[n:]

    def close(self):
        os.close(self.slave)
        os.close(self.master)


def xdotool(display, *args, check=True):
    return subprocess.run(["xdotool", *args], env={**os.environ, "DISPLAY": display},
                          capture_output=True, text=True, check=check, timeout=60)


def wait_window(display, name, timeout=60):
    end = time.time() + timeout
    while time.time() < end:
        found = xdotool(display, "search", "--onlyvisible", "--name", name, check=False)
        ids = found.stdout.split()
        if ids:
            return ids[0]
        time.sleep(0.2)
    die(f'no window "{name}" appeared')


def wait_until(done, timeout, what):
    end = time.time() + timeout
    while time.time() < end:
        if done():
            return
        time.sleep(0.05)
    die("timed out waiting for " + what)


def wait_idle(pid, pty, quiet=1.0, timeout=600):
    """Waits until the program has read every byte and its CPU time stays put for `quiet`
    seconds; returns its CPU time and the time at the start of that quiet spell."""
    end = time.time() + timeout
    mark_cpu = cpu_seconds(pid)
    mark_time = time.time()
    while time.time() < end:
        time.sleep(0.05)
        cpu = cpu_seconds(pid)
        if unread(pty.slave) > 0 or cpu - mark_cpu > 0.02:
            mark_cpu, mark_time = cpu, time.time()
        elif time.time() - mark_time >= quiet:
            return mark_cpu, mark_time
    die("the program did not finish reading the flood")


def flood(pid, pty, entries, chunk_entries=10000):
    block = ENTRY * chunk_entries
    left = entries
    while left > 0:
        n = min(left, chunk_entries)
        pty.write(block if n == chunk_entries else ENTRY * n)
        left -= n


def measure(name, pid, pty, prefill, rounds, entries):
    results = {"name": name, "start": resident_bytes(pid), "rounds": []}
    lines = 0
    if prefill:
        pty.write(REPORT)
        flood(pid, pty, prefill // LINES_PER_ENTRY)
        wait_idle(pid, pty)
        lines += prefill
        print(f"  {name}: {prefill} lines taken in before the rounds", flush=True)
    for r in range(rounds):
        cpu0 = cpu_seconds(pid)
        rss0 = resident_bytes(pid)
        t0 = time.time()
        pty.write(REPORT)
        flood(pid, pty, entries)
        cpu1, t1 = wait_idle(pid, pty)
        rss1 = resident_bytes(pid)
        n = entries * LINES_PER_ENTRY + 1
        lines += n
        results["rounds"].append({"cpu": cpu1 - cpu0, "per_line": (rss1 - rss0) / n,
                                  "wall": t1 - t0})
        print(f"  {name} round {r + 1}: {cpu1 - cpu0:.2f} s CPU, about {t1 - t0:.1f} s until "
              f"all was read, {(rss1 - rss0) / n:.0f} B per line", flush=True)
    results["end"] = resident_bytes(pid)
    results["lines"] = lines
    results["per_line"] = (results["end"] - results["start"]) / max(lines, 1)
    return results


def run_zulset(args, display, work):
    program_dir = os.path.join(work, "zulset")
    os.makedirs(os.path.join(program_dir, "ports"))
    program = os.path.join(program_dir, "zulset")
    shutil.copy2(args.zulset, program)  # ports/ and the settings file are found beside it
    pty = Pty()
    os.symlink(pty.name, os.path.join(program_dir, "ports", "com1"))
    env = {**os.environ, **EXTRA_ENV, "DISPLAY": display}
    env.pop("QT_QPA_PLATFORM", None)
    proc = subprocess.Popen([program], cwd=program_dir, env=env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        dialog = wait_window(display, "Select Port")
        # COM1 (ports/com1) is the first entry and selected; OK is the default button.
        xdotool(display, "windowfocus", "--sync", dialog)
        xdotool(display, "key", "Return")
        wait_until(lambda: pty.received(b"ATE\r\n"), 30, "the program's first command")
        window = wait_window(display, "zulset")
        xdotool(display, "windowfocus", "--sync", window)
        # The MONITOR page, where the lines are shown: the third tab.
        xdotool(display, "key", "ctrl+Tab", "ctrl+Tab")
        time.sleep(1.0)
        if args.screenshot:
            subprocess.run(["import", "-display", display, "-window", "root",
                            args.screenshot + "-zulset-start.png"], check=False)
        result = measure("ZUL set", proc.pid, pty, args.prefill, args.rounds, args.entries)
        if args.screenshot:
            subprocess.run(["import", "-display", display, "-window", "root",
                            args.screenshot + "-zulset-end.png"], check=False)
        return result
    finally:
        proc.terminate()
        proc.wait()
        pty.close()


def build_shim(work):
    source = os.path.join(work, "tiocm_shim.c")
    library = os.path.join(work, "tiocm_shim.so")
    with open(source, "w") as f:
        f.write(SHIM_C)
    subprocess.run(["gcc", "-shared", "-fPIC", "-O2", "-o", library, source, "-ldl"], check=True)
    return library


def run_cutecom(args, display, work):
    home = os.path.join(work, "home")
    config = os.path.join(home, ".config", "CuteCom")
    os.makedirs(config)
    pty = Pty()
    # One session: the pseudo-terminal at 19200 8N1, no timestamps, no control characters.
    with open(os.path.join(config, "CuteCom5.conf"), "w") as f:
        f.write("[sessions]\n1\\BaudRate=19200\n1\\DataBits=8\n"
                f"1\\Device={pty.name}\n1\\FlowControl=0\n1\\OpenMode=3\n1\\Parity=0\n"
                "1\\StopBits=1\n1\\autoReconnect=false\n1\\name=Default\n"
                "1\\showCtrlCharacters=false\n1\\showTimestamp=false\nsize=1\n")
    env = {**os.environ, **EXTRA_ENV, "DISPLAY": display, "HOME": home, "XDG_CONFIG_HOME": home + "/.config",
           "LD_PRELOAD": build_shim(work)}
    env.pop("QT_QPA_PLATFORM", None)
    proc = subprocess.Popen(["cutecom"], cwd=work, env=env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        window = wait_window(display, "CuteCom")
        time.sleep(1.0)
        xdotool(display, "windowfocus", "--sync", window)
        xdotool(display, "key", "alt+o")  # the Open button

        def opened():
            fd_dir = f"/proc/{proc.pid}/fd"
            for fd in os.listdir(fd_dir):
                try:
                    if os.readlink(os.path.join(fd_dir, fd)) == pty.name:
                        return True
                except OSError:
                    pass
            return False

        wait_until(opened, 30, "CuteCom to open the port")
        time.sleep(1.0)
        if args.screenshot:
            subprocess.run(["import", "-display", display, "-window", "root",
                            args.screenshot + "-cutecom-start.png"], check=False)
        result = measure("CuteCom", proc.pid, pty, args.cutecom_prefill, args.rounds,
                         args.entries)
        if args.screenshot:
            subprocess.run(["import", "-display", display, "-window", "root",
                            args.screenshot + "-cutecom-end.png"], check=False)
        return result
    finally:
        proc.terminate()
        proc.wait()
        pty.close()


def table(results, entries):
    names = [r["name"] for r in results]
    rows = []
    rounds = max(len(r["rounds"]) for r in results)
    for i in range(rounds):
        rows.append((f"CPU seconds, round {i + 1}",
                     [f"{r['rounds'][i]['cpu']:.2f}" if i < len(r["rounds"]) else "" for r in
                      results]))
    for i in range(rounds):
        rows.append((f"seconds until all was read, round {i + 1}",
                     [f"{r['rounds'][i]['wall']:.1f}" if i < len(r["rounds"]) else "" for r in
                      results]))
    for i in range(rounds):
        rows.append((f"memory per line, round {i + 1}",
                     [f"{r['rounds'][i]['per_line']:.0f} B" if i < len(r["rounds"]) else ""
                      for r in results]))
    rows.append(("memory per line, since start",
                 [f"{r['per_line']:.0f} B ({r['lines']} lines)" for r in results]))
    rows.append(("resident memory at start", [f"{r['start'] / 1e6:.0f} MB" for r in results]))
    rows.append(("resident memory at end", [f"{r['end'] / 1e6:.0f} MB" for r in results]))
    print()
    print("| per round of %d lines | %s |" % (entries * LINES_PER_ENTRY, " | ".join(names)))
    print("|---|" + "---|" * len(names))
    for label, cells in rows:
        print(f"| {label} | " + " | ".join(cells) + " |")
    if len(results) == 2:
        zul, peer = results
        ratios = [z["cpu"] / p["cpu"] for z, p in zip(zul["rounds"], peer["rounds"]) if p["cpu"]]
        if ratios:
            print("\nCPU, ZUL set / CuteCom per round: " +
                  ", ".join(f"{x:.2f}" for x in ratios))
        if peer["per_line"] > 0:
            print(f"memory per line, ZUL set / CuteCom: {zul['per_line'] / peer['per_line']:.2f}")


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--zulset", default=os.path.join(here, "..", "build", "bin", "zulset"))
    parser.add_argument("--entries", type=int, default=100000, help="entries per round")
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--prefill", type=int, default=1000000,
                        help="lines ZUL set takes in before the rounds")
    parser.add_argument("--cutecom-prefill", type=int, default=0,
                        help="lines CuteCom takes in before the rounds")
    parser.add_argument("--only", choices=["zulset", "cutecom"])
    parser.add_argument("--accessibility", action="store_true",
                        help="both programs with accessibility on, on a session bus of their own")
    parser.add_argument("--screenshot", help="prefix of PNG files of the screen (ImageMagick)")
    args = parser.parse_args()

    for tool in ("Xvfb", "xdotool"):
        if not shutil.which(tool):
            die(f"{tool} is missing (Debian packages xvfb and xdotool)")
    with_zulset = args.only in (None, "zulset")
    with_cutecom = args.only in (None, "cutecom") and shutil.which("cutecom")
    if args.only == "cutecom" and not with_cutecom:
        die("cutecom is not installed (Debian package cutecom)")
    if with_cutecom and not shutil.which("gcc"):
        die("gcc is missing: it builds CuteCom's preload")
    if with_zulset and not os.access(args.zulset, os.X_OK):
        die(f"{args.zulset} not found: cmake --build build --target zulset")

    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    results = []
    bus_pid = None
    if args.accessibility:
        if not shutil.which("dbus-daemon"):
            die("dbus-daemon is missing (Debian packages dbus, at-spi2-core)")
        bus = subprocess.run(["dbus-daemon", "--session", "--fork", "--print-address=1",
                              "--print-pid=1"], capture_output=True, text=True, check=True)
        address, bus_pid = bus.stdout.split()[:2]
        EXTRA_ENV.update({"DBUS_SESSION_BUS_ADDRESS": address, "QT_ACCESSIBILITY": "1",
                          "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"})
    xvfb = Xvfb()
    work = tempfile.mkdtemp(prefix="flood_pty.")
    try:
        if with_zulset:
            results.append(run_zulset(args, xvfb.display, work))
        if with_cutecom:
            results.append(run_cutecom(args, xvfb.display, work))
        elif args.only is None:
            print("  (cutecom is not installed: ZUL set only)")
    finally:
        xvfb.stop()
        shutil.rmtree(work, ignore_errors=True)
        if bus_pid:
            os.kill(int(bus_pid), signal.SIGTERM)
    table(results, args.entries)
