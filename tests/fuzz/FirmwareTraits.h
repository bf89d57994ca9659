#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

// What a firmware revision makes the library do, as the fuzz targets' reach check expects it:
// the packet layout of each characteristic, the link protocol and the synchronisation framing.
// It is worked out from the revision text here, independently of the library, so that a
// library that picked another layout shows as an unreached one.
class FirmwareTraits {
public:
    // The revision as TenvikSDK_create accepts it (decimal parts, single dots); `valid` is false
    // for any other text.
    explicit FirmwareTraits(std::string_view revision);

    bool valid() const { return isValid; }
    // This revision is `major.minor.patch` or newer; missing parts count as 0.
    bool atLeast(int32_t major, int32_t minor, int32_t patch) const;

    int protocol() const;             // 1 to 4
    int ecgLayout() const;            // 1 to 6
    int respirationLayout() const;    // 1 to 4
    int respirationRepeat() const;    // times a layout-1 respiration sample is filtered: 1 or 4
    int motionMode() const;           // 0 (ignored) to 3
    int heartRateFormat() const;      // 0 to 2
    int temperatureFormat() const;    // 0: skin and ambient, 1: hundredths of a degree
    bool ecgLeadOffTest() const;      // the ECG samples drive the wear state
    bool reportsHeartRate() const;    // heart rate and RR are reported at all
    bool routesProcessMessages() const;
    bool statusBasedSync() const;     // false: the legacy synchronisation framing
    int legacySyncEcgLayout() const;  // 1 to 5
    int legacySyncRespirationLayout() const;  // 1 to 4

    // Outputs of one packet of each layout, and of the first packet of an instance (the very
    // first sample of layouts 2 to 4 gives one output instead of several).
    static int ecgOutputs(int layout);
    static int respirationOutputs(int layout, int repeat, bool first);

private:
    int dataVersion() const;

    std::vector<int32_t> parts;
    bool isValid = false;
};
