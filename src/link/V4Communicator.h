#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "link/GzipInflater.h"
#include "link/IBLECommunication.h"

namespace Tenvik {

// Link error codes of protocol 4, as reported through IBLECommunication::didReceiveError.
enum ProtocolErrorCode : uint8_t {
    CompressionFailed = 1,
    DecompressionFailed = 2,
    FirstChunkTooShort = 3,
    BadHeader = 5,
    CrcMismatch = 6,
    MoreBytesThanAnnounced = 7,
    EmptyChunk = 8,
    DataWhileAwaitingAck = 9,
    NakWithoutCode = 10,
};

// The protocol-4 link layer. Every message travels behind 20 bytes: the 17-byte protocol-4
// header and three zero bytes. Incoming messages are reassembled from chunks, unzipped and
// checked as their header's flags say (bit 0: CRC-8 of the uncompressed payload in byte 16;
// bit 1: gzip payload), and reported to the owner. Outgoing compression, outgoing CRC and
// acknowledgements exist in the protocol but stay switched off for the object's lifetime.
class V4Communicator {
public:
    static constexpr std::size_t FramingSize = 20;

    explicit V4Communicator(IBLECommunication* communication);

    // Takes the next notification chunk of the message channel.
    void processChunk(const std::vector<uint8_t>& chunk) { processChunk(chunk.data(), chunk.size()); }
    void processChunk(const uint8_t* chunk, std::size_t size);

    // Frames and sends one payload; a partly received incoming message is abandoned.
    bool send(const uint8_t* data, std::size_t length, uint16_t pid);

    // Sends the negative acknowledgement of the acknowledgement mode.
    void sendNak(uint8_t code);

    // Drops the message in progress, if any; the next chunk is judged as a first chunk.
    void discardMessage();

private:
    void onPackageComplete();
    void deliver(std::vector<uint8_t>& buffer, uint16_t pid, uint64_t options);
    bool handleControlChunk(const uint8_t* chunk, std::size_t size);
    void refuseChunk(ProtocolErrorCode code);
    void endMessage();
    void reportError(uint8_t code);
    void notifyReady();
    void sendPacket(const std::vector<uint8_t>& bytes);

    IBLECommunication* communication;
    // The message in progress: whether one is, and its payload as carried on the wire, in one
    // buffer that keeps its capacity from message to message.
    bool receiving = false;
    std::vector<uint8_t> message;
    // The inflated payload of a gzip message, and the stream that inflates it.
    std::vector<uint8_t> inflated;
    GzipInflater inflater;
    // The last packet sent, kept for its capacity.
    std::vector<uint8_t> packet;
    uint64_t expectedLength = 0;
    uint64_t receivedLength = 0;
    bool compression = false;
    bool crc = false;
    bool ackEnabled = false;
    bool ackReceived = true;
    bool awaitingAck = false;
    uint16_t sendPid = 0;
    uint64_t sendOptions = 0;
    uint16_t rxPid = 0;
    uint64_t rxOptions = 0;
    uint8_t rxFlags = 0;
    uint8_t rxCrc = 0;
};

}  // namespace Tenvik
