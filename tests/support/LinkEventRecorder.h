#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <vector>

#include "link/IBLECommunication.h"

namespace TenvikTest {

// One thing the protocol-4 link layer told its owner.
struct LinkEvent {
    enum Kind { Send, Ready, Package, Error };
    Kind kind;
    std::vector<uint8_t> bytes;  // the packet sent or the payload delivered
    uint16_t pid = 0;
    uint64_t options = 0;
    uint8_t code = 0;
    bool operator==(const LinkEvent&) const = default;

    static LinkEvent sent(std::vector<uint8_t> packet) { return {Send, std::move(packet)}; }
    static LinkEvent ready() { return {Ready, {}}; }
    static LinkEvent package(std::vector<uint8_t> payload, uint16_t pid, uint64_t options = 0) {
        return {Package, std::move(payload), pid, options};
    }
    static LinkEvent error(uint8_t code) { return {Error, {}, 0, 0, code}; }

    friend void PrintTo(const LinkEvent& event, std::ostream* out) {
        static const char* const names[] = {"Send", "Ready", "Package", "Error"};
        *out << names[event.kind] << "(";
        if (event.kind == Error) {
            *out << int(event.code);
        } else if (!event.bytes.empty() || event.kind == Package) {
            *out << event.bytes.size() << " bytes";
            if (event.kind == Package) {
                *out << ", pid " << event.pid << ", options " << event.options;
            }
        }
        *out << ")";
    }
};

// Records every call of the link layer in order; `onPackage` lets a test act from inside the
// delivery, as a host may.
class LinkEventRecorder : public IBLECommunication {
public:
    void send(const std::vector<uint8_t>& packet) override { events.push_back(LinkEvent::sent(packet)); }
    void notifyReady() override { events.push_back(LinkEvent::ready()); }
    void didReceivePackage(const std::vector<uint8_t>& payload, uint16_t pid,
                           uint64_t options) override {
        events.push_back(LinkEvent::package(payload, pid, options));
        if (onPackage) {
            onPackage();
        }
    }
    void didReceiveError(uint8_t code) override { events.push_back(LinkEvent::error(code)); }

    std::vector<LinkEvent> packages() const {
        std::vector<LinkEvent> found;
        for (const auto& event : events) {
            if (event.kind == LinkEvent::Package) {
                found.push_back(event);
            }
        }
        return found;
    }

    std::vector<LinkEvent> events;
    std::function<void()> onPackage;
};

}  // namespace TenvikTest
