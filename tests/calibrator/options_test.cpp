#include "veltrane/calibrator/options.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

using namespace veltrane;

namespace {

struct Parsed {
    OptionsResult result;
    Options options;
    std::string message;
};

Parsed parse(std::vector<const char*> arguments)
{
    arguments.insert(arguments.begin(), "veltrane-calibrator");
    Parsed parsed{OptionsResult::Invalid, Options(), ""};
    parsed.result =
        parseOptions(static_cast<int>(arguments.size()), arguments.data(), parsed.options, parsed.message);
    return parsed;
}

TEST(Options, DefaultsShortAndLongNames)
{
    const Parsed defaults = parse({});
    ASSERT_EQ(defaults.result, OptionsResult::Run);
    EXPECT_EQ(defaults.options.width, 640);
    EXPECT_EQ(defaults.options.height, 512);
    EXPECT_EQ(defaults.options.pitch, 8.0);
    for (const Parsed& p : {parse({"-w=1920", "-h=1080", "-p=9"}), parse({"--width=1920", "--height=1080", "--pitch=9"})}) {
        ASSERT_EQ(p.result, OptionsResult::Run) << p.message;
        EXPECT_EQ(p.options.width, 1920);
        EXPECT_EQ(p.options.height, 1080);
        EXPECT_EQ(p.options.pitch, 9.0);
    }
    EXPECT_EQ(parse({"--help"}).result, OptionsResult::Help);
    EXPECT_EQ(parse({"-?"}).result, OptionsResult::Help);
}

// The names every program shares, --param and --size, beside the
// calibrator's own, and a value after a space as after '='.
TEST(Options, TheCommonNamesAndAValueAfterASpace)
{
    const char* const line = "param: -x     6 -y  1152 -pitch   8.2500 -mirror";
    const std::string joined = std::string("--from=") + line;
    for (const Parsed& p : {parse({"--size=1920x1080", "--param", line, "-p", "9"}),
                            parse({"-w", "1920", "--height", "1080", joined.c_str(), "--pitch=9"}),
                            parse({"--size", "1920x1080", "--param=-x 6 -y 1152 -pitch 8.25 -mirror", "-p=9"})}) {
        ASSERT_EQ(p.result, OptionsResult::Run) << p.message;
        EXPECT_EQ(p.options.width, 1920);
        EXPECT_EQ(p.options.height, 1080);
        EXPECT_EQ(p.options.pitch, 9.0);
        EXPECT_TRUE(p.options.resume);
        EXPECT_EQ(p.options.start.x, 6);
        EXPECT_TRUE(p.options.start.mirror);
    }
    for (const std::vector<const char*>& refused :
         {std::vector<const char*>{"--size=1920x1080", "-w=1920"}, {"--size=1920"}, {"--size=0x0"},
          {"--from=-x 6 -y 1152 -pitch 8", "--param=-x 6 -y 1152 -pitch 8"}, {"-h"}, {"-w", "-p=9"},
          {"--param"}, {"--size=1920x1080", "--size=1920x1080"}, {"--save", "--list-screens"},
          {"-w=300", "-w=400"}, {"-w", "300", "--width=400"}, {"-p=8", "--pitch=9"}, {"-h=300", "-h=300"}}) {
        const Parsed p = parse(refused);
        EXPECT_EQ(p.result, OptionsResult::Invalid) << refused[0];
        EXPECT_FALSE(p.message.empty());
        EXPECT_EQ(p.message.find('\n'), std::string::npos) << p.message;
    }
    EXPECT_NE(parse({"-h"}).message.find("--help"), std::string::npos);
    EXPECT_NE(parse({"-w=300", "-w=400"}).message.find("given twice"), std::string::npos);
    EXPECT_NE(parse({"--size=1920"}).message.find("'1920'"), std::string::npos);
}

TEST(Options, LimitsOfTheAcceptedValues)
{
    // Width 5 has a bar height of 1, so the height needs 3 rows; 640 needs 129.
    for (auto accepted : std::vector<std::vector<const char*>>{
             {"-w=5", "-h=3"}, {"-h=129"}, {"-w=16384", "-h=16384"}, {"-p=2"}, {"-p=999.9999"}, {"-p=999.99994"},
             {"--from=-x 6 -y 1152 -pitch 1.5", "-p=8"}})
        EXPECT_EQ(parse(accepted).result, OptionsResult::Run) << accepted[0];
}

// What the keys and drags cannot adjust is not a pitch to start from: they
// stop at 2.
TEST(Options, NoStartBelowThePitchFloor)
{
    for (auto refused : std::vector<std::vector<const char*>>{
             {"-p=1"}, {"-p=1.9999"}, {"--from=-x 6 -y 1152 -pitch 1.5"}}) {
        const Parsed p = parse(refused);
        EXPECT_EQ(p.result, OptionsResult::Invalid) << refused[0];
        EXPECT_NE(p.message.find("2"), std::string::npos) << p.message;
    }
}

TEST(Options, WrongValuesGetOneLineThatNamesThem)
{
    const std::vector<std::vector<const char*>> refused = {
        {"-w=abc"}, {"-w=12abc"}, {"-w="},     {"-w=4"},    {"-w=16385"}, {"-h=16385"}, {"-h=0"},
        {"-h=128"}, {"-w=5", "-h=2"}, {"-p=0"}, {"-p=-8"},  {"-p=nan"},   {"-p=inf"},   {"-p=1000"},
        {"-p=0.5"}, {"-w=99999999999999999999"}, {"-w"},    {"--pitch"},  {"-x=3"},     {"--wdth=640"}, {"640"},
        {"---h=0"}, {"---w=2"}, {"----w=300"}, {"---"}, {"-p=999.99999999999988"}, {"-p=999.99995"},
    };
    for (const auto& arguments : refused) {
        const Parsed p = parse(arguments);
        EXPECT_EQ(p.result, OptionsResult::Invalid) << arguments.back();
        EXPECT_FALSE(p.message.empty());
        EXPECT_EQ(p.message.find('\n'), std::string::npos) << p.message;
    }
    EXPECT_NE(parse({"-p=1000"}).message.find("1000"), std::string::npos);
    EXPECT_NE(parse({"-h=100"}).message.find("at least 129"), std::string::npos);
}

TEST(Options, ScreenResumeAndSave)
{
    const Parsed p = parse({"--screen=HDMI-1", "--from=param: -x     6 -y  1152 -pitch   8.2500 -mirror\r",
                            "--save=lens.json", "-p=9"});
    ASSERT_EQ(p.result, OptionsResult::Run) << p.message;
    EXPECT_EQ(p.options.screen, "HDMI-1");
    EXPECT_EQ(p.options.save, "lens.json");
    EXPECT_TRUE(p.options.resume);
    EXPECT_EQ(p.options.start.x, 6);
    EXPECT_EQ(p.options.start.pitch, 8.25);
    EXPECT_TRUE(p.options.pitchGiven);
    EXPECT_FALSE(p.options.widthGiven);
    EXPECT_TRUE(parse({"--list-screens"}).options.listScreens);
    // Refused: a value where none belongs, none where one does, twice, both
    // starts, a bad line, a record that is not there, a folder that is not.
    for (const auto& arguments : std::vector<std::vector<const char*>>{
             {"--list-screens=1"}, {"--screen"}, {"--screen="}, {"--save=a.yml", "--save=b.yml"},
             {"--from=-x 6 -y 1152 -pitch 8", "--calibration=lens.yml"}, {"--from=-x 6 -y 1152"},
             {"--calibration=/no/such/record.yml"}, {"--save=/no/such/folder/lens.yml"}}) {
        const Parsed refused = parse(arguments);
        EXPECT_EQ(refused.result, OptionsResult::Invalid) << arguments.back();
        EXPECT_EQ(refused.message.find('\n'), std::string::npos) << refused.message;
    }
}

// The panel's subpixel order: --panel, else the record's, else rgb; the
// record's view phase comes along to be saved again.
TEST(Options, ThePanelAndTheViewPhase)
{
    EXPECT_EQ(parse({}).options.subpixelOrder, ChannelOrder::Rgb);
    EXPECT_EQ(parse({"--panel=bgr"}).options.subpixelOrder, ChannelOrder::Bgr);
    const std::string record = (std::filesystem::temp_directory_path() / "veltrane-options-panel.yml").string();
    std::ofstream(record) << "x: 6\ny: 1152\npitch: 8.25\nmirror: 1\nview_phase: 1.5\nsubpixel_order: bgr\n";
    const std::string calibration = "--calibration=" + record;
    const Parsed fromRecord = parse({calibration.c_str()});
    ASSERT_EQ(fromRecord.result, OptionsResult::Run) << fromRecord.message;
    EXPECT_EQ(fromRecord.options.subpixelOrder, ChannelOrder::Bgr);
    EXPECT_EQ(fromRecord.options.start.viewPhase, 1.5);
    EXPECT_EQ(parse({calibration.c_str(), "--panel=rgb"}).options.subpixelOrder, ChannelOrder::Rgb);
    std::filesystem::remove(record);
    for (const char* refused : {"--panel=grb", "--panel=", "--panel"})
        EXPECT_EQ(parse({refused}).result, OptionsResult::Invalid) << refused;
}

TEST(Options, MessagesShowControlCharactersAsEscapes)
{
    for (const char* argument : {"-w=1\n2", "--bogus\x1b[31m", "bad\targument", "-p=8\r"}) {
        const Parsed p = parse({argument});
        ASSERT_EQ(p.result, OptionsResult::Invalid) << argument;
        for (const char c : p.message)
            EXPECT_TRUE(c >= 0x20 && c < 0x7f) << "byte " << int(c) << " in: " << p.message;
    }
    EXPECT_NE(parse({"-w=1\n2"}).message.find("'1\\n2'"), std::string::npos);
    EXPECT_NE(parse({"--bogus\x1b[31m"}).message.find("\\x1b[31m"), std::string::npos);
}

} // namespace
