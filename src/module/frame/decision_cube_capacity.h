#pragma once

#include <QtGlobal>

namespace pla::module {

// The memory capacity the pivot engine of the monthly grid may use, from the
// operating system's memory status: available physical memory plus half the
// available page file, each read as at most 2147483647 (a reading of all 32 bits set
// counts as that cap too), the sum capped at 2147483647, so machines with more than
// 2 GB never overflow into a negative capacity.
qint64 DecisionCubeCapacity(quint64 availablePhysical, quint64 availablePageFile);

// The operating system's memory status: MemAvailable and SwapFree of /proc/meminfo,
// in bytes; zero when unreadable.
struct TMemoryStatus {
    quint64 AvailablePhysical = 0;
    quint64 AvailablePageFile = 0;
};
TMemoryStatus GlobalMemoryStatus();

// The engine's capacity, set by the package's start-up.
void SetMemoryCapacity(qint64 capacity);
qint64 MemoryCapacity();

} // namespace pla::module
