// Calibration from photographs through the virtual camera: a few random
// displays as make accuracy draws them, each solved within three rounds
// with -x exact and at most a quarter of a fringe left; and bad photos
// refused with a reason, never a number.
#include "accuracy_cases.h"

#include "veltrane/autocal/pattern.h"
#include "veltrane/autocal/photo_reading.h"
#include "veltrane/autocal/sheet_solving.h"

#include <opencv2/imgproc.hpp>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

using namespace veltrane;

namespace {

// Six random displays as make accuracy draws them: every one solved within
// three rounds to at most a quarter of a fringe, and -x exact in at least
// five (one step of -x moves the lines of a wide lens by a few hundredths of
// a fringe over a small display: make accuracy reports how often it is
// missed, and where).
TEST(PhotoRounds, RandomDisplaysAreSolved)
{
    std::mt19937 random(7);
    int exact = 0;
    for (int i = 0; i < 6; ++i) {
        const AccuracyCase c = randomCase(random, cv::Size(960, 600));
        const CaseOutcome o = runCase(c);
        const Calibration& t = c.camera.sheet.calibration;
        EXPECT_TRUE(o.solved && o.fringesLeft <= 0.25 && o.rounds <= 3)
            << "case " << i << ": pitch " << t.pitch << " -x " << t.x << " -y " << t.y << (t.mirror ? " -mirror" : "")
            << ": " << o.problem << ", found pitch " << o.found.pitch << " -x " << o.found.x << ", seen pitch "
            << o.seen.pitch << " -x " << o.seen.x << ", " << o.fringesLeft << " fringes left, " << o.rounds
            << " rounds";
        exact += o.good() ? 1 : 0;
    }
    EXPECT_GE(exact, 5);
}

// A panel whose subpixels are BGR, photographed in a dark room, from a
// guess all but right (the pitch as the camera sees the lenses, magnified
// by the gap) that says RGB: the pattern's lines drawn in the wrong order.
AccuracyCase wrongOrderCase(int x, int y, double pitch, bool mirror)
{
    AccuracyCase c;
    c.display = cv::Size(960, 600);
    c.camera.sheet.calibration = Calibration{x, y, pitch, mirror, 1.67, ChannelOrder::Bgr};
    c.camera.sheet.viewCount = 8;
    c.camera.sheet.gap = 10.5;
    c.camera.distance = 26000.0;
    c.camera.yaw = 6.0;
    c.camera.tilt = -4.0;
    c.camera.roll = -2.5;
    c.camera.blur = 1.25;
    c.camera.noise = 5.0;
    c.camera.gamma = 1.15;
    c.camera.vignetting = 0.05;
    c.camera.surround = 0.003;
    c.camera.seed = 3;
    c.guess = c.camera.sheet.calibration;
    c.guess.pitch = pitch * (1.0 + c.camera.sheet.gap / c.camera.distance);
    c.guess.viewPhase = 0.0;
    c.guess.subpixelOrder = ChannelOrder::Rgb;
    return c;
}

// The rounds read the case to a tenth of a fringe across the display, -x exact.
void expectReadRight(const AccuracyCase& c)
{
    const CaseOutcome o = runCase(c);
    const Calibration& t = c.camera.sheet.calibration;
    EXPECT_TRUE(o.solved && o.slantExact && o.fringesLeft <= 0.1)
        << "pitch " << t.pitch << " -x " << t.x << " -y " << t.y << (t.mirror ? " -mirror" : "") << ": "
        << o.problem << ", found pitch " << o.found.pitch << " -x " << o.found.x << ", seen pitch " << o.seen.pitch
        << ", " << o.fringesLeft << " fringes left";
}

// Fine lenses (under two pixels each), leaning either way, over a panel
// whose subpixel order the guess has wrong: the lines drawn in the wrong
// order beat with the lenses in faint fringes of their own a few cycles
// from the ones read, which once bent their reading by a quarter of a
// fringe: a wrong answer.
TEST(PhotoRounds, FineLensesAreReadRightFromANearGuess)
{
    for (const double pitch : {5.05, 5.28})
        for (const bool mirror : {false, true})
            expectReadRight(wrongOrderCase(121, 600, pitch, mirror));
}

// Drawn 8 % either side of the guess, the first field's lines would be two
// pixels a period at a pitch of 6.55, the second's at 5.6, and the first's
// four pixels at 13.05. Shown in the wrong order, lines of two pixels fade
// and a mirrored twin of their fringes takes their place; lines of four
// show a twin a third as strong beside theirs, which bends their reading
// where the lenses are near upright (leaning lenses move it far off down
// the field). Refused, or over a tenth of a fringe off (at 13.05 with -x one
// off), until no field was drawn there.
TEST(PhotoRounds, LinesNearTwoOrFourPixelsOnAPanelOfTheOtherOrderAreReadRight)
{
    struct Sheet {
        double pitch;
        int x;
        int y;
    };
    for (const Sheet sheet : {Sheet{6.55, 47, 600}, Sheet{5.6, 47, 600}, Sheet{13.05, 4, 1152}})
        for (const bool mirror : {false, true})
            expectReadRight(wrongOrderCase(sheet.x, sheet.y, sheet.pitch, mirror));
}

// One display under each condition users meet, as make accuracy draws
// them: none gets wrong numbers (more than a quarter of a fringe left), and
// all ten get numbers at all (the lit room's is a pitch of 6.49 over a
// panel whose subpixel order the guess has wrong).
TEST(PhotoRounds, UnderEveryConditionTheNumbersAreRightOrRefused)
{
    std::mt19937 random(11);
    int solved = 0;
    for (int k = 0; k < ConditionCount; ++k) {
        const Condition condition = static_cast<Condition>(k);
        const AccuracyCase c = conditionCase(random, condition);
#if defined(__SANITIZE_ADDRESS__)
        // A 4K photo's rounds take minutes under the sanitizers: the release build runs it.
        if (condition == Condition::FourK) {
            ++solved;
            continue;
        }
#endif
        const CaseOutcome o = runCase(c);
        EXPECT_TRUE(!o.solved || o.fringesLeft <= 0.25)
            << conditionName(condition) << ": found pitch " << o.found.pitch << " -x " << o.found.x << ", seen pitch "
            << o.seen.pitch << " -x " << o.seen.x << ", " << o.fringesLeft << " fringes left";
        if (!o.solved)
            std::printf("%s: refused: %s\n", conditionName(condition), o.problem.c_str());
        solved += o.solved;
    }
    EXPECT_EQ(solved, ConditionCount);
}

// Fringes of lines all but upright, leaning either way, are -x 0: upright
// has no leaning, so the answer never says -mirror, whatever the guess said.
TEST(SheetSolving, UprightLinesAreNeverMirrored)
{
    for (const double columnsPerRow : {1e-4, -1e-4})
        for (const bool guessMirrored : {false, true}) {
            const Calibration guess{2, 1152, 8.3, guessMirrored};
            const Calibration found =
                calibrationOf(cv::Point2d(3.0 / 8.0, -columnsPerRow / 8.0), guess, cv::Size(960, 600));
            EXPECT_EQ(found.x, 0) << columnsPerRow;
            EXPECT_FALSE(found.mirror) << columnsPerRow << (guessMirrored ? ", guess mirrored" : "");
            EXPECT_DOUBLE_EQ(found.pitch, 8.0);
        }
}

std::string refusal(const cv::Mat& photo)
{
    HeldPhoto photos(photo);
    RoundsResult result;
    std::string problem;
    EXPECT_FALSE(calibrateFromPhotos(Calibration{6, 1152, 8.0, true}, cv::Size(480, 300), photos, RoundsOptions{},
                                     result, problem));
    EXPECT_EQ(result.rounds, 0);
    return problem;
}

TEST(PhotoRounds, BadPhotosAreRefusedWithTheirReason)
{
    EXPECT_NE(refusal(cv::Mat(375, 600, CV_8UC3, cv::Scalar::all(12))).find("too dark"), std::string::npos);
    cv::Mat noise(375, 600, CV_8UC3);
    cv::randu(noise, 0, 256);
    EXPECT_NE(refusal(noise).find("no display found"), std::string::npos);
    // A white rectangle: no frame around black.
    cv::Mat plain(375, 600, CV_8UC3, cv::Scalar::all(20));
    cv::rectangle(plain, cv::Rect(60, 40, 480, 300), cv::Scalar::all(230), cv::FILLED);
    EXPECT_NE(refusal(plain).find("no display found"), std::string::npos);
    // The frame (15 pixels, then 7 black) around plain fields: not the pattern.
    cv::rectangle(plain, cv::Rect(75, 55, 450, 270), cv::Scalar::all(0), cv::FILLED);
    cv::rectangle(plain, cv::Rect(82, 62, 436, 256), cv::Scalar::all(90), cv::FILLED);
    EXPECT_NE(refusal(plain).find("a wrong pattern"), std::string::npos);
}

} // namespace

