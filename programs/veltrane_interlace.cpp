// veltrane-interlace: interlaces rendered views, animations and quilts with
// the numbers veltrane-calibrator printed, into PNG images or lossless video.
#include "exit_status.h"
#include "veltrane/interlacer/frame_pipeline.h"
#include "veltrane/interlacer/interlace_options.h"
#include "veltrane/interlacer/memory_reuse.h"
#include "veltrane/process/standard_streams.h"
#include "veltrane/process/termination.h"

#include <cstdio>
#include <string>

#include <unistd.h>

using namespace veltrane;

int main(int argc, char** argv)
{
    std::FILE* const messages = prepareStandardStreams();
    removeTemporariesOnTermination();
    keepLargeBlocks();
    InterlaceOptions options;
    std::string text;
    switch (parseInterlaceOptions(argc, argv, options, text)) {
    case Parse::Help:
        std::fputs(text.c_str(), stdout);
        return 0;
    case Parse::Invalid:
        std::fprintf(messages, "veltrane-interlace: %s\n", text.c_str());
        return ExitUsage;
    case Parse::Run:
        break;
    }
    const bool progress = !options.quiet && isatty(fileno(messages)) == 1;
    const Outcome outcome = runInterlace(options, messages, progress);
    if (!outcome)
        std::fprintf(messages, "veltrane-interlace: %s\n", outcome.message.c_str());
    return exitStatusOf(outcome);
}
