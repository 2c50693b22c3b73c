// A program's command line: options declared with their help, then read in
// the one convention of every program (--name=VALUE or --name VALUE, --help,
// unknown options refused), the usage when asked, or the refusal as one
// printable line. CLI11 reads it, behind this header.
#pragma once

#include "veltrane/records/outcome.h"

#include <cstddef>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace veltrane {

class CommandLine {
public:
    // An option declared: what it shows in the help, and how it goes with the rest.
    class Option {
    public:
        Option& valueName(const std::string& name);
        // Refused when missing, with refusal as the line (or "give NAME").
        Option& required(const std::string& refusal = "");
        // Refused when given together with other.
        Option& excludes(const Option& other);

    private:
        friend class CommandLine;
        Option(CommandLine& line, std::size_t index) : line_(&line), index_(index) {}
        CommandLine* line_;
        std::size_t index_;
    };

    CommandLine(const std::string& program, const std::string& description);
    ~CommandLine();
    CommandLine(const CommandLine&) = delete;
    CommandLine& operator=(const CommandLine&) = delete;

    // names: "--name", or "-o,--output".
    Option& option(const std::string& names, std::string& into, const std::string& help);
    // Given any number of times, each value in turn.
    Option& option(const std::string& names, std::vector<std::string>& into, const std::string& help);
    void flag(const std::string& names, bool& into, const std::string& help);

    // After parse: whether the option was given.
    bool given(const std::string& name) const;

    // Reads argv. Help fills text with the usage, Invalid with the refusal
    // (what the user typed shown, not obeyed: control characters escaped).
    Parse parse(int argc, const char* const* argv, std::string& text);

private:
    struct State;
    std::unique_ptr<State> state_;
    std::deque<Option> options_;
};

} // namespace veltrane
