#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "DeviceFrames.h"
#include "tenvik_sdk.h"

namespace TenvikTest {

// How device messages reach the instance: protocol 1 (the chunk is the message, PID 0, no
// options), protocol 3 (one message per chunk, no options), protocol 3 with the 14-byte V3.1
// header (options carried, payload in 20-byte chunks after the header) or protocol 4.
enum class Transport { V1, V3, V31, V4 };

// A host talking to the device's processes through the C interface. Records, in one timeline,
// the named payloads ("Name: hex bytes") and the log lines of the process layer ("[level]
// text"; the link's own lines are left out), and the user events it receives.
class ProcessHost {
public:
    struct Payload {
        std::string name;
        Bytes bytes;
        bool operator==(const Payload&) const = default;
        friend void PrintTo(const Payload& payload, std::ostream* out) {
            *out << payload.name << ": " << hex(payload.bytes);
        }
    };

    ProcessHost(const std::string& revision, Transport via)
        : transport(via),
          sdk(TenvikSDK_create(revision.data(), static_cast<int>(revision.size()))) {
        if (sdk == nullptr) {
            return;
        }
        TenvikSDK_set_context(this, sdk);
        TenvikSDK_set_payload_callback(&ProcessHost::onPayload, sdk);
        TenvikSDK_init_callbacks(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                 nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                 nullptr, nullptr, nullptr, &ProcessHost::onUserEvent, nullptr,
                                 nullptr, nullptr, nullptr, sdk);
        TenvikSDK_set_log_callback(&ProcessHost::onLog, this);
    }
    ~ProcessHost() {
        TenvikSDK_destroy(sdk);
        TenvikSDK_set_log_callback(nullptr, nullptr);
    }
    ProcessHost(const ProcessHost&) = delete;
    ProcessHost& operator=(const ProcessHost&) = delete;

    // One complete device message.
    void message(uint16_t pid, const Bytes& payload, uint64_t options = 0) {
        switch (transport) {
            case Transport::V1:
                chunk(payload);
                break;
            case Transport::V3:
                chunk(DeviceFrames::v3Message(payload, pid));
                break;
            case Transport::V31:
                chunk(DeviceFrames::v31Header(static_cast<uint16_t>(payload.size()), 0, pid,
                                              options));
                for (const Bytes& part : inChunks(payload, 20)) {
                    chunk(part);
                }
                break;
            case Transport::V4:
                chunk(DeviceFrames::v4Message(payload, pid, options));
                break;
        }
    }
    void text(uint16_t pid, std::string_view characters, uint64_t options = 0) {
        message(pid, Bytes(characters.begin(), characters.end()), options);
    }
    // System-process reports: kind, PID (little-endian), process type (a signed byte).
    void created(int type, uint16_t pid) { report(0x00, pid, type); }
    void killed(int type, uint16_t pid) { report(0x02, pid, type); }
    void report(uint8_t kind, uint16_t pid, int type) {
        message(0, {kind, static_cast<uint8_t>(pid), static_cast<uint8_t>(pid >> 8),
                    static_cast<uint8_t>(type)});
    }
    void chunk(const Bytes& bytes) {
        TenvikSDK_process_ble_chunk(bytes.data(), static_cast<int>(bytes.size()), sdk);
    }

    // The payloads, without those of the system process.
    std::vector<Payload> processPayloads() const {
        std::vector<Payload> found;
        for (const Payload& payload : payloads) {
            if (payload.name != "System") {
                found.push_back(payload);
            }
        }
        return found;
    }
    // The timeline without the routing line every message gives.
    std::vector<std::string> events() const {
        std::vector<std::string> found;
        for (const std::string& entry : timeline) {
            if (entry.rfind("[0] ProcessManager::process - PID: ", 0) != 0) {
                found.push_back(entry);
            }
        }
        return found;
    }
    void clear() {
        payloads.clear();
        timeline.clear();
        userEvents.clear();
    }

    static std::string hex(const Bytes& bytes) {
        std::string out;
        for (const uint8_t byte : bytes) {
            char digits[4];
            std::snprintf(digits, sizeof digits, out.empty() ? "%02X" : " %02X", byte);
            out += digits;
        }
        return out;
    }

    Transport transport;
    TenvikSDK* sdk;
    std::vector<Payload> payloads;
    std::vector<std::string> timeline;
    std::vector<uint64_t> userEvents;
    // Called for each payload before it is recorded; it may throw, as a faulty host's may.
    std::function<void(const Payload&)> onEachPayload;

private:
    static ProcessHost& of(void* context) { return *static_cast<ProcessHost*>(context); }
    static void onPayload(void* context, const char* name, const uint8_t* data, size_t size) {
        ProcessHost& host = of(context);
        Payload payload{name, Bytes(data, data + size)};
        if (host.onEachPayload) {
            host.onEachPayload(payload);
        }
        host.timeline.push_back(payload.name + ": " + hex(payload.bytes));
        host.payloads.push_back(std::move(payload));
    }
    static void onUserEvent(void* context, uint64_t time) { of(context).userEvents.push_back(time); }
    static void onLog(void* context, int level, const char* text) {
        static constexpr std::string_view layers[] = {
            "ProcessManager", "SystemInformation", "System::", "Set::", "Memory::", "Session::"};
        const std::string_view line(text);
        for (const std::string_view layer : layers) {
            if (line.substr(0, layer.size()) == layer) {
                std::string entry = "[";
                entry.append(std::to_string(level)).append("] ").append(line);
                of(context).timeline.push_back(std::move(entry));
                return;
            }
        }
    }
};

// The bytes of a text, with a terminator when asked.
inline Bytes textOf(std::string_view text, bool terminated = false) {
    Bytes bytes(text.begin(), text.end());
    if (terminated) {
        bytes.push_back(0);
    }
    return bytes;
}

}  // namespace TenvikTest
