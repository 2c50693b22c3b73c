// veltrane-simulate: what an eye sees through a slanted lens sheet laid over
// a panel that shows an image, written as a PNG for every eye.
#include "exit_status.h"
#include "veltrane/process/standard_streams.h"
#include "veltrane/process/termination.h"
#include "veltrane/simulator/simulate_options.h"

#include <cstdio>

#include <unistd.h>

using namespace veltrane;

namespace {

std::FILE* messages = stderr;

// Each eye as its view is written, on a terminal: three eyes at 4K take seconds.
void showEye(std::size_t eye, std::size_t eyes, const std::string& written)
{
    std::fprintf(messages, "veltrane-simulate: %s written (eye %zu of %zu)\n", written.c_str(), eye + 1, eyes);
    std::fflush(messages);
}

} // namespace

int main(int argc, char** argv)
{
    messages = prepareStandardStreams();
    removeTemporariesOnTermination();
    SimulateOptions options;
    std::string message;
    switch (parseSimulateOptions(argc, argv, options, message)) {
    case Parse::Help:
        std::fputs(message.c_str(), stdout);
        return 0;
    case Parse::Invalid:
        std::fprintf(messages, "veltrane-simulate: %s\n", message.c_str());
        return ExitUsage;
    case Parse::Run:
        break;
    }
    const bool progress = !options.quiet && isatty(fileno(messages)) == 1;
    const Outcome outcome = runSimulation(options, progress ? EyeProgress(showEye) : nullptr);
    if (!outcome)
        std::fprintf(messages, "veltrane-simulate: %s\n", outcome.message.c_str());
    return exitStatusOf(outcome);
}
