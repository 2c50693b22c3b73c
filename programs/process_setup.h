// What the calibrator's process needs from its surroundings before it starts:
// open standard streams, and no death by a reader that went away.
#pragma once

// Opens /dev/null on each of descriptors 0, 1 and 2 that is closed, so that no
// file or connection opened later takes one of them.
void openStandardStreams();

// A reader of standard output or error that goes away must not end the
// calibrator: writes to it then just fail.
void ignoreBrokenPipes();
