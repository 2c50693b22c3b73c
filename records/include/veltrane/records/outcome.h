// How a piece of work ended, as the libraries report it to the programs:
// done, or refused with its one line. A program alone turns it into an exit
// status (2 for Usage, 1 for Failed).
#pragma once

#include <string>
#include <utility>

namespace veltrane {

struct Outcome {
    enum class Kind {
        Done,
        Usage,  // what was asked cannot be done as asked (an option, a combination, a folder)
        Failed, // found while working: an input that cannot be used, a write that failed, no memory
    };

    Kind kind = Kind::Done;
    std::string message; // one line, for the user

    static Outcome done() { return {}; }
    static Outcome usage(std::string line) { return {Kind::Usage, std::move(line)}; }
    static Outcome failed(std::string line) { return {Kind::Failed, std::move(line)}; }

    explicit operator bool() const { return kind == Kind::Done; }
};

// What reading a command line came to: run, show the usage, or refuse in one line.
enum class Parse { Run, Help, Invalid };

} // namespace veltrane
