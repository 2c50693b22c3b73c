// veltrane-simulate: what an eye sees through a slanted lens sheet laid over
// a panel that shows an image, written as a PNG for every eye.
#include "exit_status.h"
#include "veltrane/process/standard_streams.h"
#include "veltrane/process/termination.h"
#include "veltrane/simulator/simulate_options.h"

#include <cstdio>

using namespace veltrane;

int main(int argc, char** argv)
{
    std::FILE* messages = prepareStandardStreams();
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
    const Outcome outcome = runSimulation(options);
    if (!outcome)
        std::fprintf(messages, "veltrane-simulate: %s\n", outcome.message.c_str());
    return exitStatusOf(outcome);
}
