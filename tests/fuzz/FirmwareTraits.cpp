#include "FirmwareTraits.h"

#include <cstddef>

FirmwareTraits::FirmwareTraits(std::string_view revision) {
    // Decimal parts between single dots, no leading zero except "0", each at most 2^31 - 1.
    size_t at = 0;
    while (at <= revision.size()) {
        const size_t dot = revision.find('.', at);
        const std::string_view part =
            revision.substr(at, dot == std::string_view::npos ? std::string_view::npos : dot - at);
        if (part.empty() || part.size() > 10 || (part.size() > 1 && part[0] == '0')) {
            return;
        }
        int64_t value = 0;
        for (const char c : part) {
            if (c < '0' || c > '9') {
                return;
            }
            value = value * 10 + (c - '0');
        }
        if (value > INT32_MAX) {
            return;
        }
        parts.push_back(static_cast<int32_t>(value));
        if (dot == std::string_view::npos) {
            isValid = true;
            return;
        }
        at = dot + 1;
    }
}

bool FirmwareTraits::atLeast(int32_t major, int32_t minor, int32_t patch) const {
    const int32_t reference[] = {major, minor, patch};
    const size_t count = parts.size() > 3 ? parts.size() : 3;
    for (size_t i = 0; i < count; ++i) {
        const int32_t mine = i < parts.size() ? parts[i] : 0;
        const int32_t theirs = i < 3 ? reference[i] : 0;
        if (mine != theirs) {
            return mine > theirs;
        }
    }
    return true;
}

int FirmwareTraits::protocol() const {
    if (parts.size() < 3) {
        return 3;  // no major.minor.patch to read: the link takes 3.0.0
    }
    const int32_t major = parts[0], minor = parts[1], patch = parts[2];
    if (major >= 4) {
        return 4;
    }
    if (major == 3) {
        return 3;
    }
    if (major == 2 && minor == 2 && patch >= 15) {
        return patch <= 17 ? 2 : 3;
    }
    return 1;
}

int FirmwareTraits::dataVersion() const {
    int version = 0;
    if (atLeast(3, 5, 59)) {
        version = 7;
    } else if (atLeast(3, 3, 41)) {
        version = 6;
    } else if (atLeast(3, 3, 34)) {
        version = 5;
    } else if (atLeast(3, 2, 30)) {
        version = 3;
    } else if (atLeast(2, 2, 17)) {
        version = 2;
    } else if (atLeast(2, 2, 14)) {
        version = 1;
    }
    if (!atLeast(3, 0, 0)) {
        if (atLeast(2, 3, 24)) {
            version = 7;
        } else if (atLeast(2, 3, 23)) {
            version = 4;
        }
    }
    return version;
}

int FirmwareTraits::ecgLayout() const {
    static const int byVersion[] = {1, 2, 2, 3, 5, 4, 6};
    const int version = dataVersion();
    if (version == 7) {
        return atLeast(3, 0, 0) ? 6 : 5;
    }
    return byVersion[version];
}

int FirmwareTraits::respirationLayout() const {
    const int version = dataVersion();
    return version == 0 ? 1 : version == 1 ? 2 : version == 7 ? 4 : 3;
}

int FirmwareTraits::respirationRepeat() const { return atLeast(2, 2, 5) ? 4 : 1; }

int FirmwareTraits::motionMode() const {
    return atLeast(3, 4, 53) ? 3 : atLeast(2, 2, 11) ? 2 : atLeast(2, 1, 0) ? 1 : 0;
}

int FirmwareTraits::heartRateFormat() const {
    return atLeast(3, 3, 41) ? 2 : atLeast(2, 2, 18) ? 1 : 0;
}

int FirmwareTraits::temperatureFormat() const { return atLeast(3, 2, 26) ? 1 : 0; }

bool FirmwareTraits::ecgLeadOffTest() const { return !atLeast(2, 2, 0); }

bool FirmwareTraits::reportsHeartRate() const { return atLeast(2, 2, 2); }

bool FirmwareTraits::routesProcessMessages() const { return atLeast(2, 2, 15); }

bool FirmwareTraits::statusBasedSync() const { return atLeast(3, 6, 62); }

int FirmwareTraits::legacySyncEcgLayout() const {
    static const int byVersion[] = {1, 2, 2, 3, 5, 4, 4};
    const int version = dataVersion();
    if (version == 7) {
        return atLeast(3, 0, 0) ? 4 : 5;
    }
    return byVersion[version];
}

int FirmwareTraits::legacySyncRespirationLayout() const { return respirationLayout(); }

int FirmwareTraits::ecgOutputs(int layout) {
    static const int outputs[] = {0, 6, 20, 16, 10, 12, 10};
    return layout >= 1 && layout <= 6 ? outputs[layout] : 0;
}

int FirmwareTraits::respirationOutputs(int layout, int repeat, bool first) {
    switch (layout) {
        case 1: return 6 * repeat;
        case 2: return first ? 55 : 60;
        case 3: return first ? 65 : 72;
        case 4: return first ? 41 : 48;
        default: return 0;
    }
}
