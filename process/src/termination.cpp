#include "veltrane/process/termination.h"

#include "veltrane/records/atomic_file.h"

#include <signal.h>

namespace veltrane {

namespace {

// Every signal that ends a process by default and can be caught, but for
// the ones that mean the program itself went wrong (SIGSEGV and its kind:
// the temporaries then stay for a look) and SIGPIPE and SIGXFSZ, ignored
// (a write that fails is the program's to report).
const int Signals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGALRM, SIGUSR1, SIGUSR2, SIGVTALRM, SIGPROF};

// What the handlers share with the program: all a handler may touch.
volatile std::sig_atomic_t endRequested = 0;

void endNow(int signal)
{
    removeTemporariesNow();
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

void requestEnd(int signal)
{
    if (endRequested != 0)
        endNow(signal);
    endRequested = 1;
}

void handleWith(void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    for (const int signal : Signals)
        sigaddset(&action.sa_mask, signal);
    for (const int signal : Signals) {
        struct sigaction before {};
        // A signal ignored when the program started (nohup) stays ignored.
        if (sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN)
            continue;
        sigaction(signal, &action, nullptr);
    }
}

} // namespace

void removeTemporariesOnTermination()
{
    handleWith(endNow);
}

const volatile std::sig_atomic_t* requestEndOnTermination()
{
    handleWith(requestEnd);
    return &endRequested;
}

} // namespace veltrane
