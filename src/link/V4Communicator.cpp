#include "link/V4Communicator.h"

#include <cstdio>
#include <cstring>
#include <iterator>

#include "link/Crc8.h"
#include "link/Gzip.h"
#include "link/PacketHeader.h"

namespace Tenvik {

namespace {

constexpr uint8_t FlagCrc = 0x01;
constexpr uint8_t FlagGzip = 0x02;
constexpr uint8_t Ack = 0x06;
constexpr uint8_t Nak = 0x15;
// Outgoing payloads up to this size are never worth compressing.
constexpr std::size_t MaxUncompressedPayload = 127;

}  // namespace

V4Communicator::V4Communicator(IBLECommunication* link) : communication(link) {}

void V4Communicator::processChunk(const std::vector<uint8_t>& chunk) {
    if (chunk.empty()) {
        discardMessage();
        ackReceived = true;
        awaitingAck = false;
        reportError(EmptyChunk);
        notifyReady();
        return;
    }
    if (ackEnabled && handleControlChunk(chunk)) {
        return;
    }
    if (chunks.empty()) {
        if (chunk.size() < FramingSize) {
            refuseChunk(FirstChunkTooShort);
            return;
        }
        PacketHeader header;
        if (!parseHeader(header, chunk.data(), MaxHeaderSize) || header.version != 4) {
            refuseChunk(BadHeader);
            return;
        }
        rxFlags = headerFlags(header);
        expectedLength = headerLength(chunk.data());
        rxCrc = headerCrc(header);
        rxPid = headerPid(header);
        rxOptions = headerOptions(header);
        receivedLength = chunk.size() - FramingSize;
    } else {
        receivedLength += chunk.size();
    }
    if (receivedLength > expectedLength) {
        // Judged before storing: an oversized chunk is never copied.
        discardMessage();
        reportError(MoreBytesThanAnnounced);
        return;
    }
    chunks.push_back(chunk);
    if (receivedLength == expectedLength) {
        onPackageComplete();
    }
}

// Control bytes of the acknowledgement mode. True when the chunk was consumed by it.
bool V4Communicator::handleControlChunk(const std::vector<uint8_t>& chunk) {
    if (chunk[0] == Ack) {
        if (!ackReceived) {
            ackReceived = true;
            awaitingAck = false;
            notifyReady();
        }
        return true;
    }
    if (chunk[0] == Nak) {
        ackReceived = true;
        awaitingAck = false;
        reportError(chunk.size() > 1 ? chunk[1] : static_cast<uint8_t>(NakWithoutCode));
        notifyReady();
        return true;
    }
    if (awaitingAck && !ackReceived) {
        ackReceived = true;
        awaitingAck = false;
        reportError(DataWhileAwaitingAck);
        notifyReady();
        return true;
    }
    return false;
}

void V4Communicator::refuseChunk(ProtocolErrorCode code) {
    reportError(code);
    ackReceived = true;
    awaitingAck = false;
    notifyReady();
}

void V4Communicator::onPackageComplete() {
    // The first chunk carries the framing, every later one only payload.
    std::vector<uint8_t> payload;
    payload.reserve(receivedLength);
    const auto& first = chunks.front();
    payload.insert(payload.end(), first.begin() + FramingSize, first.end());
    for (auto later = std::next(chunks.begin()); later != chunks.end(); ++later) {
        payload.insert(payload.end(), later->begin(), later->end());
    }
    chunks.clear();

    uint8_t error = 0;
    if ((rxFlags & FlagGzip) != 0 && !decompressGzip(payload)) {
        error = DecompressionFailed;
    } else if ((rxFlags & FlagCrc) != 0 && crc8(payload.data(), payload.size()) != rxCrc) {
        error = CrcMismatch;
    }
    const uint16_t pid = rxPid;
    const uint64_t options = rxOptions;
    discardMessage();

    // The state is clean before the owner hears of the message: it may send or feed the next
    // chunk from inside the report.
    if (error == 0) {
        if (ackEnabled) {
            sendPacket({Ack});
        }
        if (communication != nullptr) {
            communication->didReceivePackage(payload, pid, options);
        }
    } else {
        if (ackEnabled) {
            sendNak(error);
        }
        reportError(error);
    }
}

bool V4Communicator::send(const uint8_t* data, std::size_t length, uint16_t pid) {
    if (data == nullptr && length != 0) {
        return false;
    }
    sendPid = pid;
    if (ackEnabled && !ackReceived) {
        return false;
    }
    discardMessage();
    if (ackEnabled) {
        ackReceived = false;
        awaitingAck = true;
    }

    uint8_t flags = 0;
    uint8_t crcByte = 0;
    if (crc) {
        crcByte = crc8(data, length);
        flags |= FlagCrc;
    }
    const uint8_t* body = data;
    std::size_t bodyLength = length;
    std::vector<uint8_t> compressed;
    if (compression && length > MaxUncompressedPayload) {
        compressed.assign(data, data + length);
        if (!compressGzip(compressed)) {
            std::printf("[E][%s] ", "BLEComm");
            std::printf("Compression failed!\n");
            reportError(CompressionFailed);
            ackReceived = true;
            awaitingAck = false;
            notifyReady();
            return false;
        }
        flags |= FlagGzip;
        body = compressed.data();
        bodyLength = compressed.size();
    }

    const PacketHeader header =
        makeV4Header(static_cast<uint16_t>(bodyLength), sendPid, sendOptions, flags, crcByte);
    std::vector<uint8_t> packet(FramingSize + bodyLength, 0);
    copyHeader(header, packet.data());
    if (bodyLength != 0) {
        std::memcpy(packet.data() + FramingSize, body, bodyLength);
    }
    sendPacket(packet);
    if (!ackEnabled) {
        notifyReady();
    }
    return true;
}

void V4Communicator::sendNak(uint8_t code) { sendPacket({Nak, code}); }

void V4Communicator::discardMessage() {
    chunks.clear();
    expectedLength = 0;
    receivedLength = 0;
    rxPid = 0;
    rxOptions = 0;
    rxFlags = 0;
    rxCrc = 0;
}

void V4Communicator::reportError(uint8_t code) {
    if (communication != nullptr) {
        communication->didReceiveError(code);
    }
}

void V4Communicator::notifyReady() {
    if (communication != nullptr) {
        communication->notifyReady();
    }
}

void V4Communicator::sendPacket(const std::vector<uint8_t>& packet) {
    if (communication != nullptr) {
        communication->send(packet);
    }
}

}  // namespace Tenvik
