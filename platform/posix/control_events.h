// Control events on a Unix terminal: the terminal hanging up (SIGHUP) and SIGTERM are the
// closing of the console window, SIGINT is Ctrl+C; the registered control handler gets
// them on a thread of its own.
#pragma once

namespace platform::posix::events {

// Routes SIGINT, SIGHUP and SIGTERM to the control handler's thread. Once per process;
// a signal that the process was started ignoring (nohup) stays ignored.
void Install();

}  // namespace platform::posix::events
