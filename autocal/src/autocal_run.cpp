// veltrane-autocal's work: the pattern written, or the rounds run on the
// photos of a file, a camera or the virtual camera, and the numbers found
// printed and saved; a photo's guess read from its pattern's code, and the
// next round's pattern written after it.
#include "veltrane/autocal/autocal_options.h"

#include "veltrane/autocal/camera_distance.h"
#include "veltrane/autocal/pattern_code.h"
#include "veltrane/autocal/photo_round.h"
#include "veltrane/autocal/photo_rounds.h"
#include "veltrane/autocal/sheet_from_distances.h"
#include "veltrane/autocal/view_code.h"
#include "veltrane/records/atomic_file.h"
#include "veltrane/records/calibration_record.h"
#include "veltrane/records/photo_file.h"
#include "veltrane/records/image_file.h"
#include "veltrane/records/parameter_line.h"
#include "veltrane/records/value_text.h"
#include "veltrane/records/view_files.h"

#include <opencv2/videoio.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace veltrane {

namespace {

// A frame of a camera: the pattern is on the display already.
class CameraPhoto : public PhotoSource {
public:
    explicit CameraPhoto(int index) : index_(index) {}
    bool take(const cv::Mat&, cv::Mat& photo, std::string& problem) override
    {
        cv::VideoCapture camera(index_);
        if (!camera.isOpened() || !camera.read(photo) || photo.empty()) {
            problem = "camera " + std::to_string(index_) + " cannot be opened or gives no picture";
            return false;
        }
        return true;
    }

private:
    int index_;
};

// Another source's photos, each taken once its pattern is shown.
class ShownFirst : public PhotoSource {
public:
    ShownFirst(PhotoSource& photos, const ShowPattern& show) : photos_(photos), show_(show) {}
    bool take(const cv::Mat& pattern, cv::Mat& photo, std::string& problem) override
    {
        ++round_;
        if (show_ && !show_(pattern)) {
            problem = "stopped at round " + std::to_string(round_) + ": the pattern's window was closed; nothing saved";
            return false;
        }
        if (!photos_.take(pattern, photo, problem))
            return false;
        last_ = photo;
        return true;
    }
    const cv::Mat& last() const { return last_; }

private:
    int round_ = 0;
    cv::Mat last_;
    PhotoSource& photos_;
    const ShowPattern& show_;
};

// The guess as its line prints it, so that a pattern's code says exactly
// what the pattern was drawn for.
Calibration asPrinted(Calibration guess)
{
    guess.pitch = printedPitch(guess.pitch);
    return guess;
}

bool writePattern(const PatternCode& code, const std::string& name, bool force, AutocalReport& report,
                  std::string& message)
{
    const PatternLayout layout = patternLayout(code.display, code.guess.pitch);
    cv::Mat pattern;
    if (drawPattern(layout, code, pattern) != Status::Done) {
        message = UndrawableGuess;
        return false;
    }
    if (!writePngFile(name, pattern, force ? Replace::Allowed : Replace::Refused, message))
        return false;
    if (layout.code.empty())
        report.notes.push_back("the pattern carries no code (at this pitch its modules do not fit the display): give "
                               "--param and --size again with its photo");
    return true;
}

// The camera's distance: --distance, or read off the photo with
// --camera-fov; none when neither is given or the photo does not tell.
std::optional<double> distanceOfCamera(const AutocalOptions& options, const cv::Mat& photo, cv::Size display,
                                       AutocalReport& report)
{
    if (options.distance || options.cameraFov == 0.0 || !options.measures.panelWidth)
        return options.distance;
    double distance = 0.0;
    std::string problem;
    if (!cameraDistance(photo, display, *options.measures.panelWidth, CameraLens{options.cameraFov}, distance,
                        problem)) {
        report.notes.push_back("the camera's distance is not measured: " + problem);
        return std::nullopt;
    }
    char note[120];
    std::snprintf(note, sizeof note, "the camera's distance: %.0f mm (from the display's size in the photo)",
                  distance);
    report.notes.push_back(note);
    return distance;
}

// The measures the record keeps: the guess's gap and panel width, and the
// camera's distance when known; from that and the guess's record's own
// distance, a fifth or more apart, the sheet's gap, which the pitches found
// at the two give.
RecordedMeasures measuresFound(const AutocalOptions& options, std::optional<double> distance,
                               const Calibration& guess, const Calibration& found, AutocalReport& report)
{
    RecordedMeasures measures = options.measures;
    if (!distance)
        return measures;
    measures.viewingDistance = *distance;
    if (!options.guessDistance)
        return measures;
    SheetFromDistances sheet;
    std::string problem;
    if (!sheetFromDistances(guess.pitch, *options.guessDistance, found.pitch, *distance, sheet, problem)) {
        report.notes.push_back("the sheet's gap is not measured: " + problem);
        return measures;
    }
    measures.gap = sheet.gap;
    char note[200];
    std::snprintf(note, sizeof note,
                  "the sheet's gap: %.2f mm, its own pitch %.5f (from the pitches found at %.0f and %.0f mm)",
                  sheet.gap, sheet.pitch, *options.guessDistance, *distance);
    report.notes.push_back(note);
    return measures;
}

Outcome saveRecord(const AutocalOptions& options, const Calibration& guess, const Calibration& found, cv::Size display,
                   const cv::Mat& photo, AutocalReport& report)
{
    const RecordedMeasures measures =
        measuresFound(options, distanceOfCamera(options, photo, display, report), guess, found, report);
    if (options.save.empty())
        return Outcome::done();
    CalibrationRecord record;
    record.calibration = found;
    record.width = display.width;
    record.height = display.height;
    record.reverse = options.reverse;
    record.viewOffset = options.viewOffset;
    record.measures = measures;
    std::string message;
    return saveCalibrationRecord(options.save, record, isoTimeNow(), message) ? Outcome::done()
                                                                             : Outcome::failed(message);
}

// With --view-count, the phase that puts the middle views at the camera,
// and the panel's subpixel order, from a photo of the views' code drawn
// with the numbers found; a code not read leaves the guess's phase and
// order, and says why.
void measurePhase(const AutocalOptions& options, PhotoSource& photos, Calibration& found, AutocalReport& report)
{
    if (options.viewCount == 0)
        return;
    cv::Mat code;
    cv::Mat photo;
    std::string problem;
    LensPlace place;
    if (drawViewCode(found, options.display, code) != Status::Done)
        problem = UndrawableGuess;
    else if (photos.take(code, photo, problem) && readLensPlace(photo, found, options.display, place, problem)) {
        if (place.panel != found.subpixelOrder)
            report.notes.push_back(std::string("the panel's subpixel order is ") +
                                   (place.panel == ChannelOrder::Rgb ? "rgb" : "bgr") +
                                   ", as the views' code's colours show (the guess had the other): saved so");
        found.subpixelOrder = place.panel;
        found.viewPhase = phaseForPlace(found, options.display, options.viewCount, place.share);
        char note[160];
        std::snprintf(note, sizeof note, "the view phase for %d views: %.2f (the middle views at the camera)",
                      options.viewCount, found.viewPhase);
        report.notes.push_back(note);
        return;
    }
    report.notes.push_back("the view phase is not measured: " + problem);
}

// The rounds of a camera, or of the virtual camera, and the record saved.
Outcome cameraRounds(const AutocalOptions& options, const ShowPattern& show, AutocalReport& report)
{
    std::string message;
    CameraPhoto camera(options.camera);
    VirtualCameraPhotos simulated(options.virtualCamera);
    PhotoSource& source = options.simulated ? static_cast<PhotoSource&>(simulated) : static_cast<PhotoSource&>(camera);
    ShownFirst photos(source, show);
    RoundsOptions rounds;
    rounds.progress = options.progress;
    // A camera whose display this program does not drive has the one
    // pattern that was shown: one round.
    rounds.rounds = options.simulated || show ? options.rounds : 1;
    RoundsResult result;
    if (!calibrateFromPhotos(options.guess, options.display, photos, rounds, result, message))
        return Outcome::failed(message);
    report.line = parameterLine(result.calibration);
    const cv::Mat lastRound = photos.last();
    measurePhase(options, photos, result.calibration, report);
    return saveRecord(options, options.guess, result.calibration, options.display, lastRound, report);
}

// One round from a photo file; the next round's pattern written when asked.
Outcome photoRound(const AutocalOptions& options, AutocalReport& report)
{
    std::string why;
    cv::Mat photo = loadPhotoUpright(options.photo, why); // a phone photo stored turned is read as it was taken
    if (photo.empty())
        return Outcome::failed(printable(options.photo) + " cannot be read: " +
                               (why.empty() ? "there is no such file" : why));
    PhotoGuess given;
    if (options.guessGiven)
        given.guess = options.guess;
    given.display = options.display;
    PhotoRound round;
    const Outcome found = roundFromPhoto(photo, given, round);
    report.notes.insert(report.notes.end(), round.notes.begin(), round.notes.end());
    if (!found)
        return found;
    const PatternCode& shown = round.shown;
    const RoundsResult& result = round.result;
    photo = round.upright;
    std::string message;
    report.line = parameterLine(result.calibration);
    const int next = std::min(99, shown.round + 1);
    const std::string name = options.pattern.empty() ? "" : roundPatternName(options.pattern, next);
    // Nothing is saved when the next pattern cannot be written.
    if (!name.empty() && !options.force && nameTaken(name))
        return Outcome::failed("'" + printable(name) + "', round " + std::to_string(next) +
                               "'s pattern, exists: give --force to overwrite it");
    if (const Outcome saved = saveRecord(options, shown.guess, result.calibration, shown.display, photo, report);
        !saved)
        return saved;
    if (name.empty())
        return Outcome::done();
    if (!writePattern(PatternCode{asPrinted(result.calibration), shown.display, next}, name, options.force, report,
                      message))
        return Outcome::failed(message);
    report.notes.push_back("round " + std::to_string(next) + "'s pattern: " + printable(name) +
                           " (show it, photograph it, and give the photo with --photo)");
    return Outcome::done();
}

} // namespace

std::string roundPatternName(const std::string& given, int round)
{
    const std::size_t dot = given.size() >= 4 ? given.size() - 4 : 0;
    std::string stem = given.substr(0, dot);
    const std::string extension = given.substr(dot);
    const std::size_t dash = stem.find_last_of('-');
    long number = 0;
    if (dash != std::string::npos && readWholeNumber(stem.substr(dash + 1), number) && number >= 2 && number <= 99)
        stem.erase(dash);
    return round <= 1 ? stem + extension : stem + "-" + std::to_string(round) + extension;
}

Outcome runAutocal(const AutocalOptions& options, const ShowPattern& show, AutocalReport& report)
{
    std::string message;
    if (!options.photo.empty())
        return photoRound(options, report);
    if (!options.pattern.empty())
        return writePattern(PatternCode{asPrinted(options.guess), options.display, 1}, options.pattern, options.force,
                            report, message)
                   ? Outcome::done()
                   : Outcome::failed(message);
    return cameraRounds(options, show, report);
}

} // namespace veltrane
