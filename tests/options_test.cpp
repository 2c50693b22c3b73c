#include "app/options.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace {

struct Parsed {
    OptionsResult result;
    Options options;
    std::string message;
};

Parsed parse(std::initializer_list<const char*> arguments)
{
    std::vector<const char*> argv{"veltrane-calibrator"};
    argv.insert(argv.end(), arguments);
    Parsed parsed{OptionsResult::Invalid, Options(), ""};
    parsed.result = parseOptions(static_cast<int>(argv.size()), argv.data(), parsed.options, parsed.message);
    return parsed;
}

TEST(Options, DefaultsWithoutArguments)
{
    const Parsed p = parse({});
    ASSERT_EQ(p.result, OptionsResult::Run);
    EXPECT_EQ(p.options.width, 640);
    EXPECT_EQ(p.options.height, 512);
    EXPECT_EQ(p.options.pitch, 8.0);
}

TEST(Options, ShortAndLongNamesSetTheSameFields)
{
    const Parsed shortNames = parse({"-w=1920", "-h=1080", "-p=8.25"});
    const Parsed longNames = parse({"--width=1920", "--height=1080", "--pitch=8.25"});
    for (const Parsed& p : {shortNames, longNames}) {
        ASSERT_EQ(p.result, OptionsResult::Run) << p.message;
        EXPECT_EQ(p.options.width, 1920);
        EXPECT_EQ(p.options.height, 1080);
        EXPECT_EQ(p.options.pitch, 8.25);
    }
}

TEST(Options, IntegerPitchReadsAsDouble)
{
    const Parsed p = parse({"-p=9"});
    ASSERT_EQ(p.result, OptionsResult::Run);
    EXPECT_EQ(p.options.pitch, 9.0);
}

TEST(Options, HelpIsAskedForWithBothSpellings)
{
    EXPECT_EQ(parse({"--help"}).result, OptionsResult::Help);
    EXPECT_EQ(parse({"-?"}).result, OptionsResult::Help);
    const std::string usage = usageText("veltrane-calibrator");
    EXPECT_NE(usage.find("-w="), std::string::npos);
    EXPECT_NE(usage.find("--pitch="), std::string::npos);
}

TEST(Options, SmallestAcceptedSizes)
{
    // Width 5 gives a bar height of 1, so the height needs 3 rows.
    const Parsed p = parse({"-w=5", "-h=3"});
    ASSERT_EQ(p.result, OptionsResult::Run) << p.message;
    EXPECT_EQ(parse({"-w=5", "-h=2"}).result, OptionsResult::Invalid);
    // The default width has bars of 64 rows.
    EXPECT_EQ(parse({"-h=129"}).result, OptionsResult::Run);
    EXPECT_EQ(parse({"-h=128"}).result, OptionsResult::Invalid);
    EXPECT_EQ(parse({"-w=16384", "-h=16384"}).result, OptionsResult::Run);
}

TEST(Options, WrongValuesAreRefusedWithAOneLineMessage)
{
    const std::vector<std::vector<const char*>> refused = {
        {"-w=abc"}, {"-w=12abc"}, {"-w="},     {"-w=4"},       {"-w=16385"},     {"-h=16385"},
        {"-h=0"},   {"-h=-5"},    {"-p=0"},    {"-p=-8"},      {"-p=nan"},       {"-p=inf"},
        {"-p=1000"}, {"-p=0.5"},  {"-p=8x"},   {"-w=99999999999999999999"}, {"-w"}, {"--pitch"},
        {"-x=3"},   {"--wdth=640"}, {"640"},
    };
    for (const auto& arguments : refused) {
        std::vector<const char*> argv{"veltrane-calibrator"};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        Options options;
        std::string message;
        EXPECT_EQ(parseOptions(static_cast<int>(argv.size()), argv.data(), options, message),
                  OptionsResult::Invalid)
            << arguments[0];
        EXPECT_FALSE(message.empty()) << arguments[0];
        EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    }
}

TEST(Options, MessagesNameTheValue)
{
    const Parsed p = parse({"-p=1000"});
    EXPECT_NE(p.message.find("pitch"), std::string::npos);
    EXPECT_NE(p.message.find("1000"), std::string::npos);
    EXPECT_NE(parse({"-h=100"}).message.find("at least 129"), std::string::npos);
}

TEST(Options, PitchJustBelowTheLimitIsAccepted)
{
    const Parsed p = parse({"-p=999.9999"});
    ASSERT_EQ(p.result, OptionsResult::Run) << p.message;
    EXPECT_EQ(p.options.pitch, 999.9999);
}

} // namespace
