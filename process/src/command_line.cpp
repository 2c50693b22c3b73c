#include "veltrane/process/command_line.h"

#include "veltrane/records/value_text.h"

namespace veltrane {

Parse parseCommandLine(CLI::App& app, int argc, const char* const* argv, std::string& text)
{
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        text = app.help();
        return Parse::Help;
    } catch (const CLI::ParseError& error) {
        text = veltrane::printable(error.what()) + " (see --help)";
        return Parse::Invalid;
    }
    return Parse::Run;
}

} // namespace veltrane
