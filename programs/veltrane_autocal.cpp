// veltrane-autocal: the pitch and slant of a lens display from photographs
// of a pattern it shows.
#include "veltrane/autocal/autocal_options.h"
#include "veltrane/process/standard_streams.h"
#include "veltrane/process/termination.h"

#include <cstdio>

using namespace veltrane;

int main(int argc, char** argv)
{
    std::FILE* messages = prepareStandardStreams();
    removeTemporariesOnTermination();
    AutocalOptions options;
    std::string text;
    switch (parseAutocalOptions(argc, argv, options, text)) {
    case AutocalParse::Help:
        std::fputs(text.c_str(), stdout);
        return 0;
    case AutocalParse::Invalid:
        std::fprintf(messages, "veltrane-autocal: %s\n", text.c_str());
        return 2;
    case AutocalParse::Run:
        break;
    }
    std::string line;
    if (!runAutocal(options, line, text)) {
        std::fprintf(messages, "veltrane-autocal: %s\n", text.c_str());
        return 1;
    }
    if (!line.empty())
        std::printf("%s\n", line.c_str());
    return 0;
}
