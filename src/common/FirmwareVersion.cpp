#include "common/FirmwareVersion.h"

#include <algorithm>

namespace Tenvik {
namespace {

constexpr int64_t kMaxPart = 2147483647;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// One dot-separated part: digits only, no leading zero unless the part is "0", at most
// 2147483647. The value is checked digit by digit so that nothing wraps.
bool parsePart(std::string_view part, int32_t& value) {
    if (part.empty()) {
        return false;
    }
    if (part.size() > 1 && part.front() == '0') {
        return false;
    }
    int64_t accumulated = 0;
    for (const char c : part) {
        if (!isDigit(c)) {
            return false;
        }
        accumulated = accumulated * 10 + (c - '0');
        if (accumulated > kMaxPart) {
            return false;
        }
    }
    value = static_cast<int32_t>(accumulated);
    return true;
}

}  // namespace

bool FirmwareVersion::parseParts(std::string_view text, std::vector<int32_t>& out) {
    out.clear();
    if (text.empty() || text.back() == '.') {
        return false;
    }
    size_t start = 0;
    while (start <= text.size()) {
        const size_t dot = text.find('.', start);
        const size_t end = dot == std::string_view::npos ? text.size() : dot;
        int32_t value = 0;
        if (!parsePart(text.substr(start, end - start), value)) {
            return false;
        }
        out.push_back(value);
        if (dot == std::string_view::npos) {
            break;
        }
        start = dot + 1;
    }
    return !out.empty();
}

bool FirmwareVersion::parse(const std::string& text) { return parseParts(text, parts); }

FirmwareVersion FirmwareVersion::fromText(std::string_view text) {
    FirmwareVersion version;
    version.valid = parseParts(text, version.parts);
    if (!version.valid) {
        version.parts.clear();
    }
    return version;
}

std::string FirmwareVersion::toString() const {
    std::string text;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i != 0) {
            text.push_back('.');
        }
        text += std::to_string(parts[i]);
    }
    return text;
}

int FirmwareVersion::compare(const FirmwareVersion& reference) const {
    if (!valid || !reference.valid) {
        if (valid == reference.valid) {
            return 0;
        }
        return valid ? 1 : -1;
    }
    const size_t length = std::max(parts.size(), reference.parts.size());
    for (size_t i = 0; i < length; ++i) {
        const int32_t mine = i < parts.size() ? parts[i] : 0;
        const int32_t theirs = i < reference.parts.size() ? reference.parts[i] : 0;
        if (mine != theirs) {
            return mine < theirs ? -1 : 1;
        }
    }
    return 0;
}

}  // namespace Tenvik
