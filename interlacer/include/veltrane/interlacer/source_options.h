// The options that say what is shown and how, shared by veltrane-interlace
// and veltrane-play: the calibration (a printed line or a record, with its
// view phase and the panel's subpixel order), the content (numbered view
// files or a quilt), the output size, order, offset and phase, and the frame
// rate. Read with CLI11; every refusal worded as the programs' own.
#pragma once

#include "veltrane/interlacer/interlace_options.h"

#include "veltrane/process/command_line.h"

#include <string>

namespace veltrane {

// What the command line gives as text, read into numbers once parsed.
struct SourceTexts {
    std::string param, record, tiles, origin = "bottom-left", sampling, size, frames, offset, fps, phase, panel;
};

// Declares the options on line, into options and texts; the
// defaults are what options holds (a program's own, such as its tile sampling).
void declareSourceOptions(CommandLine& line, InterlaceOptions& options, SourceTexts& texts);

// Once line has parsed: the texts as numbers, the content checked and the
// calibration read. False with one line in text (a usage error).
bool readSourceOptions(const CommandLine& line, const SourceTexts& texts, InterlaceOptions& options, std::string& text);

} // namespace veltrane
