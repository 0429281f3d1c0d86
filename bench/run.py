#!/usr/bin/env python3
"""The dump against the wire limit: runs whole dumps of regdump against ctlsim and prints,
per configuration, the dump's time, the simulator's modelled wire time, their ratio and the
program's CPU share, as minimum, median and maximum over the runs.

The dump's time runs from the first command byte to the last reply byte, both taken from
ctlsim's log: a command is logged when its CR arrives, and the last reply's last byte is
due one command time, one turnaround and one reply time after that (on the adapter grid,
if one is set). ratio = (dump time - 0.6 s) / wire time: the run's own pauses, half a second
after the system message and a tenth before the naming, are no time of the line's.

The CPU time is the on-CPU time of the regdump process (all its threads, from
/proc/PID/task/*/schedstat) between typing the port number and the dump's last reply,
as a share of the dump's time; the start-up before the prompt is not in it.

Each dump runs on a pseudo-terminal of its own, which is regdump's controlling terminal.
The Windows program runs under Wine in a prefix made for the run, its COM1 the registry
value of a ctlsim pseudo-terminal; its CPU time is that of the regdump.exe process alone
(Wine's server and console host come on top).

With --phase, only the ratio at 9600 baud at turnarounds from 4 to 5 ms in steps of a
quarter: the polls run in step with each command's write, so how late the last reply byte
is noticed depends on where it falls in the poll period, the same in every exchange.

Per program: 9600, 19200 and 115200 baud with a turnaround of 5 ms; 9600 baud behind an
adapter grid of 16 ms and of 1 ms; and the largest turnaround at which every value of the
report still stands under its own address. First of all, a client that waits for each
reply with a blocking read makes the same exchanges: the floor that the simulator and the
machine set.

    bench/run.py [--runs N] [--quick] [--only native|wine] [--reference]
                 [--no-turnaround | --turnaround-only | --phase] [--turnaround-from MS]
                 [--build DIR] [--exe PATH]

BENCH_KEEP_LOGS=DIR keeps each run's ctlsim log there.
"""
import argparse
import os
import re
import shutil
import signal
import statistics
import subprocess
import struct
import sys
import tempfile
import termios
import threading
import time
import fcntl

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
PAUSES_S = 0.6
PHASE_TURNAROUNDS = (4.0, 4.25, 4.5, 4.75, 5.0)  # ms: about one poll period
LOG_LINE = re.compile(r"ctlsim: \[\s*(\d+)\.(\d+)\] ([<>]) (.*)")
WIRE_LINE = re.compile(r"modelled wire time ([\d.]+) ms")


def byte_count(printable):
    """Bytes behind ctlsim's printable form: <CR>, <LF>, <ETX> and <xx> are one byte each."""
    return len(re.sub(r"<(CR|LF|ETX|[0-9a-f]{2})>", "x", printable))


