// What a signal that ends a process does to a program: SIGINT, SIGTERM and
// SIGHUP (Ctrl-C, kill, a closed terminal) end it without leaving half-written
// files, or ask it to end and finish its work as if the person had quit;
// SIGQUIT, SIGALRM, SIGUSR1 and SIGUSR2 end it at once, its half-written
// files removed.
#pragma once

#include <csignal>

namespace veltrane {

// On any of them, the temporary files being written are removed and the
// process ends as the signal would have ended it.
void removeTemporariesOnTermination();

// On the first of SIGINT, SIGTERM and SIGHUP, the returned flag is set, for
// a loop that looks at it to end as on a quit; on a second, or on one of the
// others, the temporary files are removed and the process ends at once.
const volatile std::sig_atomic_t* requestEndOnTermination();

} // namespace veltrane
