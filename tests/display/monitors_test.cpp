// The screen that --screen names, from a list of monitors as RandR gives it.
#include "veltrane/display/monitors.h"

#include <gtest/gtest.h>

#include <vector>

using namespace veltrane;

namespace {

const std::vector<Monitor> TwoMonitors = {{"eDP-1", 1920, 1200, 0, 0, true}, {"HDMI-1", 3840, 2160, 1920, -300, false}};

Monitor chosen(const std::string& choice)
{
    Monitor monitor;
    std::string message;
    EXPECT_TRUE(chooseMonitor(choice, TwoMonitors, monitor, message)) << choice << ": " << message;
    return monitor;
}

TEST(Monitors, ChosenByIndexNameOrGeometry)
{
    EXPECT_EQ(chosen("0").name, "eDP-1");
    EXPECT_EQ(chosen("1").name, "HDMI-1");
    EXPECT_EQ(chosen("HDMI-1").x, 1920);
    const Monitor part = chosen("800x600+1700+300");
    EXPECT_EQ(part.width, 800);
    EXPECT_EQ(part.height, 600);
    EXPECT_EQ(part.x, 1700);
    EXPECT_EQ(part.y, 300);
    EXPECT_EQ(geometryText(part), "800x600+1700+300");
    EXPECT_EQ(geometryText(chosen("HDMI-1")), "3840x2160+1920-300");
    EXPECT_EQ(chosen("10x20-5-7").y, -7);
    EXPECT_FALSE(part.wholeMonitor); // a region: placed, never made full screen
    EXPECT_TRUE(chosen("1").wholeMonitor);
    EXPECT_EQ(chosen("3840x2160+1920-300").name, "HDMI-1"); // a monitor's very geometry is that monitor
    EXPECT_TRUE(chosen("3840x2160+1920-300").wholeMonitor);
}

TEST(Monitors, AGeometryOffEveryMonitorIsRefused)
{
    for (const char* choice : {"800x600+9000+0", "100x100-200-200", "1920x1200+0+1200", "10x10+1910-310"}) {
        Monitor monitor;
        std::string message;
        EXPECT_FALSE(chooseMonitor(choice, TwoMonitors, monitor, message)) << choice;
        EXPECT_NE(message.find("off every monitor"), std::string::npos) << message;
    }
}

TEST(Monitors, WhatNamesNoneIsRefusedInOneLine)
{
    for (const char* choice : {"2", "17", "DP-3", "", "800x600", "800x600+1", "x600+0+0", "0x600+0+0", "800x600+0+0+0",
                             "800X600+0+0", "-1", "800x600+a+0", "1234567890x1+0+0"}) {
        Monitor monitor;
        std::string message;
        EXPECT_FALSE(chooseMonitor(choice, TwoMonitors, monitor, message)) << choice;
        EXPECT_FALSE(message.empty());
        EXPECT_EQ(message.find('\n'), std::string::npos);
    }
    Monitor monitor;
    std::string message;
    chooseMonitor("2", TwoMonitors, monitor, message);
    EXPECT_NE(message.find("has 2"), std::string::npos) << message;
}

TEST(Monitors, TheListAsPrinted)
{
    EXPECT_EQ(monitorList(TwoMonitors), "0  eDP-1  1920x1200+0+0  primary\n1  HDMI-1  3840x2160+1920-300\n");
}

} // namespace
