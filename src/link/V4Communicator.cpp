#include "link/V4Communicator.h"

#include <cstdio>
#include <cstring>
#include <utility>

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

V4Communicator::V4Communicator(IBLECommunication* link)
    : communication(link), inflater(MaxDecompressedSize) {}

void V4Communicator::processChunk(const uint8_t* chunk, std::size_t size) {
    if (chunk == nullptr && size != 0) {
        return;  // no bytes to go with the size
    }
    if (size == 0) {
        discardMessage();
        ackReceived = true;
        awaitingAck = false;
        reportError(EmptyChunk);
        notifyReady();
        return;
    }
    if (ackEnabled && handleControlChunk(chunk, size)) {
        return;
    }
    const uint8_t* payload = chunk;
    if (!receiving) {
        if (size < FramingSize) {
            refuseChunk(FirstChunkTooShort);
            return;
        }
        PacketHeader header;
        if (!parseHeader(header, chunk, MaxHeaderSize) || header.version != 4) {
            refuseChunk(BadHeader);
            return;
        }
        rxFlags = headerFlags(header);
        expectedLength = headerLength(chunk);
        rxCrc = headerCrc(header);
        rxPid = headerPid(header);
        rxOptions = headerOptions(header);
        receivedLength = size - FramingSize;
        payload = chunk + FramingSize;
        receiving = true;
        message.clear();
        message.reserve(expectedLength);
    } else {
        receivedLength += size;
    }
    if (receivedLength > expectedLength) {
        // Judged before storing: an oversized chunk is never copied.
        discardMessage();
        reportError(MoreBytesThanAnnounced);
        return;
    }
    message.insert(message.end(), payload, chunk + size);
    if (receivedLength == expectedLength) {
        onPackageComplete();
    }
}

// Control bytes of the acknowledgement mode. True when the chunk was consumed by it.
bool V4Communicator::handleControlChunk(const uint8_t* chunk, std::size_t size) {
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
        reportError(size > 1 ? chunk[1] : static_cast<uint8_t>(NakWithoutCode));
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
    uint8_t error = 0;
    const bool zipped = (rxFlags & FlagGzip) != 0;
    if (zipped && !inflater.inflate(message.data(), message.size(), inflated)) {
        error = DecompressionFailed;
    } else {
        const std::vector<uint8_t>& payload = zipped ? inflated : message;
        if ((rxFlags & FlagCrc) != 0 && crc8(payload.data(), payload.size()) != rxCrc) {
            error = CrcMismatch;
        }
    }
    const uint16_t pid = rxPid;
    const uint64_t options = rxOptions;
    endMessage();

    // The state is clean before the owner hears of the message: it may send or feed the next
    // chunk from inside the report.
    if (error == 0) {
        if (ackEnabled) {
            sendPacket({Ack});
        }
        deliver(zipped ? inflated : message, pid, options);
    } else {
        if (ackEnabled) {
            sendNak(error);
        }
        reportError(error);
    }
}

// The owner may feed the next message from inside the delivery, which reuses the buffers: the
// delivered bytes leave them for the call, so they stay as they are until the owner returns.
// Afterwards the buffer comes back for its capacity, unless a message fed meanwhile is still
// being received into the one in place.
void V4Communicator::deliver(std::vector<uint8_t>& buffer, uint16_t pid, uint64_t options) {
    std::vector<uint8_t> payload = std::move(buffer);
    buffer.clear();
    if (communication != nullptr) {
        communication->didReceivePackage(payload, pid, options);
    }
    if (&buffer != &message || !receiving) {
        buffer = std::move(payload);
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
    // Out of the member for the call, as in deliver: a send from inside the owner's send
    // callback builds its packet in a buffer of its own.
    std::vector<uint8_t> framed = std::move(packet);
    framed.resize(FramingSize + bodyLength);
    copyHeader(header, framed.data());
    std::memset(framed.data() + MaxHeaderSize, 0, FramingSize - MaxHeaderSize);
    if (bodyLength != 0) {
        std::memcpy(framed.data() + FramingSize, body, bodyLength);
    }
    sendPacket(framed);
    packet = std::move(framed);
    if (!ackEnabled) {
        notifyReady();
    }
    return true;
}

void V4Communicator::sendNak(uint8_t code) { sendPacket({Nak, code}); }

void V4Communicator::discardMessage() {
    endMessage();
    message.clear();
}

// No message in progress any more; the buffer keeps what it received.
void V4Communicator::endMessage() {
    receiving = false;
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

void V4Communicator::sendPacket(const std::vector<uint8_t>& bytes) {
    if (communication != nullptr) {
        communication->send(bytes);
    }
}

}  // namespace Tenvik
