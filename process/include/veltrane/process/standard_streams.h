// What a program's process needs from its surroundings before it starts:
// open standard streams, no death by a reader that went away, and standard
// error for the program's own lines only.
#pragma once

#include <cstdio>

namespace veltrane {

// Opens /dev/null on each of descriptors 0, 1 and 2 that is closed, so that no
// file or connection opened later takes one of them.
void openStandardStreams();

// A reader of standard output or error that goes away, or a file grown to
// the size limit (ulimit -f), must not end the program: the write then just
// fails, and the program says so and removes what it was writing.
void ignoreBrokenPipes();

// From here on, what the libraries write on standard error (the toolkit's
// warnings, the codecs' complaints about a damaged file, the video
// back ends' notices) goes nowhere, for the whole run: the program says
// itself, in one line, what went wrong. Returns the stream for the program's
// own lines (the real standard error). With VELTRANE_LIBRARY_MESSAGES=1 in
// the environment the libraries keep standard error, for a look at what they
// say. Sanitizer reports keep going to the real standard error.
std::FILE* divertLibraryMessages();

// All three, as every program starts: the stream for its own lines.
std::FILE* prepareStandardStreams();

} // namespace veltrane
