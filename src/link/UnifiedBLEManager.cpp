#include "link/UnifiedBLEManager.h"

#include <charconv>
#include <climits>
#include <cstdio>
#include <cstring>
// GCC 12 reports a false "may be used uninitialized" inside <regex>'s own std::function
// members when optimising with sanitizers; the library's code is not concerned.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <regex>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#include <utility>

#include "common/Log.h"
#include "link/PacketHeader.h"
#include "link/UnifiedBLEAdapter.h"
#include "link/V4Communicator.h"

namespace Tenvik {

namespace {

constexpr int LegacyHeaderSize = 5;
constexpr uint8_t LegacyVersion = 0x02;

// Reads one matched group as a decimal number; a value beyond int saturates.
int groupValue(const std::ssub_match& group) {
    long long value = 0;
    const std::string digits = group.str();
    const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (result.ec != std::errc{} || value > INT_MAX) {
        return INT_MAX;
    }
    return static_cast<int>(value);
}

bool searchVersion(const std::string& text, VersionTriple& out) {
    static const std::regex pattern(R"((\d+)\.(\d+)\.(\d+))", std::regex::ECMAScript);
    std::smatch match;
    if (!std::regex_search(text, match, pattern)) {
        return false;
    }
    out.major = groupValue(match[1]);
    out.minor = groupValue(match[2]);
    out.patch = groupValue(match[3]);
    return true;
}

int protocolForVersion(const VersionTriple& version) {
    if (version.major >= 4) {
        return 4;
    }
    if (version.major == 3) {
        return 3;
    }
    if (version.major == 2 && version.minor == 2) {
        if (version.patch >= 15 && version.patch <= 17) {
            return 2;
        }
        if (version.patch >= 18) {
            return 3;
        }
    }
    return 1;
}

// A length that cannot describe the bytes handed in: negative, or positive without bytes.
bool describesNoBuffer(const uint8_t* data, int length) {
    return length < 0 || (length > 0 && data == nullptr);
}

// Every length field of the framings is 16 bits wide.
constexpr int MaxLengthField = 65535;

// The longest chunk a protocol can carry as (part of) one message: protocols 1 and 2 count a
// message in a 16-bit length, protocol 3 holds at most a 7-byte header and a 3100-byte payload,
// protocol 4 counts only the payload after its framing.
int longestChunk(int protocol) {
    switch (protocol) {
        case 3:
            return PackageProcessor::LongestChunk;
        case 4:
            return MaxLengthField + static_cast<int>(V4Communicator::FramingSize);
        default:
            return MaxLengthField;
    }
}

// The longest payload whose framed packet still fits its length field: protocols 2 and 3
// count the header in it, protocol 4 counts the payload alone.
int longestPayload(int protocol) {
    return protocol == 4 ? MaxLengthField : MaxLengthField - headerSize(protocol);
}

// A payload whose length field would wrap: the device would read the rest of it as further
// packets. Logged.
bool refuseOversizedPayload(int length, int protocol) {
    const int longest = longestPayload(protocol);
    if (length <= longest) {
        return false;
    }
    logLine(LogWarning, "UnifiedBLEManager::sendBytes - refused payload of ", length,
            " bytes, more than a protocol-", protocol, " packet carries (", longest, ")");
    return true;
}

}  // namespace

// ---- Construction and configuration ------------------------------------------------------

UnifiedBLEManager::UnifiedBLEManager(int forced) {
    if (forced != 0) {
        forcedProtocol = forced;
        if (forced >= 1 && forced <= 4) {
            protocolVersion = forced;
        }
        initializeProtocol();
    }
}

UnifiedBLEManager::~UnifiedBLEManager() = default;

void UnifiedBLEManager::setCallbacks(SendCallback send, ReadyCallback ready,
                                     PackageCallback package, ErrorCallback error) {
    std::fflush(stdout);
    sendCallback = std::move(send);
    readyCallback = std::move(ready);
    packageCallback = std::move(package);
    errorCallback = std::move(error);
}

void UnifiedBLEManager::setFirmwareVersion(const std::string& text) {
    firmware = text;
    if (forcedProtocol != 0 || firmware.empty()) {
        return;
    }
    protocolVersion = protocolForFirmware(firmware);
    initializeProtocol();
}

VersionTriple UnifiedBLEManager::parseFirmwareVersion(const std::string& text) {
    VersionTriple version;
    if (!searchVersion(text, version)) {
        logLine(LogWarning, "Failed to parse firmware version: ", text, ", defaulting to 3.0.0");
        return VersionTriple{0, 0, 3};
    }
    return version;
}

int UnifiedBLEManager::protocolForFirmware(const std::string& text) {
    return protocolForVersion(parseFirmwareVersion(text));
}

void UnifiedBLEManager::initializeProtocol() {
    if (initialized) {
        logLine(LogDebug, "Protocol already initialized, skipping");
        return;
    }
    if (protocolVersion == 4) {
        // The old communicator points at the old adapter: it goes first.
        v4Communicator.reset();
        adapter = std::make_unique<UnifiedBLEAdapter>(this);
        v4Communicator = std::make_unique<V4Communicator>(adapter.get());
        packageProcessor.reset();
        logLine(LogDebug, "V4 PackageProcessor configured for V3.1 application layer (ACK disabled)");
    } else {
        headerTemplate.setVersion(static_cast<uint8_t>(protocolVersion));
        legacyBuffer.clear();
        packageProcessor.reset();
    }
    initialized = true;
}

// ---- Receiving ------------------------------------------------------------------------------

void UnifiedBLEManager::processChunk(const uint8_t* data, int length) {
    if (describesNoBuffer(data, length)) {
        // No bytes came with the call, so nothing is lost from the stream and no state is
        // touched: refused at once, from inside a callback too.
        logLine(LogWarning, "UnifiedBLEManager::processChunk - refused chunk of invalid length ",
                length);
        return;
    }
    if (processingChunk) {
        FedChunk& fed = chunksFedDuringCallbacks.emplace_back();
        fed.length = length;
        if (length <= longestChunk(protocolVersion)) {
            fed.bytes.assign(data, data + length);
        }
        return;
    }
    processingChunk = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{processingChunk};
    takeChunk(data, length);
    while (!chunksFedDuringCallbacks.empty()) {
        const FedChunk next = std::move(chunksFedDuringCallbacks.front());
        chunksFedDuringCallbacks.pop_front();
        takeChunk(next.bytes.data(), next.length);
    }
}

void UnifiedBLEManager::takeChunk(const uint8_t* data, int length) {
    if (!initialized) {
        logLine(LogDebug, "Initializing protocol...\n");
        initializeProtocol();
    }
    // Judged before a byte of it is copied or scanned: a chunk longer than any message of the
    // protocol could only be cut or wrapped on the way.
    if (length > longestChunk(protocolVersion)) {
        refuseTooLongChunk(length);
        return;
    }
    switch (protocolVersion) {
        case 1:
            emitPackage(data, static_cast<size_t>(length), 0, 0, ProcessData);
            break;
        case 2:
            processLegacyChunk(data, length);
            break;
        case 3:
            processV3Chunk(data, length);
            break;
        case 4:
            processV4Chunk(data, length);
            break;
        default:
            emitError("Unknown protocol version for chunk processing");
            break;
    }
}

// The refused bytes leave a gap in the stream: the message in progress cannot be completed
// across it, so it goes too, and the next chunk starts afresh.
void UnifiedBLEManager::refuseTooLongChunk(int length) {
    logLine(LogWarning, "UnifiedBLEManager::processChunk - refused chunk of ", length,
            " bytes, more than a protocol-", protocolVersion, " message carries (",
            longestChunk(protocolVersion), ")");
    discardMessageInProgress();
}

void UnifiedBLEManager::discardMessageInProgress() {
    switch (protocolVersion) {
        case 2:
            legacyBuffer.clear();
            break;
        case 3:
            packageProcessor.reset();
            break;
        case 4:
            if (v4Communicator) {
                v4Communicator->discardMessage();
            }
            break;
        default:
            break;  // every chunk of protocol 1 is a message of its own
    }
}

void UnifiedBLEManager::processLegacyChunk(const uint8_t* data, int length) {
    legacyBuffer.insert(legacyBuffer.end(), data, data + length);
    logLine(LogDebug, "V2/V3 legacy path - legacyBuffer size after: ", legacyBuffer.size());
    frameLegacyBuffer();
}

void UnifiedBLEManager::frameLegacyBuffer() {
    // Bytes before `start` are consumed; they leave the buffer in one step at the end, so a
    // long run of stray bytes costs one move, not one per byte.
    size_t start = 0;
    while (legacyBuffer.size() - start > 4) {
        const uint8_t* frame = legacyBuffer.data() + start;
        if (frame[0] == 0x00) {
            logLine(LogDebug, "V2 legacy padding byte discarded");
            ++start;
            continue;
        }
        if (frame[0] != LegacyVersion || frame[1] != HeaderTag) {
            logLine(LogWarning, "V2 legacy header desync - dropping byte: ",
                    static_cast<int>(frame[0]));
            ++start;
            continue;
        }
        const size_t total = headerLength(frame);
        if (legacyBuffer.size() - start < total) {
            break;
        }
        if (total < LegacyHeaderSize) {
            logLine(LogWarning,
                    "V2 legacy header reported size smaller than header - dropping packet");
            ++start;
            continue;
        }
        const DataType type = frame[2] != 0 ? ProcessData : SystemData;
        // Take the payload out and drop the packet from the buffer before the owner sees it:
        // a chunk the owner feeds back from inside the callback then finds a consistent buffer.
        std::vector<uint8_t> package = std::move(scratch);
        package.assign(frame + LegacyHeaderSize, frame + total);
        legacyBuffer.erase(legacyBuffer.begin(),
                           legacyBuffer.begin() + static_cast<std::ptrdiff_t>(start + total));
        start = 0;
        emitPackage(package, 0, 0, type);
        scratch = std::move(package);
    }
    legacyBuffer.erase(legacyBuffer.begin(),
                       legacyBuffer.begin() + static_cast<std::ptrdiff_t>(start));
}

void UnifiedBLEManager::processV3Chunk(const uint8_t* data, int length) {
    if (!packageProcessor.process(data, static_cast<uint16_t>(length))) {
        logLine(LogWarning, "V3 PackageProcessor rejected chunk of size ", length);
        return;
    }
    if (!packageProcessor.isComplete()) {
        return;
    }
    uint16_t size = 0;
    const uint8_t* payload = packageProcessor.getData(&size);
    const uint16_t pid = packageProcessor.getPid();
    const uint64_t options = packageProcessor.getOptions();
    std::vector<uint8_t> package = std::move(scratch);
    package.assign(payload, payload + size);
    packageProcessor.reset();
    emitPackage(package, pid, options, pid != 0 ? ProcessData : SystemData);
    scratch = std::move(package);
}

void UnifiedBLEManager::processV4Chunk(const uint8_t* data, int length) {
    if (!v4Communicator) {
        return;
    }
    v4Communicator->processChunk(data, static_cast<size_t>(length));
}

// ---- Sending --------------------------------------------------------------------------------

bool UnifiedBLEManager::sendBytes(const uint8_t* data, int length, uint16_t pid,
                                  int processData) {
    if (describesNoBuffer(data, length)) {
        logLine(LogWarning, "UnifiedBLEManager::sendBytes - refused payload of invalid length ",
                length);
        return false;
    }
    logLine(LogDebug, "Sending bytes via protocol V", protocolVersion, ", size: ", length);
    switch (protocolVersion) {
        case 1:
            emitError(
                "V1 protocol (pre-March 2017 devices) supports sensor streaming only, not "
                "bidirectional commands. This is expected behavior.");
            return false;
        case 2:
        case 3:
            return sendLegacyPacket(data, length, pid, processData);
        case 4:
            return sendV4Packet(data, length, pid);
        default:
            emitError("Unknown protocol version");
            return false;
    }
}

bool UnifiedBLEManager::payloadFits(const uint8_t* data, int length) const {
    return !describesNoBuffer(data, length) && length <= longestPayload(protocolVersion);
}

bool UnifiedBLEManager::sendLegacyPacket(const uint8_t* data, int length, uint16_t pid,
                                         int processData) {
    if (refuseOversizedPayload(length, protocolVersion)) {
        return false;
    }
    if (!sendCallback) {
        logLine(LogWarning, "V3 sendBytes: ERROR - sendCallback is NULL!\n");
        return true;
    }
    const int header = headerSize(protocolVersion);
    const uint8_t type = processData != 0 ? 1 : 0;
    const auto payloadLength = static_cast<uint16_t>(length);
    const PacketHeader packetHeader = protocolVersion == 2
                                          ? makeV2Header(type, payloadLength)
                                          : makeV3Header(type, payloadLength, pid);
    std::vector<uint8_t> packet = std::move(scratch);
    packet.resize(static_cast<size_t>(header) + static_cast<size_t>(length));
    copyHeader(packetHeader, packet.data());
    if (length > 0) {
        std::memcpy(packet.data() + header, data, static_cast<size_t>(length));
    }
    emitSend(packet.data(), static_cast<int>(packet.size()));
    emitReady();
    scratch = std::move(packet);
    return true;
}

bool UnifiedBLEManager::sendV4Packet(const uint8_t* data, int length, uint16_t pid) {
    if (!v4Communicator) {
        logLine(LogError, "V4 communicator not initialized");
        return false;
    }
    if (refuseOversizedPayload(length, 4)) {
        return false;
    }
    return v4Communicator->send(data, static_cast<size_t>(length), pid);
}

// ---- Owner callbacks ------------------------------------------------------------------------

void UnifiedBLEManager::emitSend(const uint8_t* data, int length) const {
    if (sendCallback) {
        const SendCallback running = sendCallback;
        running(data, length);
    }
}

void UnifiedBLEManager::emitReady() const {
    if (readyCallback) {
        const ReadyCallback running = readyCallback;
        running();
    }
}

void UnifiedBLEManager::emitPackage(const uint8_t* payload, size_t size, uint16_t pid,
                                    uint64_t options, DataType type) {
    if (!packageCallback) {
        return;
    }
    std::vector<uint8_t> package = std::move(scratch);
    package.assign(payload, payload + size);
    emitPackage(package, pid, options, type);
    scratch = std::move(package);
}

void UnifiedBLEManager::emitPackage(const std::vector<uint8_t>& payload, uint16_t pid,
                                    uint64_t options, DataType type) const {
    if (packageCallback) {
        const PackageCallback running = packageCallback;
        running(payload, pid, options, type);
    }
}

void UnifiedBLEManager::emitError(const std::string& message) const {
    if (errorCallback) {
        const ErrorCallback running = errorCallback;
        running(message);
    }
}

// ---- Operations kept for completeness of the link's interface --------------------------------

void UnifiedBLEManager::setProtocol(int protocol) {
    forcedProtocol = protocol;
    if (protocol >= 1 && protocol <= 4) {
        protocolVersion = protocol;
    }
    if (protocol != 0) {
        initializeProtocol();
    }
}

void UnifiedBLEManager::refreshProtocol() {
    if (firmware.empty()) {
        return;
    }
    protocolVersion = protocolForFirmware(firmware);
    initializeProtocol();
}

void UnifiedBLEManager::simulateAck() {
    if (readyCallback) {
        logLine(LogDebug, "Simulating immediate ACK for V1 sensor data processing");
        emitReady();
    }
}

void UnifiedBLEManager::signalReady() { emitReady(); }

bool UnifiedBLEManager::isFirmwareInRange() const {
    if (protocolVersion != 3 || firmware.empty()) {
        return false;
    }
    VersionTriple version;
    if (!searchVersion(firmware, version) || version.major != 3) {
        return false;
    }
    switch (version.minor) {
        case 2:
            return version.patch >= 23;
        case 3:
        case 4:
        case 5:
            return true;
        case 6:
            return version.patch <= 61;
        default:
            return false;
    }
}

}  // namespace Tenvik
