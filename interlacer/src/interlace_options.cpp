#include "veltrane/interlacer/interlace_options.h"

#include "veltrane/interlacer/source_options.h"
#include "veltrane/records/value_text.h"

#include <CLI/CLI.hpp>

#include <cstdlib>

namespace veltrane {

namespace {

const char* const HelpText =
    "veltrane-interlace: interlaces rendered views, animations and quilts for a slanted-lens display, with the "
    "numbers veltrane-calibrator printed.";

void declareOutputOptions(CLI::App& app, InterlaceOptions& options, std::string& shard)
{
    app.add_option("--shard", shard,
                   "only the frames whose number is I mod N, for N processes that together write one run's frames "
                   "(needs --frames and an output with {frame})")
        ->type_name("I/N");
    app.add_option("-o,--output", options.output,
                   "a PNG; a path with {frame} for one PNG a frame; .mkv or .avi for lossless video (FFV1)")
        ->required()
        ->type_name("PATH");
    app.add_flag("--force", options.force, "overwrite an existing output");
    app.add_flag("--allow-lossy", options.allowLossy, "allow a JPEG output (it blurs the subpixel pattern)");
    app.add_flag("--quiet", options.quiet, "no progress (progress is shown only on a terminal)");
}

// --shard=I/N: 0 <= I < N; with the frames fixed by --frames and one file a frame.
bool readShard(const std::string& shard, InterlaceOptions& options, std::string& text)
{
    if (shard.empty())
        return true;
    const std::size_t slash = shard.find('/');
    long index = -1;
    long count = 0;
    if (slash == std::string::npos || !readWholeNumber(shard.substr(0, slash), index) ||
        !readWholeNumber(shard.substr(slash + 1), count) || count < 1 || count > 1000000 || index < 0 ||
        index >= count) {
        text = "--shard must be I/N with 0 <= I < N, such as 0/3, got '" + printable(shard) + "'";
        return false;
    }
    if (!options.framesGiven || !options.quilt.empty()) {
        text = "--shard needs --frames=A-B with numbered view files, so that every shard resolves the same frames";
        return false;
    }
    if (options.output.find("{frame") == std::string::npos) {
        text = "--shard writes one PNG a frame: put {frame} in the output (stitch the frames into video afterwards)";
        return false;
    }
    options.shardIndex = static_cast<int>(index);
    options.shardCount = static_cast<int>(count);
    return true;
}

} // namespace

Parse parseInterlaceOptions(int argc, const char* const* argv, InterlaceOptions& options, std::string& text)
{
    CLI::App app{HelpText, "veltrane-interlace"};
    SourceTexts texts;
    std::string shard;
    declareSourceOptions(app, options, texts);
    declareOutputOptions(app, options, shard);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        text = app.help();
        return Parse::Help;
    } catch (const CLI::ParseError& error) {
        text = refusalText(error, argc, argv);
        return Parse::Invalid;
    }
    if (!options.output.empty() && options.output[0] == '=') {
        text = "-o takes its value after a space: -o " + printable(options.output.substr(1)) + " (or --output=" +
               printable(options.output.substr(1)) + ")";
        return Parse::Invalid;
    }
    return readSourceOptions(app, texts, options, text) && readShard(shard, options, text) ? Parse::Run
                                                                                           : Parse::Invalid;
}

} // namespace veltrane
