// An outcome's kind, its line kept in message: for tests that compare the
// kind and then read the line.
#pragma once

#include "veltrane/records/outcome.h"

#include <string>

namespace veltrane {

inline Outcome::Kind kindOf(const Outcome& outcome, std::string& message)
{
    message = outcome.message;
    return outcome.kind;
}

} // namespace veltrane
