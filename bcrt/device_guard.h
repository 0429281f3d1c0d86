// The guard that keeps the program's main thread off the console devices while a console
// control event ends the program on a thread of its own.
//
// How it is guarded: every device operation of the console devices runs under one
// process-wide lock, DeviceGuard.Lock, and the main thread never holds it while it waits
// for a key. A control event's handler
//   1. raises StopRequested: from now on the main thread leaves the lock to the handler
//      and stops at it, at its next device operation or keyboard call;
//   2. takes the lock, which waits at most for the one device operation in progress;
//   3. waits until the main thread has stopped: it waits at the lock (at its next device
//      operation, or its next keyboard call), or it is blocked in a key read, after which
//      it stops at the lock before it uses anything. The wait is bounded by StopWaitMs
//      for a main thread that is busy elsewhere for long (a disk or serial request);
//   4. records itself as the closing thread and runs the shut-down, still holding the
//      lock, until the process has ended.
// The closing thread's own device operations go ahead without the lock (it holds it).
// So the main thread is held before anything closes: a write call it is in the middle
// of stops at its device operation with its bytes in the buffer, and the shut-down's last
// transfer puts them on the screen; it never touches a device being closed or closed.
// Only a main thread that stays away from the console for longer than StopWaitMs can
// still come to a closed standard file; its write call then finds the file closed and
// raises the layer's error, while the shut-down ends the process.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace bcrt {

struct DeviceGuardState {
    std::mutex Lock;
    // The thread that runs a control event's shut-down; no thread (the default id) while
    // none runs. Set only while Lock is held.
    std::atomic<std::thread::id> ClosingThread{};
    std::atomic<bool> StopRequested{false};
    // Threads that can't reach a device while the handler holds Lock: waiting at it, or
    // blocked in a key read. Under StateLock; StateChanged tells the handler.
    std::mutex StateLock;
    std::condition_variable StateChanged;
    int Stopped = 0;
    uint32_t StopWaitMs = 1000;  // how long the handler waits for the main thread to stop
};

extern DeviceGuardState DeviceGuard;

// The right to use a device record, for the length of one device operation.
struct DeviceAccess {
    std::unique_lock<std::mutex> Lock;  // owns nothing on the closing thread
    bool Usable = false;                // false: the devices are closed for good
};

// Enters a device operation. On the closing thread it goes ahead without the lock.
// Elsewhere it takes the lock, waiting while a shut-down holds it; should it get the lock
// after a shut-down (which ends the process, so only where the process exit returns, as
// in the tests), the devices are gone and Usable is false.
DeviceAccess EnterDevice();

// For the keyboard calls: stops at the lock while a control event's shut-down is
// coming or running. False when the devices are gone.
bool StopHereIfClosing();

// Around a key read that may block: the thread counts as stopped meanwhile.
void BeginKeyWait();
void EndKeyWait();

// Called by the control handler with Lock held: waits until another thread has stopped,
// at most StopWaitMs.
void WaitForStoppedThread();

// Forgets a shut-down that has run: the devices may be opened afresh.
void ResetDeviceGuard();

}  // namespace bcrt
