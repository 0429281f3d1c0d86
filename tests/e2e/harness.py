"""The pieces of one end-to-end run: the simulator on its pseudo-terminal, a terminal of
its own (a tmux server on a private socket) with the program in its pane, and bounded
polling. Nothing here waits without a limit.
"""
import os
import select
import signal
import subprocess
import time

POLL = 0.02  # seconds between two looks at the screen or a file


class Failure(Exception):
    """A check of a scenario that did not hold."""


def poll(what, limit, probe):
    """Calls probe until it returns something true or `limit` seconds have passed; returns
    that value, or raises Failure naming what was awaited."""
    end = time.monotonic() + limit
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() >= end:
            raise Failure(f"{what}: not within {limit:.1f} s")
        time.sleep(POLL)


def read_bytes(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except FileNotFoundError:
        return None


class Simulator:
    """ctlsim serving a new pseudo-terminal; its path is read from its first output line."""

    def __init__(self, ctlsim, flags, workdir):
        self.log = os.path.join(workdir, "ctlsim.log")
        with open(os.path.join(workdir, "ctlsim.err"), "wb") as errors:
            self.proc = subprocess.Popen([ctlsim, *flags, f"--log={self.log}", "--pty"],
                                         stdout=subprocess.PIPE, stderr=errors, start_new_session=True)
        ready, _, _ = select.select([self.proc.stdout], [], [], 10)
        line = self.proc.stdout.readline().decode().strip() if ready else ""
        if not line.startswith("/dev/"):
            self.stop()
            raise Failure(f"ctlsim printed no pseudo-terminal path: {line!r}")
        self.path = line

    def stop(self):
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait(5)


class Terminal:
    """A tmux server of its own (own socket) with one session of one pane."""

    def __init__(self, name, workdir, command, width=100, height=40):
        self.socket = name
        self.width, self.height = width, height
        self.tmux("new-session", "-d", "-s", "e2e", "-x", str(width), "-y", str(height),
                  "-c", workdir, command)

    def tmux(self, *args, check=True):
        return subprocess.run(["tmux", "-L", self.socket, "-f", "/dev/null", *args],
                              capture_output=True, text=True, timeout=10, check=check).stdout

    def screen(self):
        """The pane's rows, trailing blanks cut, as many as the pane is high."""
        out = self.tmux("capture-pane", "-p", "-t", "e2e", check=False)
        rows = [row.rstrip() for row in out.split("\n")[: self.height]]
        return rows + [""] * (self.height - len(rows))

    def cursor(self):
        out = self.tmux("display-message", "-p", "-t", "e2e", "#{cursor_x} #{cursor_y}", check=False)
        x, _, y = out.strip().partition(" ")
        return (int(x), int(y)) if x.isdigit() and y.isdigit() else None

    def type(self, text):
        self.tmux("send-keys", "-t", "e2e", "-l", text)

    def key(self, name):
        self.tmux("send-keys", "-t", "e2e", name)

    def close(self):
        self.tmux("kill-server", check=False)


def processes_with(marker):
    """The ids of the processes whose environment holds the marker, a NAME=VALUE entry."""
    found = []
    needle = b"\0" + marker.encode() + b"\0"
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/environ", "rb") as f:
                if needle in b"\0" + f.read():
                    found.append(int(entry))
        except OSError:
            pass
    return found


def shell_quote(word):
    return "'" + word.replace("'", "'\\''") + "'"


def pane_script(workdir, env, command):
    """A script for the pane: the terminal's modes before and after, the program's own
    process id, its standard error and its exit code, each into a file of the working
    directory."""
    # Like an interactive shell, the pane's shell outlives a signal key that the terminal
    # sends to its foreground processes (Wine's console leaves the terminal's signal keys
    # on); the program gets the signal's default action back when it starts.
    lines = ["#!/bin/sh", "trap : INT QUIT", "stty -g > modes.before"]
    lines += [f"export {key}={shell_quote(value)}" for key, value in env.items()]
    lines.append("sh -c 'echo $$ > program.pid; exec \"$@\"' sh " +
                 " ".join(shell_quote(word) for word in command) + " 2> stderr.txt")
    lines += ["rc=$?", "stty -g > modes.after", "echo $rc > exit.code"]
    path = os.path.join(workdir, "pane.sh")
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")
    os.chmod(path, 0o755)
    return path
