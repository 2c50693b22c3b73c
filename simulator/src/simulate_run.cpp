// veltrane-simulate's work: the image read, every output checked before
// any is written, then each eye's view seen and written whole.
#include "veltrane/simulator/simulate_options.h"

#include "veltrane/records/atomic_file.h"
#include "veltrane/records/image_file.h"
#include "veltrane/records/value_text.h"
#include "veltrane/records/view_files.h"

namespace veltrane {

namespace {

bool outputsCanBeWritten(const SimulateOptions& options, std::string& message)
{
    for (std::size_t e = 0; e < options.eyes.size(); ++e) {
        const std::string name = eyeOutput(options.output, e);
        std::string reason;
        if (!folderCanBeWritten(name, reason)) {
            message = printable(name) + " cannot be written: " + reason;
            return false;
        }
        if (!options.force && nameTaken(name)) {
            message = printable(name) + " exists (--force overwrites it)";
            return false;
        }
    }
    return true;
}

const char* seeingFailure(Status status)
{
    switch (status) {
    case Status::UnsupportedGeometry: return "the sheet's lenses are all but horizontal for this image";
    case Status::InvalidImage: return "the image or the sheet cannot be used";
    default: return veltrane::statusText(status);
    }
}

} // namespace

Outcome runSimulation(const SimulateOptions& options, const EyeProgress& progress)
{
    std::string message;
    if (!outputsCanBeWritten(options, message))
        return Outcome::usage(message); // as the interlacer: refused before any work
    std::string problem;
    const cv::Mat panel = loadViewImage(options.image, problem);
    if (panel.empty())
        return Outcome::failed(printable(options.image) + " cannot be read: " +
                               (problem.empty() ? "there is no such file" : problem));
    for (std::size_t e = 0; e < options.eyes.size(); ++e) {
        cv::Mat seen;
        const Status status = seeThroughSheet(options.sheet, options.eyes[e], panel, seen, options.seeing);
        if (status != Status::Done)
            return Outcome::failed(seeingFailure(status));
        const std::string name = eyeOutput(options.output, e);
        if (!writePngFile(name, seen, options.force ? Replace::Allowed : Replace::Refused, message))
            return Outcome::failed(message);
        if (progress)
            progress(e, options.eyes.size(), name);
    }
    return Outcome::done();
}

} // namespace veltrane