namespace {

// A display too small for the frame and the fields is a status, at every
// size below the smallest, never an exception; the smallest is drawn.
TEST(Pattern, ADisplayTooSmallIsAStatus)
{
    const Calibration guess{6, 1152, 8.25, true};
    for (const cv::Size display : {cv::Size(24, 5), cv::Size(1, 1), cv::Size(640, 63), cv::Size(63, 640)}) {
        cv::Mat pattern;
        EXPECT_EQ(drawPattern(patternLayout(display, guess.pitch), PatternCode{guess, display}, pattern), Status::InvalidImage)
            << display;
        EXPECT_TRUE(pattern.empty());
    }
    cv::Mat pattern;
    ASSERT_EQ(drawPattern(patternLayout(cv::Size(64, 64), guess.pitch), PatternCode{guess, cv::Size(64, 64)}, pattern),
              Status::Done);
    EXPECT_EQ(pattern.size(), cv::Size(64, 64));
    EXPECT_EQ(pattern.at<cv::Vec3b>(0, 0), cv::Vec3b(255, 255, 255)); // the frame
}

// No field is drawn within 8 % of two pixels (six columns) a line, nor
// within six fringes across the field of four pixels (twelve), whatever the
// guess; every field lies at least the spread from the guess (enough
// fringes), the two apart by as much; and away from those the fields are
// the guess less and more the spread.
TEST(Pattern, NoFieldIsDrawnNearTwoOrFourPixelsALine)
{
    for (const cv::Size display : {cv::Size(960, 600), cv::Size(3840, 2160)})
        for (double pitch = 4.0; pitch <= 16.0; pitch += 0.0025) {
            const Calibration guess{40, 600, pitch, false};
            const PatternLayout layout = patternLayout(display, pitch);
            const double spread = fieldSpread(layout, pitch);
            const double fourPixelsClear = 6.0 / layout.fields[0].width;
            const double first = fieldCalibration(layout, guess, 0).pitch;
            const double second = fieldCalibration(layout, guess, 1).pitch;
            for (const double drawn : {first, second}) {
                EXPECT_GE(std::fabs(drawn / 6.0 - 1.0), 0.08 - 1e-9) << "guess " << pitch << ": " << drawn;
                EXPECT_GE(std::fabs(drawn / 12.0 - 1.0), fourPixelsClear - 1e-9) << "guess " << pitch << ": " << drawn;
                EXPECT_GE(std::fabs(drawn / pitch - 1.0), spread - 1e-9) << "guess " << pitch << ": " << drawn;
            }
            EXPECT_GE(std::fabs(first - second) / pitch, spread - 1e-9) << "guess " << pitch;
            const bool nearTwin = (pitch > 5.1 && pitch < 7.1) || (pitch > 10.8 && pitch < 11.4) ||
                                  (pitch > 12.8 && pitch < 13.4);
            if (!nearTwin) {
                EXPECT_NEAR(first, pitch * (1.0 - spread), 1e-12) << pitch;
                EXPECT_NEAR(second, pitch * (1.0 + spread), 1e-12) << pitch;
            }
        }
}

} // namespace
