#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Tenvik {

// The device's firmware revision: the decimal parts of the dotted text, and whether the text
// was accepted. A version with `valid` false is "unknown" and older than every valid one.
struct FirmwareVersion {
    std::vector<int32_t> parts;
    bool valid = false;

    // Applies the revision rule to `text`. Clears `parts` first; on refusal returns false and
    // keeps the parts accepted before the refused one. Never touches `valid`.
    bool parse(const std::string& text);

    // Accepts or refuses exactly these bytes by the revision rule; on success fills `out`.
    static bool parseParts(std::string_view text, std::vector<int32_t>& out);

    // Parses and marks valid; a refused text gives an unknown version.
    static FirmwareVersion fromText(std::string_view text);

    // The parts in plain decimal joined by ".".
    std::string toString() const;

    // -1, 0 or 1 for older, equal or newer than `reference`, by the ordering of versions.
    int compare(const FirmwareVersion& reference) const;

    // True when this version is `reference` or newer: options that hold from a version on.
    bool isAtLeast(const FirmwareVersion& reference) const { return compare(reference) >= 0; }

    // The first part of a valid version, or -1 when unknown or empty.
    int32_t major() const { return valid && !parts.empty() ? parts.front() : -1; }
};

}  // namespace Tenvik
