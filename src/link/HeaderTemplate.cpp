#include "link/HeaderTemplate.h"

namespace Tenvik {

uint8_t HeaderTemplate::setVersion(uint8_t newVersion) {
    protocolVersion = newVersion;
    size = static_cast<uint8_t>(Tenvik::headerSize(newVersion));
    return size;
}

bool HeaderTemplate::matches(const uint8_t* frame) const {
    if (frame[1] != tagByte) {
        return false;
    }
    const uint8_t third = frame[2];
    switch (protocolVersion) {
    case 1:
        return third == signatureByte;
    case 2:
        return third == 0 || third == 1;
    case 3:
        return third == 0 || third == 1 || third == signatureByte;
    default:
        return true;
    }
}

void appendHeader(const HeaderTemplate& headerTemplate, std::vector<uint8_t>& out,
                  uint16_t payloadLength, uint8_t type, uint16_t pid) {
    const auto length = static_cast<uint16_t>(headerTemplate.headerSize() + payloadLength);
    out.push_back(headerTemplate.version());
    out.push_back(headerTemplate.tag());
    out.push_back(headerTemplate.version() == 1 ? headerTemplate.signature() : type);
    out.push_back(static_cast<uint8_t>(length));
    out.push_back(static_cast<uint8_t>(length >> 8));
    if (headerTemplate.version() >= 3) {
        out.push_back(static_cast<uint8_t>(pid));
        out.push_back(static_cast<uint8_t>(pid >> 8));
    }
}

}  // namespace Tenvik
