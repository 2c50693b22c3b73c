#include "veltrane/tracking/frame_grabber.h"

#include <chrono>
#include <thread>

namespace veltrane {

double steadySeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

namespace {

class CameraGrabber : public FrameGrabber {
public:
    explicit CameraGrabber(int index) : capture_(index)
    {
        // The newest frame, not one queued while a step took long; and a read
        // that gives up rather than hangs (where the back end can).
        capture_.set(cv::CAP_PROP_BUFFERSIZE, 1);
        capture_.set(cv::CAP_PROP_READ_TIMEOUT_MSEC, 1000);
    }
    bool opened() { return capture_.isOpened(); }
    bool grab(cv::Mat& frame, double& time) override
    {
        bool read = false;
        try {
            read = capture_.read(frame);
        } catch (const cv::Exception&) {
        }
        time = steadySeconds();
        return read && !frame.empty();
    }

private:
    cv::VideoCapture capture_;
};

class VirtualCamera : public FrameGrabber {
public:
    VirtualCamera(const FacePhoto& face, HeadPath path, const VirtualCameraSettings& settings)
        : face_(face), path_(std::move(path)), settings_(settings), start_(steadySeconds())
    {
    }
    bool grab(cv::Mat& frame, double& time) override
    {
        if (settings_.frames >= 0 && taken_ >= settings_.frames)
            return false;
        // As a camera does: the frame comes at its time, not before.
        const double due = start_ + taken_ / settings_.rate;
        std::this_thread::sleep_until(std::chrono::steady_clock::time_point(
            std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(due))));
        time = std::max(due, steadySeconds());
        const double scene = time - start_ - settings_.delay;
        frame = virtualWebcamFrame(face_, path_(scene), settings_.webcam, static_cast<unsigned>(taken_));
        ++taken_;
        return !frame.empty();
    }

private:
    FacePhoto face_;
    HeadPath path_;
    VirtualCameraSettings settings_;
    double start_;
    long taken_ = 0;
};

} // namespace

std::unique_ptr<FrameGrabber> openCamera(int index, std::string& problem)
{
    auto camera = std::make_unique<CameraGrabber>(index);
    cv::Mat first;
    double time = 0.0;
    if (!camera->opened() || !camera->grab(first, time)) {
        problem = "camera " + std::to_string(index) + " cannot be opened, or gives no picture";
        return nullptr;
    }
    return camera;
}

std::unique_ptr<FrameGrabber> virtualCamera(const FacePhoto& face, HeadPath path,
                                            const VirtualCameraSettings& settings)
{
    return std::make_unique<VirtualCamera>(face, std::move(path), settings);
}

} // namespace veltrane
