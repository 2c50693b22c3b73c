// The programs' exit statuses, decided here alone: 0 done, 2 a usage error
// (what was asked cannot be done as asked), 1 what was found while working.
#pragma once

#include "veltrane/records/outcome.h"

namespace veltrane {

constexpr int ExitDone = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

inline int exitStatusOf(const Outcome& outcome)
{
    switch (outcome.kind) {
    case Outcome::Kind::Done: return ExitDone;
    case Outcome::Kind::Usage: return ExitUsage;
    case Outcome::Kind::Failed: break;
    }
    return ExitFailed;
}

} // namespace veltrane
