#include "live_temporaries.h"

#include "veltrane/records/atomic_file.h"

#include <atomic>
#include <climits>
#include <cstring>

#include <unistd.h>

namespace veltrane {

namespace {

// Every file a run writes at once (a frame being encoded, the video, the
// record) has a slot, with room to spare.
constexpr int Slots = 64;

enum SlotState : int { Free, Claimed, Live };

struct Slot {
    std::atomic<int> state{Free};
    char name[PATH_MAX] = {};
};

// The one table of the process: what a signal handler may read.
Slot slots[Slots];

} // namespace

int rememberTemporary(const std::string& name)
{
    if (name.size() >= PATH_MAX)
        return -1;
    for (int i = 0; i < Slots; ++i) {
        int expected = Free;
        if (!slots[i].state.compare_exchange_strong(expected, Claimed))
            continue;
        std::memcpy(slots[i].name, name.c_str(), name.size() + 1);
        slots[i].state.store(Live);
        return i;
    }
    return -1;
}

void forgetTemporary(int slot)
{
    if (slot >= 0 && slot < Slots)
        slots[slot].state.store(Free);
}

void removeTemporariesNow()
{
    for (Slot& slot : slots)
        if (slot.state.load() == Live)
            ::unlink(slot.name);
}

} // namespace veltrane
