// How a composition ended. The values are the mask allocation results: 1 the
// array of mask pointers, 2 a mask (or other working memory) could not be had.
#pragma once

enum class EngineStatus : int {
    Done = 0,
    NoMaskArray = 1,
    NoMaskMemory = 2,
};

// The calibrator's message for a failed allocation: "\n---out of memory---\n"
// or "\n---error:malloc:1---\n"; "" when done.
const char* engineStatusMessage(EngineStatus status);
