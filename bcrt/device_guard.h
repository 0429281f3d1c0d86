// The guard that keeps the program's main thread off the console devices while a console
// control event ends the program on a thread of its own.
//
// How it is guarded: every device operation of the console devices runs under one
// process-wide lock, DeviceGuard.Lock. The main thread never holds it while it waits for
// a key (the line input takes it only to hand its line over), so nothing that waits for
// the operator ever holds it. The control handler takes the lock, which waits at most
// for the one device operation in progress to finish, records itself as the closing
// thread and keeps the lock until the process has ended. Its shut-down then runs the
// devices' close operations on its own thread without the lock (it holds it already);
// any other thread that comes to a device operation meanwhile waits at the lock until
// the process is gone, so it never touches a device that is being closed or has been
// closed.
//
// What the lock does not cover is the text-file layer's own work on a record between two
// device operations: a write call that the main thread is in the middle of while the
// shut-down closes standard output may still touch the record's buffer fields as they
// are cleared, and a write call that starts after the close finds the file closed and
// raises its error. Closing that window takes the layer's calls themselves under the
// lock, or the main thread stopped at its next console call before anything closes.
#pragma once

#include <atomic>
#include <mutex>
#include <thread>

namespace bcrt {

struct DeviceGuardState {
    std::mutex Lock;
    // The thread that runs a control event's shut-down; no thread (the default id) while
    // none runs. Set only while Lock is held.
    std::atomic<std::thread::id> ClosingThread{};
};

extern DeviceGuardState DeviceGuard;

// The right to use a device record, for the length of one device operation.
struct DeviceAccess {
    std::unique_lock<std::mutex> Lock;  // owns nothing on the closing thread
    bool Usable = false;                // false: the devices are closed for good
};

// Enters a device operation. On the closing thread it goes ahead without the lock.
// Elsewhere it takes the lock, waiting while a shut-down holds it; should it get the lock
// after a shut-down (which ends the process, so only when the process exit returns, as
// in the tests), the devices are gone and Usable is false.
DeviceAccess EnterDevice();

// Forgets a shut-down that has run: the devices may be opened afresh.
void ResetDeviceGuard();

}  // namespace bcrt
