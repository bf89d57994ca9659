#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/DataType.h"
#include "link/HeaderTemplate.h"
#include "link/PackageProcessor.h"

namespace Tenvik {

class UnifiedBLEAdapter;
class V4Communicator;

// Major, minor and patch of a firmware revision text, kept patch first.
struct VersionTriple {
    int patch = 0;
    int minor = 0;
    int major = 0;
};

// The device link of one instance: picks the framing protocol (1 to 4) from the firmware
// revision, reassembles notification chunks into complete packages and frames outgoing
// payloads. It reaches its owner only through the four callbacks below.
class UnifiedBLEManager {
public:
    using SendCallback = std::function<void(const uint8_t* data, int length)>;
    using ReadyCallback = std::function<void()>;
    using PackageCallback = std::function<void(const std::vector<uint8_t>& payload, uint16_t pid,
                                               uint64_t options, DataType type)>;
    using ErrorCallback = std::function<void(const std::string& message)>;

    explicit UnifiedBLEManager(int forcedProtocol = 0);
    ~UnifiedBLEManager();

    UnifiedBLEManager(const UnifiedBLEManager&) = delete;
    UnifiedBLEManager& operator=(const UnifiedBLEManager&) = delete;

    void setCallbacks(SendCallback send, ReadyCallback ready, PackageCallback package,
                      ErrorCallback error);
    void setFirmwareVersion(const std::string& text);
    void initializeProtocol();

    void processChunk(const uint8_t* data, int length);
    bool sendBytes(const uint8_t* data, int length, uint16_t pid, int processData);
    // Whether sendBytes would frame a payload of this length under the protocol in use: the
    // bytes exist and the packet's length field can count them. Reads none of the bytes.
    bool payloadFits(const uint8_t* data, int length) const;

    // Protocol of a revision text, from its first "major.minor.patch" (3.0.0 without one).
    static int protocolForFirmware(const std::string& text);
    static VersionTriple parseFirmwareVersion(const std::string& text);

    int getProtocolVersion() const { return protocolVersion; }
    bool isV4() const { return protocolVersion == 4; }
    void setProtocol(int protocol);
    void simulateAck();
    void signalReady();
    bool isFirmwareInRange() const;
    void refreshProtocol();

private:
    friend class UnifiedBLEAdapter;

    void takeChunk(const uint8_t* data, int length);
    void refuseTooLongChunk(int length);
    void discardMessageInProgress();
    void processLegacyChunk(const uint8_t* data, int length);
    void frameLegacyBuffer();
    void processV3Chunk(const uint8_t* data, int length);
    void processV4Chunk(const uint8_t* data, int length);
    bool sendLegacyPacket(const uint8_t* data, int length, uint16_t pid, int processData);
    bool sendV4Packet(const uint8_t* data, int length, uint16_t pid);

    // The owner's callbacks run through a copy, so that an owner who replaces them from inside
    // one of them never destroys the callable that is running.
    void emitSend(const uint8_t* data, int length) const;
    void emitReady() const;
    void emitPackage(const uint8_t* payload, size_t size, uint16_t pid, uint64_t options,
                     DataType type);
    void emitPackage(const std::vector<uint8_t>& payload, uint16_t pid, uint64_t options,
                     DataType type) const;
    void emitError(const std::string& message) const;

    int forcedProtocol = 0;
    int protocolVersion = 3;
    std::string firmware;
    SendCallback sendCallback;
    ReadyCallback readyCallback;
    PackageCallback packageCallback;
    ErrorCallback errorCallback;
    std::unique_ptr<V4Communicator> v4Communicator;
    std::unique_ptr<UnifiedBLEAdapter> adapter;
    PackageProcessor packageProcessor;
    bool initialized = false;
    HeaderTemplate headerTemplate;
    std::vector<uint8_t> legacyBuffer;
    // Chunks fed from inside one of the callbacks while a chunk is in progress. The reassembly
    // state of every protocol is in the middle of a step then, so they wait, in order, until
    // that chunk is done; so does the refusal of a chunk too long to take, which drops the
    // message in progress. Empty in ordinary traffic, which never allocates here.
    struct FedChunk {
        std::vector<uint8_t> bytes;  // empty for a chunk too long to take: it is never copied
        int length = 0;
    };
    bool processingChunk = false;
    std::deque<FedChunk> chunksFedDuringCallbacks;
    // Reused storage for delivered payloads, outgoing packets and protocol-4 chunks, so that
    // steady traffic allocates nothing.
    std::vector<uint8_t> scratch;
};

}  // namespace Tenvik
