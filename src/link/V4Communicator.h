#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

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
    void processChunk(const std::vector<uint8_t>& chunk);

    // Frames and sends one payload; a partly received incoming message is abandoned.
    bool send(const uint8_t* data, std::size_t length, uint16_t pid);

    // Sends the negative acknowledgement of the acknowledgement mode.
    void sendNak(uint8_t code);

private:
    void onPackageComplete();
    bool handleControlChunk(const std::vector<uint8_t>& chunk);
    void refuseChunk(ProtocolErrorCode code);
    void discardMessage();
    void reportError(uint8_t code);
    void notifyReady();
    void sendPacket(const std::vector<uint8_t>& packet);

    IBLECommunication* communication;
    std::deque<std::vector<uint8_t>> chunks;
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