def dump_window(log_text, baud, turnaround_ms, grid_ms):
    """(first command byte, last reply byte) in seconds from ctlsim's log."""
    events = []
    for line in log_text.splitlines():
        m = LOG_LINE.match(line.strip())
        if m:
            events.append((int(m.group(1)) / 1e3 + int(m.group(2)) / 1e6, m.group(3), m.group(4)))
    commands = [e for e in events if e[1] == ">"]
    replies = [e for e in events if e[1] == "<" and e[2] != "(no answer)"]
    if not commands or not replies:
        raise RuntimeError("no exchange in the log")
    byte_s = 11.0 / baud
    last_cmd = commands[-1]
    last_reply = replies[-1]
    end = (last_cmd[0] + (byte_count(last_cmd[2]) + 1) * byte_s + turnaround_ms / 1e3
           + byte_count(last_reply[2]) * byte_s)
    if grid_ms:
        grid = grid_ms / 1e3
        end = -(-end // grid) * grid
    return commands[0][0], end


def cpu_ns(pid):
    total = 0
    try:
        for task in os.listdir(f"/proc/{pid}/task"):
            with open(f"/proc/{pid}/task/{task}/schedstat") as f:
                total += int(f.read().split()[0])
    except OSError:
        pass
    return total


def children(pid):
    found = []
    try:
        for task in os.listdir(f"/proc/{pid}/task"):
            with open(f"/proc/{pid}/task/{task}/children") as f:
                found += [int(p) for p in f.read().split()]
    except OSError:
        pass
    return found


def find_program(root_pid, name):
    """The first process under root_pid whose command name starts with name."""
    todo = [root_pid]
    while todo:
        pid = todo.pop(0)
        try:
            with open(f"/proc/{pid}/comm") as f:
                if f.read().strip().startswith(name):
                    return pid
        except OSError:
            pass
        todo += children(pid)
    return None


class Terminal:
    """A pseudo-terminal running a command; everything it shows is read and kept."""

    def __init__(self, argv, cwd, env, rows=40, cols=100):
        self.pid, self.master = os.forkpty()
        if self.pid == 0:
            os.chdir(cwd)
            os.execvpe(argv[0], argv, env)
        fcntl.ioctl(self.master, termios.TIOCSWINSZ, struct.pack("HHHH", rows, cols, 0, 0))
        self.screen = bytearray()
        self.last_output = time.monotonic()
        self.lock = threading.Lock()
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        while True:
            try:
                data = os.read(self.master, 65536)
            except OSError:
                return
            if not data:
                return
            with self.lock:
                self.screen += data
                self.last_output = time.monotonic()

    def quiet(self, seconds):
        """Nothing shown for this long."""
        with self.lock:
            return time.monotonic() - self.last_output >= seconds

    def shown(self):
        with self.lock:
            return bytes(self.screen)

    def type(self, text):
        os.write(self.master, text.encode())

    def wait(self, timeout):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            pid, status = os.waitpid(self.pid, os.WNOHANG)
            if pid:
                return os.waitstatus_to_exitcode(status)
            time.sleep(0.02)
        os.kill(self.pid, signal.SIGKILL)
        os.waitpid(self.pid, 0)
        raise RuntimeError("the run did not end")


def wait_for(predicate, timeout, what):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        if predicate():
            return
        time.sleep(0.005)
    raise RuntimeError(f"timed out waiting for {what}")


def read(path):
    try:
        with open(path, errors="replace") as f:
            return f.read()
    except OSError:
        return ""


def start_simulator(cfg, argv, work):
    """Starts the program on a terminal of its own against ctlsim; returns the terminal and
    the simulator's process when it runs apart from the program (under Wine), else None."""
    if not cfg.wine:
        return Terminal([cfg.ctlsim] + argv + ["--com", "1", "--"] + cfg.program, work, cfg.env), None
    sim = subprocess.Popen([cfg.ctlsim] + argv + ["--pty"], stdout=subprocess.PIPE, text=True)
    path = sim.stdout.readline().strip()
    cfg.wine.map_com1(path, work)
    return Terminal(cfg.program, work, cfg.env), sim


def run_dump(cfg, baud, turnaround_ms, grid_ms=0):
    """One whole dump; returns its figures and the report's text."""
    work = tempfile.mkdtemp(prefix="regdump-bench-")
    sim = None
    try:
        log, wire = os.path.join(work, "ctlsim.log"), os.path.join(work, "wire.txt")
        argv = ["--baud", str(baud), "--turnaround", str(turnaround_ms),
                f"--wire-time={wire}", f"--log={log}"]
        if grid_ms:
            argv += ["--grid", str(grid_ms)]
        term, sim = start_simulator(cfg, argv, work)
        wait_for(lambda: b"Enter Comport" in term.shown(), cfg.start_timeout, "the prompt")
        time.sleep(0.05)
        pid = find_program(term.pid, cfg.process_name)
        cpu0 = cpu_ns(pid) if pid else 0
        term.type("1\r")
        timeout = 60 * cfg.slowness + 0.25 * turnaround_ms
        # A dump whose values moved may never send the last command: its end is then
        # the screen going quiet.
        wait_for(lambda: "< T048" in read(log) or term.quiet(3), timeout, "the last timer's reply")
        # The reply is on its way; the dump has ended once regdump has read and shown it.
        # With values out of place, the last one shown is another: then the screen going
        # quiet marks the end.
        if cfg.wine:
            time.sleep(0.3)
        else:
            wait_for(lambda: b"1234" in term.shown().split(b"T048")[-1] or term.quiet(0.3), 10,
                     "the last value shown")
        cpu1 = cpu_ns(pid) if pid else 0
        time.sleep(0.1)
        term.type("x")
        term.wait(30)
        if sim:
            sim.send_signal(signal.SIGINT)
            sim.wait(10)
            sim = None
        if os.environ.get("BENCH_KEEP_LOGS"):
            shutil.copy(log, os.path.join(os.environ["BENCH_KEEP_LOGS"],
                                          f"{cfg.process_name}-{baud}-{turnaround_ms}-{grid_ms}.log"))
        reports = [n for n in os.listdir(work) if n.endswith(".spf")]
        report = read(os.path.join(work, reports[0])) if reports else ""
        if "< T048" not in read(log):
            return None, report
        first, last = dump_window(read(log), baud, turnaround_ms, grid_ms)
        m = WIRE_LINE.search(read(wire))
        if not m:
            raise RuntimeError("ctlsim gave no wire time")
        dump_s, wire_s = last - first, float(m.group(1)) / 1e3
        return {"dump": dump_s, "wire": wire_s, "ratio": (dump_s - PAUSES_S) / wire_s,
                "cpu": (cpu1 - cpu0) / 1e9 / dump_s if pid else float("nan")}, report
    finally:
        if sim:
            sim.kill()
            sim.wait()
        shutil.rmtree(work, ignore_errors=True)

def dump_commands():
    """The dump's exchanges in the program's order, the greeting first."""
    words = [*range(20, 140), *range(200, 250), *range(890, 900), *range(980, 990)]
    return ["CR", "RD DM109"] + [f"RD DM{n}" for n in words] + [f"RD T{n}" for n in (2, 3, 12, 13, 48)]


def run_reference(cfg, baud, turnaround_ms, grid_ms=0):
    """The same exchanges by a client that waits for each reply with a blocking read, and
    makes the program's two pauses: the floor that the simulator and the machine set."""
    work = tempfile.mkdtemp(prefix="regdump-bench-")
    try:
        log, wire = os.path.join(work, "ctlsim.log"), os.path.join(work, "wire.txt")
        argv = [cfg.ctlsim, "--baud", str(baud), "--turnaround", str(turnaround_ms),
                f"--wire-time={wire}", f"--log={log}", "--pty"]
        if grid_ms:
            argv += ["--grid", str(grid_ms)]
        sim = subprocess.Popen(argv, stdout=subprocess.PIPE, text=True)
        path = sim.stdout.readline().strip()
        fd = os.open(path, os.O_RDWR | os.O_NOCTTY)
        attrs = termios.tcgetattr(fd)
        attrs[0] = attrs[1] = attrs[3] = 0
        attrs[2] = termios.CS8 | termios.CREAD | termios.CLOCAL
        attrs[6][termios.VMIN], attrs[6][termios.VTIME] = 1, 0
        termios.tcsetattr(fd, termios.TCSANOW, attrs)
        for i, command in enumerate(dump_commands()):
            if i == 2:
                time.sleep(PAUSES_S)
            os.write(fd, (command + "\r").encode())
            reply = b""
            while not reply.endswith(b"\n"):
                reply += os.read(fd, 256)
        os.close(fd)
        sim.send_signal(signal.SIGINT)
        sim.wait(10)
        first, last = dump_window(read(log), baud, turnaround_ms, grid_ms)
        wire_s = float(WIRE_LINE.search(read(wire)).group(1)) / 1e3
        dump_s = last - first
        return {"dump": dump_s, "wire": wire_s, "ratio": (dump_s - PAUSES_S) / wire_s,
                "cpu": float("nan")}
    finally:
        shutil.rmtree(work, ignore_errors=True)


def summary(name, runs):
    lost = sum(1 for r in runs if r is None)
    runs = [r for r in runs if r is not None]
    if lost:
        print(f"{name}: {lost} run(s) did not send every command", flush=True)
    if not runs:
        return
    def triple(key, fmt):
        values = [r[key] for r in runs]
        return " / ".join(fmt.format(v) for v in
                          (min(values), statistics.median(values), max(values)))
    cpu = "n/a" if any(r["cpu"] != r["cpu"] for r in runs) else triple("cpu", "{:.2%}")
    print(f"{name:<24} dump s {triple('dump', '{:.3f}')}  wire s {runs[0]['wire']:.3f}  "
          f"ratio {triple('ratio', '{:.3f}')}  cpu {cpu}", flush=True)


def largest_turnaround(cfg, reference, start, step=2, limit=1000):
    """The largest turnaround, to `step` ms, at which the report still equals the reference:
    doubled from `start` until a report differs, then halved down to the step. Returns
    (largest good, smallest bad); bad is None if the limit was reached."""
    def holds(turnaround):
        same = run_dump(cfg, 9600, turnaround)[1] == reference
        print(f"  turnaround {turnaround} ms: {'every value in place' if same else 'values moved'}",
              flush=True)
        return same
    good, bad = 0, None
    turnaround = start
    while turnaround <= limit:
        if not holds(turnaround):
            bad = turnaround
            break
        good, turnaround = turnaround, turnaround * 2
    if bad is None:
        return good, None
    while bad - good > step:
        middle = (good + bad) // 2
        if holds(middle):
            good = middle
        else:
            bad = middle
    return good, bad

class Config:
    pass


def native_config(build):
    cfg = Config()
    cfg.ctlsim = os.path.join(build, "tools/ctlsim/ctlsim")
    cfg.program = [os.path.join(build, "regdump/regdump")]
    cfg.process_name = "regdump"
    cfg.env = dict(os.environ, TERM=os.environ.get("TERM", "xterm"))
    cfg.start_timeout = 10
    cfg.slowness = 1
    cfg.wine = None
    return cfg


class WinePrefix:
    """A Wine prefix of the bench's own. COM1 is the registry value
    HKLM\\Software\\Wine\\Ports\\COM1, which Wine's device manager maps when a session
    starts; so the server is ended after each change."""

    def __init__(self, loader):
        self.loader = loader
        self.server = os.path.join(os.path.dirname(loader), "wineserver")
        self.prefix = tempfile.mkdtemp(prefix="regdump-bench-wine-")
        self.env = {"WINEPREFIX": self.prefix, "WINEDEBUG": "-all",
                    "WINEDLLOVERRIDES": "mscoree,mshtml="}
        self.wine("wineboot", "-i", limit=300)
        self.stop_server()

    def wine(self, *args, limit=120):
        subprocess.run([self.loader, *args], env={**os.environ, **self.env},
                       capture_output=True, timeout=limit, check=True)

    def stop_server(self):
        for flag in ("-k", "-w"):
            subprocess.run([self.server, flag], env={**os.environ, **self.env},
                           capture_output=True, timeout=30)

    def map_com1(self, path, work):
        reg = os.path.join(work, "ports.reg")
        with open(reg, "w") as f:
            f.write("\r\n".join(["REGEDIT4", "", r"[-HKEY_LOCAL_MACHINE\Software\Wine\Ports]", "",
                                 r"[HKEY_LOCAL_MACHINE\Software\Wine\Ports]",
                                 f'"COM1"="{path}"']) + "\r\n")
        self.wine("reg", "import", reg)
        self.stop_server()

    def remove(self):
        self.stop_server()
        shutil.rmtree(self.prefix, ignore_errors=True)


def wine_config(build, exe):
    """The Windows program under Wine: the 32-bit loader where this machine runs 32-bit
    code, else the 64-bit build under the 64-bit loader."""
    try:
        runs32 = subprocess.run(["/usr/lib/wine/wine", "--version"], capture_output=True,
                                timeout=30).returncode == 0
    except OSError:
        runs32 = False
    loader = "/usr/lib/wine/wine" if runs32 else "/usr/lib/wine/wine64"
    exe = exe or os.path.join(ROOT, "build/windows/regdump/regdump.exe" if runs32
                              else "build/windows64/regdump/regdump.exe")
    cfg = native_config(build)
    cfg.wine = WinePrefix(loader)
    cfg.program = [loader, exe]
    cfg.process_name = "regdump.exe"
    cfg.env = dict(cfg.env, **cfg.wine.env)
    cfg.start_timeout = 60
    cfg.slowness = 4
    cfg.label = f"wine{'' if runs32 else '64'}"
    return cfg

def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--quick", action="store_true", help="9600 baud only, no extra figures")
    parser.add_argument("--only", choices=["native", "wine"], help="one program only")
    parser.add_argument("--reference", action="store_true",
                        help="also with --quick: the blocking-read client's floor")
    parser.add_argument("--build", default=os.path.join(ROOT, "build/linux"))
    parser.add_argument("--turnaround-only", action="store_true",
                        help="only the largest turnaround")
    parser.add_argument("--no-turnaround", action="store_true",
                        help="all but the largest turnaround")
    parser.add_argument("--turnaround-from", type=int, default=30, metavar="MS",
                        help="where the search for the largest turnaround starts (30)")
    parser.add_argument("--phase", action="store_true",
                        help="only the 9600 baud ratio at turnarounds from 4 to 5 ms")
    parser.add_argument("--exe", help="the Windows program (default: from build/windows*)")
    args = parser.parse_args()

    print(f"{args.runs} runs each; figures are min / median / max; "
          f"ratio = (dump - {PAUSES_S} s) / wire; cpu = the program's CPU time / dump time",
          flush=True)
    speeds = [9600] if args.quick else [9600, 19200, 115200]
    native = native_config(args.build)
    if args.only != "wine" and (args.reference or not (args.quick or args.turnaround_only or args.phase)):
        for baud in speeds:
            runs = [run_reference(native, baud, 5) for _ in range(args.runs)]
            summary(f"blocking client {baud}", runs)
    variants = []
    if args.only != "wine":
        variants.append(("native", native))
    if args.only != "native":
        wine = wine_config(args.build, args.exe)
        variants.append((wine.label, wine))
    try:
        for name, cfg in variants:
            if args.phase:
                # The polls run in step with the command's write and the reply ends a fixed
                # time after it, so where its last byte falls in the poll period is the same
                # in every exchange: moving the turnaround through one period shows the range.
                for turnaround in PHASE_TURNAROUNDS:
                    runs = [run_dump(cfg, 9600, turnaround)[0] for _ in range(args.runs)]
                    summary(f"{name} 9600 turnaround {turnaround}", runs)
                continue
            reference = None
            if args.turnaround_only:
                reference = run_dump(cfg, 9600, 5)[1]
            for baud in [] if args.turnaround_only else speeds:
                runs = []
                for _ in range(args.runs):
                    figures, report = run_dump(cfg, baud, 5)
                    runs.append(figures)
                    reference = reference or report
                summary(f"{name} {baud} baud", runs)
            if args.quick:
                continue
            for grid in [] if args.turnaround_only else (16, 1):
                runs = [run_dump(cfg, 9600, 5, grid)[0] for _ in range(args.runs)]
                summary(f"{name} 9600 --grid {grid}", runs)
            if args.no_turnaround:
                continue
            good, bad = largest_turnaround(cfg, reference, args.turnaround_from)
            print(f"{name} largest turnaround with every value in place: {good} ms "
                  f"({bad} ms moved values)" if bad else
                  f"{name}: every value in place up to a turnaround of {good} ms", flush=True)
    finally:
        for _, cfg in variants:
            if cfg.wine:
                cfg.wine.remove()


if __name__ == "__main__":
    main()
