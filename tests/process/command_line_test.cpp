// The one command-line convention: --name=VALUE or --name VALUE, unknown
// options and repeats refused, an empty value refused and never the next
// argument taken in its place.
#include "veltrane/process/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace veltrane;

namespace {

struct Line {
    std::string pattern;
    std::string size;
    std::vector<std::string> views;
    bool force = false;
    std::string text;

    Parse parse(std::vector<const char*> arguments)
    {
        CommandLine line("veltrane-test", "a test");
        line.option("--pattern", pattern, "where the pattern goes");
        line.option("--size", size, "the size").required("give --size=WxH");
        line.option("--view", views, "a view");
        line.flag("--force", force, "replace");
        arguments.insert(arguments.begin(), "veltrane-test");
        return line.parse(static_cast<int>(arguments.size()), arguments.data(), text);
    }
};

TEST(CommandLine, ValuesAfterAnEqualsSignOrASpace)
{
    Line line;
    ASSERT_EQ(line.parse({"--pattern=p.png", "--size", "64x48", "--view=a", "--view", "b", "--force"}), Parse::Run)
        << line.text;
    EXPECT_EQ(line.pattern, "p.png");
    EXPECT_EQ(line.size, "64x48");
    EXPECT_EQ(line.views, (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(line.force);
}

TEST(CommandLine, AnEmptyValueIsRefusedAndTheNextArgumentLeftAlone)
{
    for (const std::vector<const char*>& arguments :
         {std::vector<const char*>{"--size=64x48", "--pattern=", "--force"},
          std::vector<const char*>{"--pattern=", "--size=64x48"}, std::vector<const char*>{"--size=64x48", "--pattern", ""},
          std::vector<const char*>{"--size=64x48", "--view=a", "--view="}}) {
        Line line;
        EXPECT_EQ(line.parse(arguments), Parse::Invalid) << arguments[1];
        const std::string name = line.text.substr(0, line.text.find(' '));
        EXPECT_TRUE(name == "--pattern" || name == "--view") << line.text;
        EXPECT_EQ(line.text, name + " is given an empty value: give " + name + "=VALUE");
        EXPECT_NE(line.pattern, "--force");
        EXPECT_NE(line.pattern, "--size=64x48");
    }
    Line afterTheEnd; // past "--" an argument is not an option
    EXPECT_EQ(afterTheEnd.parse({"--size=64x48", "--", "--pattern="}), Parse::Invalid);
    EXPECT_EQ(afterTheEnd.text.rfind("unknown option or value: ", 0), 0u) << afterTheEnd.text;
}

TEST(CommandLine, RefusalsInOneLine)
{
    Line unknown;
    EXPECT_EQ(unknown.parse({"--size=64x48", "--bogus"}), Parse::Invalid);
    EXPECT_EQ(unknown.text, "unknown option or value: --bogus (see --help)");
    Line twice;
    EXPECT_EQ(twice.parse({"--size=64x48", "--pattern=a", "--pattern=b"}), Parse::Invalid);
    EXPECT_EQ(twice.text, "--pattern is given more than once: give it once");
    Line missing;
    EXPECT_EQ(missing.parse({"--pattern=a"}), Parse::Invalid);
    EXPECT_EQ(missing.text, "give --size=WxH");
    Line help;
    EXPECT_EQ(help.parse({"--help"}), Parse::Help);
    EXPECT_NE(help.text.find("--pattern"), std::string::npos);
    Line first; // a typing error is named before what it leaves missing
    EXPECT_EQ(first.parse({"--pattren=a"}), Parse::Invalid);
    EXPECT_EQ(first.text, "unknown option or value: --pattren=a (see --help)");
    Line height; // the calibrator's -h, typed where sizes are --size
    EXPECT_EQ(height.parse({"-h", "1080"}), Parse::Invalid);
    EXPECT_NE(height.text.find("--size=WxH"), std::string::npos) << height.text;
    EXPECT_NE(height.text.find("--help"), std::string::npos) << height.text;
    Line stray; // an argument that is no option's value is named, not a missing option
    EXPECT_EQ(stray.parse({"stray"}), Parse::Invalid);
    EXPECT_EQ(stray.text, "unknown option or value: stray (see --help)");
    Line ended; // past "--" too
    EXPECT_EQ(ended.parse({"--size=64x48", "--", "x.png"}), Parse::Invalid);
    EXPECT_NE(ended.text.find("x.png"), std::string::npos) << ended.text;
    Line valueless; // an option at the end without its value
    EXPECT_EQ(valueless.parse({"--size=64x48", "--pattern"}), Parse::Invalid);
    EXPECT_EQ(valueless.text, "--pattern needs a value: --pattern=VALUE");
    Line flagged; // a flag takes no value: the option after it is read as one
    EXPECT_EQ(flagged.parse({"--force", "--size", "64x48", "--pattern", "p.png"}), Parse::Run) << flagged.text;
    EXPECT_EQ(flagged.pattern, "p.png");
    Line dashed; // a value after a space may begin with a dash
    EXPECT_EQ(dashed.parse({"--size", "64x48", "--pattern", "-x.png"}), Parse::Run) << dashed.text;
    EXPECT_EQ(dashed.pattern, "-x.png");
    Line control;
    EXPECT_EQ(control.parse({"--size=64x48", "--b\033[2J"}), Parse::Invalid);
    EXPECT_EQ(control.text.find('\033'), std::string::npos) << "a control character reached the line";
}

} // namespace
