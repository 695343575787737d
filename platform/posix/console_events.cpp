// Console events. They arrive as signals: SIGHUP when the terminal goes away
// (the close event), SIGINT for Ctrl+C and SIGTERM, the request to end that a
// shutdown sends. As on Windows, handlers run on a thread of their own, so
// they may take locks and call anything, which a signal handler may not.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <type_traits>

#include "platform/posix/windows_types.h"

namespace {

// Plain arrays and a mutex with nothing to destroy, so that the watcher stays
// safe even while another thread runs the exit handlers.
static_assert(std::is_trivially_destructible<std::mutex>::value, "no destructor to run at exit");
constexpr int MaxHandlers = 16;
std::mutex lock;
PHANDLER_ROUTINE handlers[MaxHandlers];
int handlerCount = 0;
bool watching = false;
sigset_t watched;

bool CallHandlers(DWORD event) {
    PHANDLER_ROUTINE called[MaxHandlers];
    int count;
    {
        std::lock_guard<std::mutex> hold(lock);
        count = handlerCount;
        std::copy(handlers, handlers + count, called);
    }
    for (int i = count - 1; i >= 0; --i)
        if (called[i](event)) return true;
    return false;
}

void* Watch(void*) {
    for (;;) {
        int sig = 0;
        if (sigwait(&watched, &sig) != 0) continue;
        DWORD event = sig == SIGHUP    ? CTRL_CLOSE_EVENT
                      : sig == SIGTERM ? CTRL_SHUTDOWN_EVENT
                                       : CTRL_C_EVENT;
        if (CallHandlers(event)) continue;
        // Nobody took the event: end the way the signal would have ended the
        // process had nobody been watching for it.
        signal(sig, SIG_DFL);
        sigset_t only;
        sigemptyset(&only);
        sigaddset(&only, sig);
        pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
        pthread_kill(pthread_self(), sig);
    }
    return nullptr;
}

// The signals are blocked in the registering thread, and so in every thread
// it starts from then on, leaving the watcher the only one to receive them.
bool StartWatching() {
    sigemptyset(&watched);
    for (int sig : {SIGHUP, SIGINT, SIGTERM}) {
        // A signal ignored from the start (nohup, a background job) is the
        // user's wish to carry on, and stays ignored.
        struct sigaction now;
        if (sigaction(sig, nullptr, &now) == 0 && now.sa_handler != SIG_IGN)
            sigaddset(&watched, sig);
    }
    if (sigisemptyset(&watched)) return true;
    sigset_t before;
    pthread_sigmask(SIG_BLOCK, &watched, &before);
    pthread_t watcher;
    if (pthread_create(&watcher, nullptr, Watch, nullptr) != 0) {
        pthread_sigmask(SIG_SETMASK, &before, nullptr);
        return false;
    }
    pthread_detach(watcher);
    return true;
}

}  // namespace

namespace PosixOs {

BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE handler, BOOL add) {
    if (handler == nullptr) return FALSE;
    std::lock_guard<std::mutex> hold(lock);
    if (!add) {
        for (int i = handlerCount - 1; i >= 0; --i) {
            if (handlers[i] != handler) continue;
            std::copy(handlers + i + 1, handlers + handlerCount, handlers + i);
            --handlerCount;
            return TRUE;
        }
        return FALSE;
    }
    if (handlerCount == MaxHandlers) return FALSE;
    if (!watching && !StartWatching()) return FALSE;
    watching = true;
    handlers[handlerCount++] = handler;
    return TRUE;
}

}  // namespace PosixOs
