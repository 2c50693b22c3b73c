// The temporary files being written right now, kept where a signal handler
// can reach them: a process ended by SIGINT, SIGTERM or SIGHUP removes them
// before it goes. A fixed table of names, claimed and released with atomics,
// since a handler may neither lock nor allocate.
#pragma once

#include <string>

namespace veltrane {

// Remembers a temporary file's name; the slot to release, or -1 when the
// table is full or the name too long (the file is then only removed the
// ordinary way).
int rememberTemporary(const std::string& name);

// Forgets the slot's name (the file was moved into place or removed).
void forgetTemporary(int slot);

} // namespace veltrane
