#!/usr/bin/env python3
"""End-to-end runs of regdump: the real program in a real terminal (tmux), talking to
ctlsim over a pseudo-terminal, in a working directory of its own for each scenario.

    run_e2e.py --ctlsim CTLSIM native REGDUMP
    run_e2e.py --ctlsim CTLSIM wine --exe64 REGDUMP64.EXE [--exe32 REGDUMP32.EXE] [--prefix DIR]

Each scenario types at the prompt, reads the screen, and checks the report file byte for
byte, the exit code, the standard error stream and the terminal's modes. Every wait is
bounded; a failure names its scenario and keeps its working directory.
"""
import argparse
import os
import shutil
import signal
import sys
import tempfile
import time
from dataclasses import dataclass, field

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import launchers  # noqa: E402
import reports  # noqa: E402
from harness import Failure, Simulator, Terminal, pane_script, poll, processes_with, read_bytes  # noqa: E402

BOTH = ("native", "wine")


@dataclass
class Scenario:
    name: str
    flags: list = field(default_factory=list)  # ctlsim's
    typed: str = "1"                           # at the prompt, before Enter
    ports: tuple = (1,)                        # COM numbers that lead to the simulator
    report: str = "123_00.spf"                 # the file the run must leave
    expect: str = "default.spf"                # its fixture
    dialogue: tuple = ()                       # rows seen on the screen before the dump
    then: str = "dump"                         # what the scenario does: see run_scenario
    limit: float = 10.0                        # seconds from Enter to the awaited key, native
    least: float = 0.0                         # seconds that the polls alone take at the least
    present: dict = field(default_factory=dict)  # files the directory holds beforehand
    kinds: tuple = BOTH


SCENARIOS = [
    Scenario("whole dump", dialogue=("Enter Comport 1", "0", "System 123 found")),
    # The controller's faults; each run still ends with a complete report. A silent
    # controller costs 51 polls of about 1 ms for each of the 198 exchanges.
    Scenario("silent controller", ["--silent"], report="0_00.spf", expect="zeros.spf", limit=40,
             least=198 * 51 * 0.001),
    Scenario("silent greeting", ["--silent-greeting"], report="0_00.spf"),
    Scenario("lower-case greeting", ["--lower-greeting"], report="0_00.spf"),
    Scenario("replies ended by ETX", ["--etx"], report="0_00.spf", expect="etx.spf", limit=30),
    Scenario("empty lines before replies", ["--blank-lines=2"]),
    Scenario("replies without terminator", ["--no-terminator", "--only", "RD DM25", "--only", "RD T12"],
             expect="no_terminator.spf"),
    Scenario("replies of 300 bytes", ["--long-reply", "--only", "RD DM25", "--only", "RD T48"],
             expect="long_reply.spf"),
    # A line forty times longer than a text holds: it is read to its end and cut, so it
    # gives the same report as the short overlong one.
    Scenario("a reply line of 10,000 bytes", ["--long-reply=10000", "--only", "RD DM25", "--only", "RD T48"],
             expect="long_reply.spf", limit=20),
    Scenario("unsolicited line after each reply", ["--unsolicited"], report="0_00.spf",
             expect="unsolicited.spf", dialogue=("System 0 found",)),
    Scenario("garbage before replies", ["--garbage"], report="0_00.spf", expect="garbage.spf"),
    # The same at the controller's own speed, so that every reply trickles in byte by byte
    # between the polls: about 5.5 s of wire time.
    Scenario("garbage at 9600 baud through the whole dump", ["--garbage", "--baud", "9600", "--turnaround", "5"],
             report="0_00.spf", expect="garbage.spf", limit=30, least=4.0),
    # A line that babbles without end from data word 40 on: no poll is ever empty, so only
    # the operator's Esc ends the read; the rest of the dump then runs without the line.
    Scenario("a flood without line end, ended by Esc", ["--flood", "--only", "RD DM40"], then="flood",
             expect="cut 20 0", limit=30),
    # Commands 1 and 2 are the greeting and data word 109; the 185th is data word 982.
    Scenario("hang-up in the middle", ["--hang-up-after", "185"], expect="cut 183 0", limit=20),
    Scenario("Esc in the middle", ["--turnaround", "10"], then="esc", expect="cut", limit=30),
    Scenario("port number not a number", typed="1x", then="invalid", report=None),
    Scenario("existing report", present={"123_00.spf": b"an earlier report\r\n"}, report="123_01.spf"),
    Scenario("terminal closed in the dump", ["--turnaround", "10"], then="close", expect="prefix", limit=30),
    Scenario("port that does not exist", typed="7", ports=(1,), report="0_00.spf", expect="zeros.spf",
             dialogue=("Enter Comport 7", "2"), limit=40, kinds=("wine",)),
    Scenario("COM10 by its device name", typed="10", ports=(10,), kinds=("wine",)),
    # Ctrl+\, the key that a Windows console takes for Ctrl+Break. Wine's console leaves the
    # terminal's signal keys on, so it reaches the Wine processes as SIGQUIT.
    Scenario("Ctrl+\\ in the dump", ["--turnaround", "10"], then="break", expect="prefix", limit=30,
             kinds=("wine",)),
]


