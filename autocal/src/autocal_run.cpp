// veltrane-autocal's work: the pattern written, or the rounds run on the
// photos of a file, a camera or the virtual camera, and the numbers found
// printed and saved.
#include "veltrane/autocal/autocal_options.h"

#include "veltrane/autocal/photo_rounds.h"
#include "veltrane/records/calibration_record.h"
#include "veltrane/records/photo_file.h"
#include "veltrane/records/image_file.h"
#include "veltrane/records/parameter_line.h"
#include "veltrane/records/value_text.h"
#include "veltrane/records/view_files.h"

#include <opencv2/videoio.hpp>

namespace veltrane {

namespace {

// The same photo, whatever the pattern: the one round of a photo file.
class FilePhoto : public PhotoSource {
public:
    explicit FilePhoto(std::string name) : name_(std::move(name)) {}
    bool take(const cv::Mat&, cv::Mat& photo, std::string& problem) override
    {
        std::string why;
        photo = loadPhotoUpright(name_, why); // a phone photo stored turned is read as it was taken
        if (photo.empty())
            problem = printable(name_) + " cannot be read: " + (why.empty() ? "there is no such file" : why);
        return !photo.empty();
    }

private:
    std::string name_;
};

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
        if (show_)
            show_(pattern);
        return photos_.take(pattern, photo, problem);
    }

private:
    PhotoSource& photos_;
    const ShowPattern& show_;
};

bool writePattern(const AutocalOptions& options, std::string& message)
{
    cv::Mat pattern;
    if (drawPattern(patternLayout(options.display), options.guess, pattern) != Status::Done) {
        message = UndrawableGuess;
        return false;
    }
    return writePngFile(options.pattern, pattern, options.force ? Replace::Allowed : Replace::Refused, message);
}

// One run's rounds, its line, and the record saved when asked.
Outcome solveAndSave(const AutocalOptions& options, const ShowPattern& show, std::string& line)
{
    std::string message;
    FilePhoto file(options.photo);
    CameraPhoto camera(options.camera);
    VirtualCameraPhotos simulated(options.virtualCamera);
    PhotoSource& source = options.simulated ? static_cast<PhotoSource&>(simulated)
                          : options.camera >= 0 ? static_cast<PhotoSource&>(camera)
                                                : static_cast<PhotoSource&>(file);
    ShownFirst photos(source, show);
    RoundsOptions rounds;
    // A photo file, or a camera whose display this program does not drive,
    // has the one pattern that was shown: one round.
    const bool everyRound = options.simulated || (options.camera >= 0 && show);
    rounds.rounds = everyRound ? options.rounds : 1;
    RoundsResult result;
    if (!calibrateFromPhotos(options.guess, options.display, photos, rounds, result, message))
        return Outcome::failed(message);
    line = parameterLine(result.calibration);
    if (options.save.empty())
        return Outcome::done();
    CalibrationRecord record;
    record.calibration = result.calibration;
    record.width = options.display.width;
    record.height = options.display.height;
    record.reverse = options.reverse;
    record.viewOffset = options.viewOffset;
    return saveCalibrationRecord(options.save, record, isoTimeNow(), message) ? Outcome::done()
                                                                                 : Outcome::failed(message);
}

} // namespace

Outcome runAutocal(const AutocalOptions& options, const ShowPattern& show, std::string& line)
{
    std::string message;
    if (!options.pattern.empty())
        return writePattern(options, message) ? Outcome::done() : Outcome::failed(message);
    return solveAndSave(options, show, line);
}

} // namespace veltrane
