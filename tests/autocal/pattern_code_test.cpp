// A pattern's code: its text read back exactly and nothing else taken for
// it; read from a photo through the sheet however the photo was turned or
// mirrored, and the photo turned back pixel for pixel; and, where a photo
// has no code, the guess given checked against the fringes: every pattern of
// another guess refused, never a number.
#include "veltrane/autocal/pattern.h"
#include "veltrane/autocal/pattern_code.h"
#include "veltrane/autocal/photo_rounds.h"
#include "veltrane/autocal/photo_turn.h"
#include "veltrane/autocal/virtual_camera.h"

#include <opencv2/imgproc.hpp>

#include <gtest/gtest.h>

using namespace veltrane;

namespace {

bool sameCode(const PatternCode& a, const PatternCode& b)
{
    return a.round == b.round && a.display == b.display && a.guess.x == b.guess.x && a.guess.y == b.guess.y &&
           a.guess.pitch == b.guess.pitch && a.guess.mirror == b.guess.mirror &&
           a.guess.subpixelOrder == b.guess.subpixelOrder;
}

TEST(PatternCode, TheTextIsReadBackAsWrittenAndNothingElse)
{
    const PatternCode codes[] = {
        {Calibration{8, 1152, 8.5, true}, cv::Size(3840, 2160), 1},
        {Calibration{0, 600, 40.0, false, 0.0, ChannelOrder::Bgr}, cv::Size(960, 600), 12},
        {Calibration{16777216, 16777216, 999.9999, true}, cv::Size(16384, 16384), 99},
    };
    for (const PatternCode& code : codes) {
        PatternCode read;
        ASSERT_TRUE(readPatternCodeText(patternCodeText(code), read)) << patternCodeText(code);
        EXPECT_TRUE(sameCode(read, code)) << patternCodeText(code);
    }
    EXPECT_EQ(patternCodeText(codes[0]), "VELTRANE1 R1 3840X2160 X8 Y1152 P8.5000 M1 RGB");
    PatternCode read;
    for (const char* other : {"", "VELTRANE1", "HELLO WORLD", "VELTRANE1 R1 3840X2160 X8 Y1152 P8.5000 M1 RGB ",
                              "VELTRANE1 R1 3840X2160 X8 Y1152 P8.5 M1 RGB", "VELTRANE1 R0 3840X2160 X8 Y1152 P8.5000 M1 RGB",
                              "VELTRANE1 R1 3840X0 X8 Y1152 P8.5000 M1 RGB", "VELTRANE1 R1 3840X2160 X8 Y1152 P0.5000 M1 RGB",
                              "VELTRANE1 R1 3840X2160 X8 Y1152 P8.5000 M2 RGB", "VELTRANE1 R1 3840X2160 X8 Y1152 P8.5000 M1 GBR",
                              "VELTRANE1 R1 99999X2160 X8 Y1152 P8.5000 M1 RGB", "VELTRANE2 R1 3840X2160 X8 Y1152 P8.5000 M1 RGB",
                              "VELTRANE1 R1 3840X2160 X-8 Y1152 P8.5000 M1 RGB", "VELTRANE1 R1 3840X2160 X8 Y1152 PNAN M1 RGB"})
        EXPECT_FALSE(readPatternCodeText(other, read)) << other;
}

struct Photographed {
    PatternCode code;
    cv::Mat photo;
};

Photographed photographedPattern(cv::Size display, double truePitch, const Calibration& guess)
{
    Photographed taken;
    taken.code = PatternCode{guess, display, 2};
    cv::Mat pattern;
    EXPECT_EQ(drawPattern(patternLayout(display, guess.pitch), taken.code, pattern), Status::Done);
    VirtualCamera camera;
    camera.sheet = LensSheet{Calibration{6, 1152, truePitch, true}, 8, 3.0 * truePitch};
    camera.yaw = 8.0;
    camera.tilt = -5.0;
    camera.blur = 1.0;
    camera.noise = 5.0;
    camera.gamma = 1.2;
    EXPECT_EQ(photograph(camera, pattern, taken.photo), Status::Done);
    return taken;
}

// Each of the eight ways a photo can be stored: turned by quarters, and
// mirrored (a front camera) or not.
cv::Mat storedAs(const cv::Mat& photo, bool mirrored, int clockwiseQuarters)
{
    cv::Mat stored = photo.clone();
    for (int q = 0; q < clockwiseQuarters; ++q)
        cv::rotate(stored.clone(), stored, cv::ROTATE_90_COUNTERCLOCKWISE);
    if (mirrored)
        cv::flip(stored.clone(), stored, 1);
    return stored;
}

TEST(PatternCode, APhotoIsReadAndTurnedBackHoweverItWasStored)
{
    const Photographed taken = photographedPattern(cv::Size(960, 600), 8.25, Calibration{8, 1152, 8.4, true});
    for (const bool mirrored : {false, true})
        for (int quarters = 0; quarters < 4; ++quarters) {
            const cv::Mat stored = storedAs(taken.photo, mirrored, quarters);
            PatternCode found;
            ASSERT_TRUE(findPatternCode(stored, found)) << mirrored << " " << quarters;
            EXPECT_TRUE(sameCode(found, taken.code)) << patternCodeText(found);
            cv::Mat upright;
            ASSERT_EQ(turnPhotoUpright(stored, found, upright), PhotoTurn::Found) << mirrored << " " << quarters;
            ASSERT_EQ(upright.size(), taken.photo.size()) << mirrored << " " << quarters;
            EXPECT_EQ(cv::norm(upright, taken.photo, cv::NORM_INF), 0.0) << mirrored << " " << quarters;
        }
    // A photo with no pattern in it is never taken as turned one way.
    const cv::Mat dark(600, 960, CV_8UC3, cv::Scalar::all(10));
    cv::Mat upright;
    EXPECT_NE(turnPhotoUpright(dark, taken.code, upright), PhotoTurn::Found);
}

TEST(PatternCode, ModulesTooFineForTheLensesAreNotDrawn)
{
    // Two lenses a module, 37 modules a side, within 0.6 of the field.
    EXPECT_FALSE(patternLayout(cv::Size(960, 600), 6.0).code.empty());
    EXPECT_TRUE(patternLayout(cv::Size(960, 600), 12.0).code.empty());
    EXPECT_FALSE(patternLayout(cv::Size(3840, 2160), 36.0).code.empty());
    EXPECT_TRUE(patternLayout(cv::Size(3840, 2160), 60.0).code.empty());
    PatternCode found;
    cv::Mat plain(600, 960, CV_8UC3, cv::Scalar::all(128));
    EXPECT_FALSE(findPatternCode(plain, found));
}

// A grey photo without a code is searched as it is and mirrored back, and
// left as it was.
TEST(PatternCode, AGreyPhotoIsSearchedWithoutBeingChanged)
{
    cv::Mat grey(600, 960, CV_8U, cv::Scalar(40));
    grey(cv::Rect(0, 0, 300, 600)).setTo(220);
    const cv::Mat before = grey.clone();
    PatternCode found;
    EXPECT_FALSE(findPatternCode(grey, found));
    EXPECT_EQ(cv::norm(grey, before, cv::NORM_INF), 0.0);
}

// Photos of any shape, however small or thin, are searched without a fault:
// no code, and no turn believed.
TEST(PatternCode, TinyAndThinPhotosAreNoFault)
{
    const PatternCode code{Calibration{8, 1152, 8.4, true}, cv::Size(960, 600), 1};
    for (const cv::Size size : {cv::Size(1, 1), cv::Size(2, 3), cv::Size(5000, 1), cv::Size(1, 5000), cv::Size(7, 7)}) {
        cv::Mat photo(size, CV_8UC3);
        cv::randu(photo, 0, 256);
        PatternCode found;
        EXPECT_FALSE(findPatternCode(photo, found)) << size;
        cv::Mat upright;
        EXPECT_NE(turnPhotoUpright(photo, code, upright), PhotoTurn::Found) << size;
    }
}

// Without its code (painted over), a photo is read with the guess given; a
// guess other than the pattern's is refused by its fringes: the next
// round's numbers on this round's photo, the other leaning, another pitch.
TEST(PhotoRounds, AGuessOtherThanThePatternsIsRefused)
{
    const cv::Size display(1280, 800);
    const Calibration drawnFor{8, 1152, 8.5, true};
    PatternCode code{drawnFor, display, 1};
    cv::Mat pattern;
    const PatternLayout layout = patternLayout(display, drawnFor.pitch);
    ASSERT_EQ(drawPattern(layout, code, pattern), Status::Done);
    pattern(layout.code).setTo(cv::Scalar::all(0));
    VirtualCamera camera;
    camera.sheet = LensSheet{Calibration{6, 1152, 8.25, true}, 8, 30.0};
    camera.yaw = 8.0;
    camera.blur = 1.0;
    camera.noise = 5.0;
    cv::Mat photo;
    ASSERT_EQ(photograph(camera, pattern, photo), Status::Done);
    PatternCode found;
    EXPECT_FALSE(findPatternCode(photo, found));
    auto solve = [&](const Calibration& guess, std::string& problem) {
        HeldPhoto photos(photo);
        RoundsOptions options;
        options.rounds = 1;
        RoundsResult result;
        return calibrateFromPhotos(guess, display, photos, options, result, problem);
    };
    std::string problem;
    EXPECT_TRUE(solve(drawnFor, problem)) << problem;
    for (const Calibration wrong : {Calibration{6, 1152, 8.2617, true}, Calibration{8, 1152, 8.5, false},
                                    Calibration{8, 1152, 9.5, true}, Calibration{8, 1152, 8.2, true}}) {
        problem.clear();
        EXPECT_FALSE(solve(wrong, problem)) << wrong.pitch << (wrong.mirror ? " mirrored" : "");
        EXPECT_NE(problem.find("do not fit"), std::string::npos) << problem;
    }
}

} // namespace
