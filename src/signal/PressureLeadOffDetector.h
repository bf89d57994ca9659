#pragma once

#include <array>
#include <cstdint>

#include "signal/IPressureLeadOff.h"

namespace Tenvik {

// Debounced test of whether a pressure stream (the nasal cannula) shows breathing variation:
// a spread above 80 over the last 30 samples must hold for 42 samples to confirm contact, and
// be absent for 52 samples to lose it. Reports each change of the state to its delegate.
class PressureLeadOffDetector {
public:
    explicit PressureLeadOffDetector(IPressureLeadOff* delegate);

    void update(int32_t sample);
    // Reports `value` to the delegate unless it was the last value reported.
    void setReported(int32_t value);

private:
    enum State : int32_t {
        Quiet = 0,
        VariationSeen = 1,
        VariationConfirmed = 2,
        VariationLost = 3,
    };

    static constexpr int32_t kRingSize = 30;
    static constexpr int64_t kVariationSpread = 80;
    static constexpr uint64_t kQuietHold = 50;
    static constexpr uint64_t kVariationHold = 40;
    static constexpr int32_t kContact = 0;
    static constexpr int32_t kNoContact = 3;

    bool hasVariation() const;
    void advanceState(bool variation);

    IPressureLeadOff* delegate;
    std::array<int32_t, kRingSize> ring{};
    int32_t reported = 4;  // none yet: the first update always reports
    int32_t state = Quiet;
    // 64-bit so that no stream of device samples can overflow them.
    uint64_t start = 0;
    uint64_t count = 0;
};

}  // namespace Tenvik
