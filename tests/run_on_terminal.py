#!/usr/bin/env python3
"""Runs a command on a pseudo-terminal of its own and exits with its exit code.

Wine gives a console only to a program on a terminal. Nothing is ever typed on this
terminal, so the console input holds exactly what a test puts there; everything the
program writes is passed on to standard output, escape sequences and all.
"""
import os
import sys

pid, master = os.forkpty()
if pid == 0:
    os.execvp(sys.argv[1], sys.argv[1:])
while True:
    try:
        data = os.read(master, 65536)
    except OSError:  # the slave side closed: the program has ended
        break
    if not data:
        break
    os.write(1, data)
_, status = os.waitpid(pid, 0)
sys.exit(os.waitstatus_to_exitcode(status))
