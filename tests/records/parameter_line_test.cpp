// The parameter line the calibrator prints, read back as other programs take
// it (verbatim, pasted from a terminal) and written as it has always looked.
#include "veltrane/records/parameter_line.h"

#include <gtest/gtest.h>

using namespace veltrane;

namespace {

veltrane::Calibration parsed(const std::string& line)
{
    veltrane::Calibration calibration;
    std::string message;
    EXPECT_TRUE(parseParameterLine(line, calibration, message)) << line << ": " << message;
    return calibration;
}

TEST(ParameterLine, TakenVerbatimAsPrinted)
{
    for (const char* line : {"param: -x     6 -y  1152 -pitch   8.0000 -mirror\r", "-x 6 -y 1152 -pitch 8 -mirror",
                             "  param:\t-mirror -pitch 8.0000 -y 1152 -x 6\r\n"}) {
        const veltrane::Calibration c = parsed(line);
        EXPECT_EQ(c.x, 6);
        EXPECT_EQ(c.y, 1152);
        EXPECT_EQ(c.pitch, 8.0);
        EXPECT_TRUE(c.mirror);
    }
    EXPECT_FALSE(parsed("param: -x     0 -y  1152 -pitch 999.9999        \r").mirror);
}

TEST(ParameterLine, RefusesWhatTheCalibratorNeverPrints)
{
    for (const char* line : {"", "param:", "-x 6 -y 1152", "-x 6 -y 1152 -pitch", "-x -6 -y 1152 -pitch 8",
                             "-x 6 -y 0 -pitch 8", "-x 6 -y 1152 -pitch 1000", "-x 6 -y 1152 -pitch 0.5",
                             "-x 6 -x 7 -y 1152 -pitch 8", "-x 6 -y 1152 -pitch 8 -mirror -mirror",
                             "-x 6 -y 1152 -pitch 8 extra", "-x 6.5 -y 1152 -pitch 8", "-x 6 -y 1152 -pitch nan",
                             "param -x 6 -y 1152 -pitch 8", "-x 99999999999 -y 1 -pitch 8"}) {
        veltrane::Calibration c;
        std::string message;
        EXPECT_FALSE(parseParameterLine(line, c, message)) << line;
        EXPECT_EQ(message.find('\n'), std::string::npos);
        EXPECT_FALSE(message.empty());
    }
}

// The line written as the calibrator prints it reads back the same, and
// looks as it always has.
TEST(ParameterLine, WrittenAsPrintedAndReadBack)
{
    EXPECT_EQ(veltrane::parameterLine({6, 1152, 8.0, true}), "param: -x     6 -y  1152 -pitch   8.0000 -mirror");
    EXPECT_EQ(veltrane::parameterLine({128, 6240, 12.34567, false}), "param: -x   128 -y  6240 -pitch  12.3457");
    const veltrane::Calibration back = parsed(veltrane::parameterLine({31, 600, 7.25, true}));
    EXPECT_EQ(back.x, 31);
    EXPECT_EQ(back.y, 600);
    EXPECT_EQ(back.pitch, 7.25);
    EXPECT_TRUE(back.mirror);
}

} // namespace
