// What a signal that ends a process (SIGINT, SIGTERM, SIGHUP: Ctrl-C, kill, a
// closed terminal; SIGQUIT, the timers' and the user's signals) does to a
// program: it ends without leaving half-written files, or it is asked to end
// and finishes its work as if the person had quit.
#pragma once

#include <csignal>

namespace veltrane {

// On any of them, the temporary files being written are removed and
// the process ends as the signal would have ended it.
void removeTemporariesOnTermination();

// On the first of them, the returned flag is set, for a loop that looks
// at it to end as on a quit; on a second, the temporary files are removed and
// the process ends at once.
const volatile std::sig_atomic_t* requestEndOnTermination();

} // namespace veltrane
