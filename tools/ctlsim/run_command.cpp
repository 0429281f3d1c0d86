#include "tools/ctlsim/run_command.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace ctlsim {

namespace {

volatile sig_atomic_t ChildPid = 0;

void PassOnTermination(int) {
    if (ChildPid > 0) kill(ChildPid, SIGTERM);
}

int ExitCodeOf(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return 1;
}

}  // namespace

std::string PortVariable(unsigned com) { return "REGDUMP_COM" + std::to_string(com); }

CommandRun RunCommand(Line& line, const ServeConfig& config, unsigned com, char* const argv[]) {
    CommandRun run;
    setenv(PortVariable(com).c_str(), line.Path.c_str(), 1);

    // The terminal's interrupt, quit and hang-up signals reach the command by themselves,
    // as it is in the same foreground group; the simulator stays to serve the line until
    // the command has ended, and reports its exit code.
    struct sigaction ignore = {}, passOn = {}, oldInt = {}, oldQuit = {}, oldHup = {}, oldTerm = {};
    ignore.sa_handler = SIG_IGN;
    passOn.sa_handler = PassOnTermination;
    sigaction(SIGINT, &ignore, &oldInt);
    sigaction(SIGQUIT, &ignore, &oldQuit);
    sigaction(SIGHUP, &ignore, &oldHup);
    sigaction(SIGTERM, &passOn, &oldTerm);

    pid_t pid = fork();
    if (pid == 0) {
        // Ignored signals would stay ignored across exec.
        signal(SIGINT, SIG_DFL);
        signal(SIGQUIT, SIG_DFL);
        signal(SIGHUP, SIG_DFL);
        signal(SIGTERM, SIG_DFL);
        signal(SIGPIPE, SIG_DFL);
        execvp(argv[0], argv);
        std::fprintf(stderr, "ctlsim: %s: %s\n", argv[0], std::strerror(errno));
        _exit(127);
    }
    if (pid < 0) {
        std::fprintf(stderr, "ctlsim: fork: %s\n", std::strerror(errno));
        run.ExitCode = 127;
    } else {
        ChildPid = pid;
        int status = 0;
        bool ended = false;
        run.Served = Serve(line, config, [&] {
            ended = waitpid(pid, &status, WNOHANG) == pid;
            return !ended;
        });
        // After a hang-up of the line the command runs on without it.
        while (!ended) {
            pid_t got = waitpid(pid, &status, 0);
            ended = got == pid || (got < 0 && errno != EINTR);
        }
        ChildPid = 0;
        run.ExitCode = ExitCodeOf(status);
    }

    sigaction(SIGINT, &oldInt, nullptr);
    sigaction(SIGQUIT, &oldQuit, nullptr);
    sigaction(SIGHUP, &oldHup, nullptr);
    sigaction(SIGTERM, &oldTerm, nullptr);
    return run;
}

}  // namespace ctlsim
