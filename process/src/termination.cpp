#include "veltrane/process/termination.h"

#include "veltrane/records/atomic_file.h"

#include <signal.h>

#include <cstddef>
#include <iterator>

namespace veltrane {

namespace {

// The signals of a person or a system asking the program to end: Ctrl-C,
// kill, a closed terminal.
const int EndSignals[] = {SIGINT, SIGTERM, SIGHUP};
// The other signals that end a process by default and can be caught, but for
// the ones that mean the program itself went wrong (SIGSEGV and its kind: the
// temporaries then stay for a look), SIGPIPE and SIGXFSZ (ignored: a write
// that fails is the program's to report) and the profilers' (SIGPROF,
// SIGVTALRM). Ctrl-\ (SIGQUIT) ends at once, unsaved, as it always has.
const int OtherSignals[] = {SIGQUIT, SIGALRM, SIGUSR1, SIGUSR2};

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

// Installs handler for signals that have their default action now: one
// ignored when the program started (nohup) stays ignored, one a library
// handles stays its.
void handleWith(void (*handler)(int), const int* signals, std::size_t count)
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    for (const int signal : EndSignals)
        sigaddset(&action.sa_mask, signal);
    for (const int signal : OtherSignals)
        sigaddset(&action.sa_mask, signal);
    for (std::size_t i = 0; i < count; ++i) {
        struct sigaction before {};
        if (sigaction(signals[i], nullptr, &before) == 0 && before.sa_handler != SIG_DFL)
            continue;
        sigaction(signals[i], &action, nullptr);
    }
}

} // namespace

void removeTemporariesOnTermination()
{
    handleWith(endNow, EndSignals, std::size(EndSignals));
    handleWith(endNow, OtherSignals, std::size(OtherSignals));
}

const volatile std::sig_atomic_t* requestEndOnTermination()
{
    handleWith(requestEnd, EndSignals, std::size(EndSignals));
    handleWith(endNow, OtherSignals, std::size(OtherSignals));
    return &endRequested;
}

} // namespace veltrane
