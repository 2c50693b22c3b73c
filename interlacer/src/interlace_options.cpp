#include "veltrane/interlacer/interlace_options.h"

#include "veltrane/content/source_options.h"
#include "veltrane/records/value_text.h"


#include <cstdlib>

namespace veltrane {

namespace {

const char* const HelpText =
    "veltrane-interlace: interlaces rendered views, animations and quilts for a slanted-lens display, with the "
    "numbers veltrane-calibrator printed.";

void declareOutputOptions(CommandLine& line, InterlaceOptions& options, std::string& shard)
{
    line.option("--shard", shard,
                "only the frames whose number is I mod N, for N processes that together write one run's frames "
                "(needs --frames and an output with {frame})")
        .valueName("I/N");
    line.option("-o,--output", options.output,
                "a PNG; a path with {frame} for one PNG a frame; .mkv or .avi for lossless video (FFV1)")
        .required("give the output: -o PATH (a .png, a path with {frame}, or .mkv or .avi)")
        .valueName("PATH");
    line.flag("--force", options.force, "overwrite an existing output");
    line.flag("--allow-lossy", options.allowLossy, "allow a JPEG output (it blurs the subpixel pattern)");
    line.flag("--quiet", options.quiet, "no progress (progress is shown only on a terminal)");
    line.flag("--gpu", options.gpu,
              "compose on the GPU through EGL, no window or X server needed (the same bytes; quilts need "
              "--tile-sampling=nearest)");
}

// The GPU reads a quilt's tiles to their nearest pixels only.
bool checkGpu(const InterlaceOptions& options, std::string& text)
{
    if (options.gpu && !options.quilt.empty() && !options.nearestTiles) {
        text = "--gpu reads a quilt's tiles to their nearest pixels: give --tile-sampling=nearest";
        return false;
    }
    return true;
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
    CommandLine line("veltrane-interlace", HelpText);
    SourceTexts texts;
    std::string shard;
    declareSourceOptions(line, options, texts);
    declareOutputOptions(line, options, shard);
    if (const Parse parsed = line.parse(argc, argv, text); parsed != Parse::Run)
        return parsed;
    if (!options.output.empty() && options.output[0] == '=') {
        text = "-o takes its value after a space: -o " + printable(options.output.substr(1)) + " (or --output=" +
               printable(options.output.substr(1)) + ")";
        return Parse::Invalid;
    }
    return readSourceOptions(line, texts, options, text) && readShard(shard, options, text) &&
                   checkGpu(options, text)
               ? Parse::Run
               : Parse::Invalid;
}

} // namespace veltrane
