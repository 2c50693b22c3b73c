#include "veltrane/process/command_line.h"

#include "veltrane/records/value_text.h"

#include <CLI/CLI.hpp>

namespace veltrane {

struct CommandLine::State {
    CLI::App app;
    std::vector<CLI::Option*> options;  // by Option::index_
    std::vector<std::string> refusals;  // when a required option is missing
    std::vector<bool> required;

    State(const std::string& description, const std::string& program) : app(description, program) {}

    std::size_t add(CLI::Option* option)
    {
        options.push_back(option);
        refusals.emplace_back();
        required.push_back(false);
        return options.size() - 1;
    }

    std::string refusal(const CLI::ParseError& error) const;
    std::string unknownOption(int argc, const char* const* argv) const;
};

// The first argument that names no option, read as CLI11 reads them (a
// value after '=', a space, or straight after a short name), before CLI11
// would refuse a missing option instead: a typing error is named first.
std::string CommandLine::State::unknownOption(int argc, const char* const* argv) const
{
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--") // no program takes arguments past it
            return i + 1 < argc ? std::string(argv[i + 1]) : "";
        if (argument.size() < 2 || argument[0] != '-')
            return argument; // no program takes arguments other than options' values
        const bool shortName = argument[1] != '-';
        const std::size_t end = shortName ? 2 : argument.find('=');
        const CLI::Option* option = app.get_option_no_throw(argument.substr(0, end));
        if (option == nullptr)
            return argument;
        if (option->get_items_expected_max() > 0 && (shortName ? argument.size() == 2 : end == std::string::npos))
            ++i; // its value
    }
    return "";
}

CommandLine::Option& CommandLine::Option::valueName(const std::string& name)
{
    line_->state_->options[index_]->type_name(name);
    return *this;
}

CommandLine::Option& CommandLine::Option::required(const std::string& refusal)
{
    State& state = *line_->state_;
    state.options[index_]->required();
    state.required[index_] = true;
    state.refusals[index_] = refusal.empty() ? "give " + state.options[index_]->get_name() : refusal;
    return *this;
}

CommandLine::Option& CommandLine::Option::excludes(const Option& other)
{
    line_->state_->options[index_]->excludes(line_->state_->options[other.index_]);
    return *this;
}

CommandLine::CommandLine(const std::string& program, const std::string& description)
    : state_(std::make_unique<State>(description, program))
{
    state_->app.set_help_flag("--help", "show this help");
}

CommandLine::~CommandLine() = default;

CommandLine::Option& CommandLine::option(const std::string& names, std::string& into, const std::string& help)
{
    options_.push_back(Option(*this, state_->add(state_->app.add_option(names, into, help))));
    return options_.back();
}

CommandLine::Option& CommandLine::option(const std::string& names, std::vector<std::string>& into,
                                         const std::string& help)
{
    options_.push_back(Option(*this, state_->add(state_->app.add_option(names, into, help))));
    return options_.back();
}

void CommandLine::flag(const std::string& names, bool& into, const std::string& help)
{
    state_->app.add_flag(names, into, help);
}

bool CommandLine::given(const std::string& name) const
{
    return state_->app.count(name) > 0;
}

namespace {

// "--name=" with nothing after the '=', before any "--" that ends the options.
std::string emptyAssignment(int argc, const char* const* argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--")
            break;
        if (argument.size() > 3 && argument.rfind("--", 0) == 0 && argument.back() == '=' &&
            argument.find('=') == argument.size() - 1)
            return argument.substr(0, argument.size() - 1);
    }
    return "";
}

std::string emptyValueRefusal(const std::string& name)
{
    return printable(name) + " is given an empty value: give " + printable(name) + "=VALUE";
}

} // namespace

Parse CommandLine::parse(int argc, const char* const* argv, std::string& text)
{
    // CLI11 would read "--name=" as "--name" and take the next argument as
    // its value; an empty value is refused instead, as one given after a
    // space is below.
    const std::string emptied = emptyAssignment(argc, argv);
    if (!emptied.empty() && state_->app.get_option_no_throw(emptied) != nullptr) {
        text = emptyValueRefusal(emptied);
        return Parse::Invalid;
    }
    if (const std::string unknown = state_->unknownOption(argc, argv); !unknown.empty()) {
        // -h: the calibrator's height, typed here.
        text = unknown.rfind("-h", 0) == 0 && state_->app.get_option_no_throw("--size") != nullptr
                   ? "-h is not an option here: the size is --size=WxH, the help --help"
                   : "unknown option or value: " + printable(unknown) + " (see --help)";
        return Parse::Invalid;
    }
    try {
        state_->app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        text = state_->app.help();
        return Parse::Help;
    } catch (const CLI::ParseError& error) {
        text = state_->refusal(error);
        return Parse::Invalid;
    }
    for (const CLI::Option* option : state_->options)
        for (const std::string& value : option->results())
            if (value.empty()) {
                text = emptyValueRefusal(option->get_name());
                return Parse::Invalid;
            }
    return Parse::Run;
}

// CLI11's refusal in the words of every program.
std::string CommandLine::State::refusal(const CLI::ParseError& error) const
{
    const std::string what = error.what();
    const std::string option = what.substr(0, what.find(':'));
    if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr) {
        const std::size_t colon = what.find(':');
        const std::size_t start = colon == std::string::npos ? 0 : what.find_first_not_of(' ', colon + 1);
        return "unknown option or value: " + printable(what.substr(start == std::string::npos ? 0 : start)) +
               " (see --help)";
    }
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr)
        return what.find(" missing") != std::string::npos || what.find("received 0") != std::string::npos
                   ? printable(option) + " needs a value: " + printable(option) + "=VALUE"
                   : printable(option) + " is given more than once: give it once";
    if (dynamic_cast<const CLI::RequiredError*>(&error) != nullptr)
        for (std::size_t i = 0; i < options.size(); ++i)
            if (required[i] && options[i]->count() == 0)
                return refusals[i];
    if (dynamic_cast<const CLI::ExcludesError*>(&error) != nullptr)
        return printable(what) + ": give one of them";
    return printable(what) + " (see --help)";
}

} // namespace veltrane
