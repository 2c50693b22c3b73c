#include "veltrane/player/play_options.h"

#include "veltrane/interlacer/source_options.h"
#include "veltrane/records/calibration_record.h"

#include <CLI/CLI.hpp>

namespace veltrane {

namespace {

const char* const HelpText =
    "veltrane-play: shows views, animations, quilts or an interlaced image live on the lens display, composed as "
    "veltrane-interlace writes them, with the numbers tuned by keys (see the README's \"Play it on the display\").";

void declarePlayOptions(CLI::App& app, PlayOptions& options)
{
    app.add_option("--image", options.image, "an interlaced image, shown as it is, instead of views or a quilt")
        ->type_name("FILE");
    app.add_option("--screen", options.screen,
                   "play full screen on monitor S: an index or name from veltrane-calibrator --list-screens, or a "
                   "geometry WxH+X+Y")
        ->type_name("S");
    app.add_option("--save", options.save, "save the record of the numbers in force when the player ends")
        ->type_name("FILE");
}

} // namespace

Parse parsePlayOptions(int argc, const char* const* argv, PlayOptions& options, std::string& text)
{
    CLI::App app{HelpText, "veltrane-play"};
    SourceTexts texts;
    options.source.nearestTiles = true; // the player's default: tiles through the view table
    declareSourceOptions(app, options.source, texts);
    declarePlayOptions(app, options);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        text = app.help();
        return Parse::Help;
    } catch (const CLI::ParseError& error) {
        text = refusalText(error, argc, argv);
        return Parse::Invalid;
    }
    if (!options.image.empty() && (app.count("--views") > 0 || app.count("--quilt") > 0)) {
        text = "--image shows an interlaced image as it is: give it without --views or --quilt";
        return Parse::Invalid;
    }
    if (!readSourceOptions(app, texts, options.source, text))
        return Parse::Invalid;
    if (!options.save.empty() && !veltrane::recordCanBeWritten(options.save, text))
        return Parse::Invalid;
    return Parse::Run;
}

} // namespace veltrane