def check_report(scenario, workdir, whole):
    """The report against its fixture, or against a cut of the whole dump."""
    got = read_bytes(os.path.join(workdir, scenario.report))
    if got is None:
        raise Failure(f"no report {scenario.report}")
    if scenario.expect == "cut":
        # Esc came once row 060 was on the screen, so after its first 40 data words at least.
        point = reports.cut_point(got, whole)
        if point is None or point == (190, 5) or point[0] < 40:
            raise Failure(f"report is no dump stopped after row 060 (stop after {point}):\n"
                          f"{diff(got, whole)}")
    elif scenario.expect.startswith("cut "):
        cells, timers = map(int, scenario.expect.split()[1:])
        expected = reports.cut_after(whole, cells, timers)
        if got != expected:
            raise Failure(f"report differs from the dump cut after {cells} data words:\n{diff(got, expected)}")
    elif scenario.expect == "prefix":
        # The rows written until the end came: whole lines of the complete report.
        if not (got and whole.startswith(got) and got.endswith(b"\r\n") and len(got) < len(whole)):
            raise Failure(f"report is no part of a dump ended in order ({len(got)} bytes):\n"
                          f"{got[-200:]!r}")
    else:
        expected = reports.fixture(scenario.expect)
        if got != expected:
            raise Failure(f"report differs from {scenario.expect}:\n{diff(got, expected)}")
    return got


def diff(got, expected):
    got_lines, want_lines = got.split(b"\n"), expected.split(b"\n")
    out = []
    for i in range(max(len(got_lines), len(want_lines))):
        a = got_lines[i] if i < len(got_lines) else None
        b = want_lines[i] if i < len(want_lines) else None
        if a != b:
            out.append(f"  line {i + 1}: got {a!r}\n  {' ' * len(str(i + 1))}   want {b!r}")
    return "\n".join(out[:8])


def run_scenario(scenario, launcher, ctlsim, marker):
    workdir = tempfile.mkdtemp(prefix="regdump-e2e-")
    try:
        run_in(workdir, scenario, launcher, ctlsim, marker)
    except Failure as failure:
        raise Failure(f"{failure}\n  (working directory kept: {workdir})")
    shutil.rmtree(workdir, ignore_errors=True)


def run_in(workdir, scenario, launcher, ctlsim, marker):
    for name, content in scenario.present.items():
        with open(os.path.join(workdir, name), "wb") as f:
            f.write(content)
    simulator = Simulator(ctlsim, scenario.flags, workdir)
    terminal = None
    slow = launcher.slowness
    try:
        env, command = launcher.command({n: simulator.path for n in scenario.ports}, workdir)
        key, _, value = marker.partition("=")
        env[key] = value
        terminal = Terminal(f"regdump-e2e-{value}", workdir, pane_script(workdir, env, command))
        file = lambda name: os.path.join(workdir, name)  # noqa: E731

        def running(probe):
            """The probe, failing at once when the program has ended."""
            def check():
                value = probe()
                code = None if value else read_bytes(file("exit.code"))
                if code is not None:
                    raise Failure(f"the program ended, exit code {code.strip().decode()}, standard error "
                                  f"{read_bytes(file('stderr.txt'))!r}")
                return value
            return check

        poll("the prompt", 10 + launcher.start_up,
             running(lambda: terminal.screen()[0].startswith("Enter Comport")))
        terminal.type(scenario.typed)
        terminal.key("Enter")
        started = time.monotonic()

        if scenario.then == "invalid":
            code = poll("the end of the program", 10 * slow, lambda: read_bytes(file("exit.code")))
            check_exit(code, 1)
            stderr = read_bytes(file("stderr.txt")) or b""
            if b"Invalid numeric input" not in stderr:
                raise Failure(f"standard error lacks \"Invalid numeric input\": {stderr!r}")
            left = [n for n in os.listdir(workdir) if n.endswith(".spf")]
            if left:
                raise Failure(f"a report was made: {left}")
            check_modes(workdir)
            return

        # The dialogue is on the screen only until the dump clears it.
        missing = list(scenario.dialogue)
        def dialogue_seen():
            rows = terminal.screen()
            while missing and missing[0] in rows:
                missing.pop(0)
            return not missing
        if missing:
            poll(f"dialogue rows {missing}", 10 * slow, running(dialogue_seen))

        whole = reports.fixture("default.spf")
        if scenario.then == "flood":
            poll("the flood", scenario.limit * slow,
                 running(lambda: b"(flood)" in (read_bytes(simulator.log) or b"")))
            time.sleep(1.0 * slow)  # the program reads the flood meanwhile
            if read_bytes(file("exit.code")) is not None:
                raise Failure("the program ended in the flood, before Esc")
            # Still in the read of data word 40: the row before it is whole, its own not begun.
            rows = terminal.screen()
            if not any(row.startswith("  DM[030]") and row.endswith(" 39") for row in rows) \
                    or any(row.startswith("  DM[040]") for row in rows):
                raise Failure("the flood did not hold the read of data word 40:\n" + "\n".join(rows[:10]))
            terminal.key("Escape")
        if scenario.then in ("esc", "close", "break"):
            poll("row 060 of the dump", scenario.limit * slow,
                 running(lambda: any(row.startswith("  DM[060]") for row in terminal.screen())))
            if scenario.then == "esc":
                terminal.key("Escape")
            else:
                if scenario.then == "close":
                    terminal.close()
                else:
                    terminal.key("C-\\")
                poll("the end of every process of the run", 20 + launcher.start_up,
                     lambda: not processes_with(marker))
                check_report(scenario, workdir, whole)
                if scenario.then == "break":
                    check_exit(read_bytes(file("exit.code")), 0)
                    check_modes(workdir)
                return

        poll(f"a complete {scenario.report}", scenario.limit * slow,
             running(lambda: reports.lines_of(read_bytes(file(scenario.report)) or b"")))
        elapsed = time.monotonic() - started
        report = check_report(scenario, workdir, whole)
        expected_rows, cursor_row = reports.screen_of(report, terminal.width)
        expected_rows += [""] * (terminal.height - len(expected_rows))
        try:
            poll("the dump's screen", 5 * slow, lambda: terminal.screen() == expected_rows
                 and terminal.cursor() == (0, cursor_row))
        except Failure:
            rows = terminal.screen()
            bad = [f"  row {i + 1}: got {a!r}\n          want {b!r}"
                   for i, (a, b) in enumerate(zip(rows, expected_rows)) if a != b]
            raise Failure("screen differs from the dump's layout (cursor "
                          f"{terminal.cursor()}, want (0, {cursor_row})):\n" + "\n".join(bad[:8]))
        # The program waits for the final key.
        time.sleep(0.3)
        if read_bytes(file("exit.code")) is not None:
            raise Failure("the program ended without waiting for a key")
        terminal.type("x")
        check_exit(poll("the end after the key", 10 * slow, lambda: read_bytes(file("exit.code"))), 0)
        check_modes(workdir)
        for name, content in scenario.present.items():
            if read_bytes(file(name)) != content:
                raise Failure(f"{name}, there before the run, was changed")
        spf = sorted(n for n in os.listdir(workdir) if n.endswith(".spf"))
        if spf != sorted({scenario.report, *scenario.present}):
            raise Failure(f"report files {spf}, want only {scenario.report}")
        if not scenario.least <= elapsed <= scenario.limit * slow:
            raise Failure(f"the dump took {elapsed:.1f} s, not from {scenario.least:.1f} s "
                          f"to {scenario.limit * slow:.1f} s")
    finally:
        if terminal:
            terminal.close()
        simulator.stop()
        launcher.finish_run()
        leftover = processes_with(marker)
        for pid in leftover:
            os.kill(pid, signal.SIGKILL)
    if leftover:
        raise Failure(f"processes left over: {leftover}")


