#include "support/calibrator_fixture.h"

#include "veltrane/calibrator/main_loop.h"
#include "veltrane/calibrator/startup.h"

namespace veltrane {

void CalibratorTest::start(int width, int height, double pitch)
{
    Options options;
    options.width = width;
    options.height = height;
    options.pitch = pitch;
    ::testing::internal::CaptureStdout();
    startUp(calibrator, options, windows);
    ::testing::internal::GetCapturedStdout();
}

void CalibratorTest::run()
{
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    err.clear();
    loopResult = runMainLoop(calibrator, windows);
    err += ::testing::internal::GetCapturedStderr();
    out = ::testing::internal::GetCapturedStdout();
    if (!scriptMayBeCutShort) {
        EXPECT_EQ(windows.pendingSteps(), 0) << "the loop ended before its script did";
    }
}

namespace {

std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t begin = 0;
    for (std::size_t end = text.find('\r'); end != std::string::npos; end = text.find('\r', begin)) {
        lines.push_back(text.substr(begin, end - begin + 1));
        begin = end + 1;
    }
    return lines;
}

} // namespace

std::vector<std::string> CalibratorTest::parameterLines() const
{
    return splitLines(err);
}

std::vector<std::string> CalibratorTest::parameterLinesSoFar()
{
    // Standard error is being captured: take what it holds and capture on.
    const std::string text = ::testing::internal::GetCapturedStderr();
    err += text;
    ::testing::internal::CaptureStderr();
    return splitLines(err);
}

} // namespace veltrane
