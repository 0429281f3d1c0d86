"""How each kind of program is started on a set of COM ports: the native program with its
REGDUMP_COM<n> variables, the Windows program under Wine with the ports in the prefix's
registry."""
import os
import subprocess
import tempfile

from harness import Failure


class Native:
    name = "native"
    slowness = 1.0   # time limits are set for the native program
    start_up = 0.0   # seconds the program needs to start, beyond the limits

    def __init__(self, program):
        if not os.access(program, os.X_OK):
            raise SystemExit(f"e2e: no native regdump at {program}")
        self.program = program

    def prepare(self):
        pass

    def command(self, ports, workdir):
        """The pane's environment and command line for a run on these ports
        ({COM number: device path})."""
        env = {f"REGDUMP_COM{n}": path for n, path in ports.items()}
        return env, [self.program]

    def finish_run(self):
        pass

    def finish(self):
        pass


class Wine:
    """The Windows program in a Wine prefix made once for the whole run."""
    name = "wine"
    slowness = 4.0   # each serial request is a call into the Wine server
    start_up = 20.0  # the first start of a session sets the prefix's devices up

    def __init__(self, exe64, exe32, prefix):
        wine32 = "/usr/lib/wine/wine"
        try:  # a kernel without 32-bit user mode refuses to execute the 32-bit loader at all
            runs32 = subprocess.run([wine32, "--version"], capture_output=True, timeout=30).returncode == 0
        except OSError:
            runs32 = False
        if exe32 and os.path.isfile(exe32) and runs32:
            self.loader, self.program = wine32, exe32
        else:
            if exe32 and not runs32:
                print("e2e: this machine cannot run 32-bit programs; "
                      "the Windows program runs as its 64-bit build")
            self.loader, self.program = "/usr/lib/wine/wine64", exe64
        for path in (self.loader, self.program):
            if not path or not os.path.isfile(path):
                raise SystemExit(f"e2e: missing {path}")
        self.server = os.path.join(os.path.dirname(self.loader), "wineserver")
        self.own_prefix = prefix is None
        self.prefix = prefix or tempfile.mkdtemp(prefix="regdump-e2e-wine-")
        self.env = {"WINEPREFIX": self.prefix, "WINEDEBUG": "-all",
                    "WINEDLLOVERRIDES": "mscoree,mshtml="}
        print(f"e2e: {os.path.basename(self.loader)} {self.program}, prefix {self.prefix}")

    def wine(self, *args, limit=120):
        try:
            return subprocess.run([self.loader, *args], env={**os.environ, **self.env},
                                  capture_output=True, timeout=limit)
        except subprocess.TimeoutExpired:
            raise Failure(f"wine {' '.join(args)}: no end within {limit} s")

    def stop_server(self):
        # -k ends every process of the prefix; the server then saves the registry.
        subprocess.run([self.server, "-k"], env={**os.environ, **self.env}, capture_output=True, timeout=30)
        subprocess.run([self.server, "-w"], env={**os.environ, **self.env}, capture_output=True, timeout=30)

    def prepare(self):
        if not os.path.isfile(os.path.join(self.prefix, "system.reg")):
            result = self.wine("wineboot", "-i", limit=300)
            if result.returncode != 0:
                raise SystemExit(f"e2e: wineboot failed: {result.stderr.decode(errors='replace')}")
        self.stop_server()

    def command(self, ports, workdir):
        # The ports are the prefix's registry values; Wine's device manager makes them into
        # devices when a session starts, so the server is ended to let the next run map
        # them. The key is made anew, so that no port of an earlier run stays mapped.
        lines = ["REGEDIT4", "", r"[-HKEY_LOCAL_MACHINE\Software\Wine\Ports]", "",
                 r"[HKEY_LOCAL_MACHINE\Software\Wine\Ports]"]
        lines += [f'"COM{n}"="{path}"' for n, path in ports.items()]
        reg = os.path.join(workdir, "ports.reg")
        with open(reg, "w") as f:
            f.write("\r\n".join(lines) + "\r\n")
        result = self.wine("reg", "import", reg)
        if result.returncode != 0:
            raise Failure(f"reg import of the ports failed: {result.stderr.decode(errors='replace')}")
        self.stop_server()
        return dict(self.env), [self.loader, self.program]

    def finish_run(self):
        self.stop_server()

    def finish(self):
        self.stop_server()
        if self.own_prefix:
            subprocess.run(["rm", "-rf", self.prefix])