def check_exit(code, expected):
    if code is None or code.strip() != str(expected).encode():
        raise Failure(f"exit code {code!r}, want {expected}")


def check_modes(workdir):
    before = read_bytes(os.path.join(workdir, "modes.before"))
    after = read_bytes(os.path.join(workdir, "modes.after"))
    if not before or before != after:
        raise Failure(f"terminal modes before {before!r}, after {after!r}")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--ctlsim", required=True)
    parser.add_argument("--only", action="append", help="run only scenarios whose name holds this")
    sub = parser.add_subparsers(dest="kind", required=True)
    native = sub.add_parser("native")
    native.add_argument("regdump")
    wine = sub.add_parser("wine")
    wine.add_argument("--exe64", required=True)
    wine.add_argument("--exe32")
    wine.add_argument("--prefix")
    args = parser.parse_args()

    args.ctlsim = os.path.abspath(args.ctlsim)
    if not os.access(args.ctlsim, os.X_OK):
        sys.exit(f"e2e: no ctlsim at {args.ctlsim}: build the linux preset first "
                 "(cmake --preset linux && cmake --build --preset linux)")
    if not shutil.which("tmux"):
        sys.exit("e2e: tmux is not installed")
    if args.kind == "native":
        launcher = launchers.Native(os.path.abspath(args.regdump))
    else:
        absolute = lambda path: path and os.path.abspath(path)  # noqa: E731
        launcher = launchers.Wine(absolute(args.exe64), absolute(args.exe32), absolute(args.prefix))
    launcher.prepare()

    failed = []
    chosen = [s for s in SCENARIOS if launcher.name in s.kinds
              and (not args.only or any(o in s.name for o in args.only))]
    try:
        for n, scenario in enumerate(chosen):
            marker = f"REGDUMP_E2E={os.getpid()}-{n}"
            began = time.monotonic()
            try:
                run_scenario(scenario, launcher, args.ctlsim, marker)
                print(f"ok    {launcher.name}: {scenario.name} ({time.monotonic() - began:.1f} s)", flush=True)
            except Failure as failure:
                failed.append(scenario.name)
                print(f"FAIL  {launcher.name}: {scenario.name}: {failure}", flush=True)
    finally:
        launcher.finish()
    print(f"{len(chosen) - len(failed)} of {len(chosen)} scenarios passed")
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
