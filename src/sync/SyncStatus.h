#pragma once

#include <cstdint>
#include <optional>

namespace Tenvik {

// The device's status of one transfer step, as both transfer modes carry it.
enum SyncStatus : uint32_t {
    SyncStatusStart = 0,
    SyncStatusDevice1 = 1,
    SyncStatusEnd = 2,
    SyncStatusData = 3,
    SyncStatusProgress = 4,
    SyncStatusDevice5 = 5,
    SyncStatusDevice6 = 6,
};

// What the host's sync state callback receives. States 2 to 4 carry the device statuses 1, 5
// and 6, which mean nothing further to the library.
enum SyncState : int {
    SyncStateStarted = 0,
    SyncStateEnded = 1,
    SyncStateDevice1 = 2,
    SyncStateDevice5 = 3,
    SyncStateDevice6 = 4,
};

// Transfer mode of the synchronisation process: status-based, or anything else for the legacy
// fixed-size packets.
enum SyncMode : uint32_t {
    SyncModeStatusBased = 3,
};

// The state that a status reports in both modes (start, end, device statuses 1 and 5).
inline std::optional<int> syncStateForStatus(uint32_t status) {
    switch (status) {
        case SyncStatusStart: return SyncStateStarted;
        case SyncStatusDevice1: return SyncStateDevice1;
        case SyncStatusEnd: return SyncStateEnded;
        case SyncStatusDevice5: return SyncStateDevice5;
        default: return std::nullopt;
    }
}

}  // namespace Tenvik
