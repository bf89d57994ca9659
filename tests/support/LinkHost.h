#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "DeviceFrames.h"
#include "LogRecorder.h"
#include "tenvik_sdk.h"

namespace TenvikTest {

using Bytes = std::vector<uint8_t>;

// A host of one instance that records what the device link gives back: named payloads,
// framed sends and ready signals, in order, each with the context it came with.
class LinkHost {
public:
    struct Payload {
        std::string name;
        Bytes bytes;
        bool operator==(const Payload&) const = default;
    };
    enum class Kind { Payload, Send, Ready };
    struct Event {
        Kind kind;
        void* context;
    };

    explicit LinkHost(const std::string& revision)
        : sdk(TenvikSDK_create(revision.data(), static_cast<int>(revision.size()))) {
        if (sdk == nullptr) {
            return;
        }
        TenvikSDK_set_context(this, sdk);
        TenvikSDK_set_payload_callback(&LinkHost::onPayload, sdk);
        TenvikSDK_set_ble_send_callback(&LinkHost::onSend, sdk);
        TenvikSDK_set_ble_ready_callback(&LinkHost::onReady, sdk);
        log.install();
    }
    ~LinkHost() { TenvikSDK_destroy(sdk); }
    LinkHost(const LinkHost&) = delete;
    LinkHost& operator=(const LinkHost&) = delete;

    void chunk(const Bytes& bytes) {
        TenvikSDK_process_ble_chunk(bytes.data(), static_cast<int>(bytes.size()), sdk);
    }
    void chunk(const uint8_t* bytes, size_t size) {
        TenvikSDK_process_ble_chunk(bytes, static_cast<int>(size), sdk);
    }
    void send(const Bytes& bytes, int pid) {
        TenvikSDK_send(bytes.data(), static_cast<int>(bytes.size()), pid, sdk);
    }
    void send(const std::string& text, int pid) {
        TenvikSDK_send(reinterpret_cast<const uint8_t*>(text.data()),
                       static_cast<int>(text.size()), pid, sdk);
    }
    void clear() {
        payloads.clear();
        sends.clear();
        events.clear();
        readyCount = 0;
        log.clear();
    }
    // Whether every recorded callback received this host as its context.
    bool contextsAreThisHost() const {
        for (const Event& event : events) {
            if (event.context != this) {
                return false;
            }
        }
        return true;
    }
    // Log lines at warning level or above.
    std::vector<LogLine> problems() const {
        std::vector<LogLine> found;
        for (const LogLine& line : log.lines()) {
            if (line.level >= 2) {
                found.push_back(line);
            }
        }
        return found;
    }

    TenvikSDK* sdk;
    LogRecorder log;
    std::vector<Payload> payloads;
    std::vector<Bytes> sends;
    std::vector<Event> events;
    int readyCount = 0;

    static LinkHost* of(void* context) { return static_cast<LinkHost*>(context); }
    static void onPayload(void* context, const char* name, const uint8_t* data, size_t size) {
        of(context)->payloads.push_back({name, Bytes(data, data + size)});
        of(context)->events.push_back({Kind::Payload, context});
    }
    static void onSend(void* context, const uint8_t* data, int length) {
        of(context)->sends.emplace_back(data, data + length);
        of(context)->events.push_back({Kind::Send, context});
    }
    static void onReady(void* context) {
        ++of(context)->readyCount;
        of(context)->events.push_back({Kind::Ready, context});
    }
};

// The bytes of a text, without a terminator.
inline Bytes textBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

}  // namespace TenvikTest
