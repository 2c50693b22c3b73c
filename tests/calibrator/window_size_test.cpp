// The calibrator's window on the screen that --screen names.
#include "veltrane/calibrator/options.h"
#include "veltrane/display/monitors.h"

#include <gtest/gtest.h>

#include <vector>

using namespace veltrane;

namespace {

const std::vector<Monitor> TwoMonitors = {{"eDP-1", 1920, 1200, 0, 0, true}, {"HDMI-1", 3840, 2160, 1920, -300, false}};

// The window size on a screen: the screen's unless given, and never larger.
TEST(WindowSize, TheWindowFitsTheScreen)
{
    Options options;
    std::string message;
    ASSERT_TRUE(settleWindowSize(options, &TwoMonitors[1], message)) << message;
    EXPECT_EQ(options.width, 3840);
    EXPECT_EQ(options.height, 2160);

    options = Options();
    options.width = 1000;
    options.widthGiven = true;
    ASSERT_TRUE(settleWindowSize(options, &TwoMonitors[0], message));
    EXPECT_EQ(options.width, 1000);
    EXPECT_EQ(options.height, 1200);

    options = Options();
    options.height = 1300;
    options.heightGiven = true;
    EXPECT_FALSE(settleWindowSize(options, &TwoMonitors[0], message));
    EXPECT_NE(message.find("does not fit screen eDP-1 (1920x1200+0+0)"), std::string::npos) << message;

    Monitor tiny{"tiny", 100, 20, 0, 0, false}; // too low for the panel at its width
    options = Options();
    EXPECT_FALSE(settleWindowSize(options, &tiny, message));
    EXPECT_NE(message.find("height must be at least"), std::string::npos) << message;

    options = Options(); // no screen: a record's window size, unless given
    options.recordWidth = 1024;
    options.recordHeight = 768;
    options.height = 700;
    options.heightGiven = true;
    ASSERT_TRUE(settleWindowSize(options, nullptr, message));
    EXPECT_EQ(options.width, 1024);
    EXPECT_EQ(options.height, 700);
}

} // namespace
