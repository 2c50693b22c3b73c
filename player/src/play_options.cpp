#include "veltrane/player/play_options.h"

#include "veltrane/content/source_options.h"
#include "veltrane/records/calibration_record.h"
#include "veltrane/records/value_text.h"


namespace veltrane {

namespace {

const char* const HelpText =
    "veltrane-play: shows views, animations, quilts or an interlaced image live on the lens display, composed as "
    "veltrane-interlace writes them, with the numbers tuned by keys (keys and the rest: docs/veltrane-play.md).";

void declarePlayOptions(CommandLine& line, PlayOptions& options, std::string& fit)
{
    line.option("--image", options.image, "an interlaced image or video (the interlacer's .mkv), shown as it is, "
                                         "instead of views or a quilt (no calibration needed)")
        .valueName("FILE");
    line.option("--fit", fit, "views or tiles of another shape than the output: stretch (as veltrane-interlace) "
                              "or contain (whole, black around them) (default stretch)")
        .valueName("FIT");
    line.option("--screen", options.screen,
                "play full screen on monitor S: an index or name from --list-screens, or a geometry WxH+X+Y")
        .valueName("S");
    line.flag("--list-screens", options.listScreens, "list the monitors of the display and end");
    line.option("--save", options.save, "save the record of the numbers in force when the player ends")
        .valueName("FILE");
    line.flag("--gpu", options.gpu,
              "compose on the GPU (OpenGL 3.3 or ES 3.0) straight into the window, swapped at the vertical blank: "
              "the same bytes");
}

} // namespace

Parse parsePlayOptions(int argc, const char* const* argv, PlayOptions& options, std::string& text)
{
    CommandLine line("veltrane-play", HelpText);
    SourceTexts texts;
    std::string fit;
    options.source.nearestTiles = true; // the player's default: tiles through the view table
    declareSourceOptions(line, options.source, texts);
    declarePlayOptions(line, options, fit);
    if (const Parse parsed = line.parse(argc, argv, text); parsed != Parse::Run)
        return parsed;
    if (options.listScreens)
        return Parse::Run;
    if (!fit.empty() && fit != "stretch" && fit != "contain") {
        text = "--fit must be stretch or contain, got '" + printable(fit) + "'";
        return Parse::Invalid;
    }
    options.contain = fit == "contain";
    if (options.gpu && !options.source.nearestTiles) {
        text = "--gpu reads a quilt's tiles to their nearest pixels: give it without --tile-sampling=smooth";
        return Parse::Invalid;
    }
    if (!options.image.empty() && (line.given("--views") || line.given("--quilt"))) {
        text = "--image shows an interlaced image as it is: give it without --views or --quilt";
        return Parse::Invalid;
    }
    // What composes views does nothing to an image shown as it is.
    for (const char* composing : {"--size", "--fit", "--reverse", "--no-reverse", "--view-offset", "--view-phase",
                                  "--weights", "--panel", "--frames", "--tiles", "--quilt-origin", "--tile-sampling",
                                  "--viewer"})
        if (!options.image.empty() && line.given(composing)) {
            text = std::string("--image shows an interlaced image as it is: ") + composing + " does not apply to it";
            return Parse::Invalid;
        }
    // An image is shown as it is: it needs a calibration only to be saved.
    const bool image = !options.image.empty();
    if (!readSourceOptions(line, texts, options.source, text,
                           image ? CalibrationNeed::Optional : CalibrationNeed::Required))
        return Parse::Invalid;
    if (image && !calibrationGiven(texts) && !options.save.empty()) {
        text = "--save keeps the numbers tuned: give --param or --calibration with --image to save them";
        return Parse::Invalid;
    }
    if (!options.save.empty() && !veltrane::recordCanBeWritten(options.save, text))
        return Parse::Invalid;
    return Parse::Run;
}

} // namespace veltrane
