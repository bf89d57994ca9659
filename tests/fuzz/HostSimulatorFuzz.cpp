// A host driven by a script: every export of the library in any order, with sizes that need not
// match the pointers, callbacks that call back into the library as the script says, and
// operations that repeat or generate input for as long as a deep state needs (a minute of
// respiration for the rate estimate, a plank held for two seconds, a long synchronisation).
//
// Input layout:
//   byte 0     the firmware revision: below 0x80 it picks one of the table below; from 0x80 on
//              the next (byte 0 & 0x1F) bytes are the revision text itself, given as they are
//   then       a list of operations, each an opcode byte (taken modulo 12) and its operands;
//              input that runs out ends the script:
//     0 chunk      n, n bytes                        a notification chunk
//     1 odd chunk  form, n                           a size that disagrees with the pointer
//     2 send       pid low, pid high, n, n bytes     a command (pid sign-extended from 16 bits)
//     3 value      export, form, n, n bytes          a characteristic value, sized by `form`
//     4 register   mask low, mask high               each bit sets (1) or clears (0) a group
//     5 context    c                                 the host context, or null
//     6 react      kind, action, after               what a callback of `kind` does at its
//                                                    `after`-th next call (once)
//     7 scratch    n, n bytes                        the bytes that reactions send and feed
//     8 destroy    mark                              destroy now, when mark is 0xD5 (a new
//                                                    instance follows)
//     9 repeat     count, n, n bytes                 runs the n bytes of operations that follow
//                                                    count times (repeats nest)
//    10 signal     export, size, format, offset,     `packets` values of `size` bytes made from
//                  samples, period (2), amplitude    the template: `samples` fields from
//                  (2), packets, size bytes          `offset` on carry the template's value plus
//                                                    a sine of that period and amplitude (see
//                                                    writeSignal for `format`)
//    11 clock      ms low, ms high                   the library's clock moves on (FuzzClock)
// Counts (of repeat and signal) are one byte c: c itself below 0xC0, else (c - 0xBF) * 128,
// up to 8192. A script runs at most `operationBudget` operations, repetitions included: enough
// for the deepest state (a full respiration window of 30000 samples takes 500 values of the
// layout of firmware 2.2.14), few enough that every input ends within milliseconds.
// Destroying is rare by design: a new instance costs milliseconds (FuzzInstances.h), so the
// destroy operation and the Destroy action of a reaction take effect only with the byte 0xD5
// (libFuzzer learns it from the comparison), and a script ends when it would need a fifth
// instance.
//
// The kinds of `react` are the groups of callbacks (0 data, 1 payload, 2 send, 3 ready, 4 log,
// 5 synchronisation) and, from 6 on, each single report (FuzzHost::Report), so a reaction can
// hang on a report raised in the middle of a packet: a respiration rate, a wear state, a
// pressure contact, a motion event, an orientation, a synchronisation progress.
//
// Instances are pooled, one per revision, and fed script after script (FuzzInstances.h says
// when and why); each script registers its callbacks and context afresh. A replay of input
// files gives every script a new instance.
//
// Scripts that reach deep state take milliseconds, most others microseconds; the libFuzzer
// flags (HostSimulatorFuzz.options) let the schedule weigh inputs by their running time, which
// triples the inputs run in a minute for the same coverage.
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "FirmwareTraits.h"
#include "FuzzClock.h"
#include "FuzzHost.h"
#include "FuzzInstances.h"
#include "FuzzReach.h"
#include "ReachOracle.h"
#include "tenvik_sdk.h"

namespace {

using FuzzHost::Report;

// The first twelve as they were; the rest add the layouts the first twelve miss.
const char* const revisions[] = {"2.1.0",  "2.2.14", "2.2.16", "2.2.18", "2.3.24", "3.0.0",
                                 "3.3.41", "3.5.60", "3.6.62", "3.7.86", "4.0.0",  "4.1.7",
                                 "2.0.0",  "2.2.5",  "2.3.23", "3.2.30", "3.3.34", "3.4.53"};
constexpr size_t revisionCount = sizeof revisions / sizeof revisions[0];

// The kinds of callback a reaction can hang on: the groups, then every single report.
enum Group : uint8_t { AnyData, AnyPayload, AnySend, AnyReady, AnyLog, AnySynchronisation };
constexpr int groupCount = 6;
constexpr int kindCount = groupCount + FuzzHost::ReportCount;

// What a callback can do to the library from inside: the action byte 0xD5 destroys; any other
// byte picks by its value modulo ActionCount, Destroy's own values clearing the callbacks.
enum Action : uint8_t {
    Destroy,
    ClearCallbacks,
    RegisterCallbacks,
    SendScratch,
    FeedScratchChunk,
    FeedScratchValue,
    ClearContext,
    SwitchLogOff,
    SwitchLogOn,
    ActionCount
};

constexpr uint8_t destroyMark = 0xD5;
constexpr int opcodeCount = 12;
constexpr int operationBudget = 1024;
constexpr int instanceBudget = 4;
constexpr int maxRepeatDepth = 4;

struct Reaction {
    bool armed = false;
    uint8_t action = 0;
    uint8_t callsLeft = 0;
};

// The simulated host. The library hands it back as the context (or null, when the script
// clears the context), so the callbacks reach it through this one object.
struct Host {
    std::string revision;
    FirmwareTraits firmware{""};
    TenvikSDK* sdk = nullptr;
    bool refused = false;    // no instance to be had (refused revision, or all used): the end
    int depth = 0;           // library calls of the script in progress
    bool destroyed = false;  // destroyed inside the call in progress: the handle dies with it
    Reaction reactions[kindCount];
    std::vector<uint8_t> scratch;
    int reactionsLeft = 0;
    int operationsLeft = 0;
    int instancesLeft = 0;
};

Host host;

// ---- Registration by groups ------------------------------------------------------------------

// Bit i of the mask sets (1) or clears (0) group i.
void registerGroups(TenvikSDK* sdk, unsigned mask) {
    auto bit = [mask](int i) { return ((mask >> i) & 1u) != 0; };
    FuzzHost::registerHostCallbacks(sdk, bit(0));
    FuzzHost::registerSynchronisationCallbacks(sdk, bit(1));
    TenvikSDK_set_payload_callback(bit(2) ? FuzzHost::onPayload : nullptr, sdk);
    TenvikSDK_set_eda_callback(bit(3) ? FuzzHost::on<FuzzHost::Eda, uint64_t, float> : nullptr,
                               sdk);
    TenvikSDK_set_gps_callback(
        bit(4) ? FuzzHost::on<FuzzHost::Gps, uint64_t, float, float, float, float, float, float>
               : nullptr,
        sdk);
    TenvikSDK_set_past_eda_callback(
        bit(5) ? FuzzHost::on<FuzzHost::PastEda, uint64_t, float> : nullptr, sdk);
    TenvikSDK_set_past_gps_callback(
        bit(6) ? FuzzHost::on<FuzzHost::PastGps, uint64_t, float, float, float, float, float,
                              float>
               : nullptr,
        sdk);
    TenvikSDK_set_ble_send_callback(bit(7) ? FuzzHost::onSend : nullptr, sdk);
    TenvikSDK_set_ble_ready_callback(bit(8) ? FuzzHost::onReady : nullptr, sdk);
    TenvikSDK_set_log_callback(bit(9) ? FuzzHost::onLog : nullptr, &host);
}

// ---- Calls into the library ------------------------------------------------------------------

// Each library call of the script runs through here. A handle destroyed from inside a callback
// may still be passed to the library within that call; once the outermost call returns it is
// gone, and the next call needs a new instance.
template <typename Call>
void call(Call&& body) {
    if (host.sdk == nullptr) {
        return;
    }
    ++host.depth;
    body(host.sdk);
    if (--host.depth == 0 && host.destroyed) {
        FuzzInstances::forget(host.sdk);
        host.sdk = nullptr;
        host.destroyed = false;
    }
}

// The instance for the next operation: the one in use, or the revision's (pooled or new) with
// every callback set. False when the revision is refused or the script has used its instances.
bool ensureInstance() {
    if (host.sdk == nullptr && !host.refused) {
        host.sdk = host.instancesLeft-- > 0 ? FuzzInstances::acquire(host.revision) : nullptr;
        host.refused = host.sdk == nullptr;
        if (host.sdk != nullptr) {
            TenvikSDK_set_context(&host, host.sdk);
            registerGroups(host.sdk, 0x3FF);
        }
    }
    return host.sdk != nullptr;
}

// A value for one of the characteristic exports: `form` decides whether the size matches the
// bytes, the pointer is null, or the size is negative. Values whose size matches their bytes
// are judged by the reach check.
void feedValue(TenvikSDK* sdk, uint8_t which, uint8_t form, const uint8_t* bytes, int n) {
    const auto characteristic =
        static_cast<FuzzHost::Characteristic>(which % FuzzHost::CharacteristicCount);
    const FuzzHost::ValueExport entry = FuzzHost::valueExports[characteristic];
    const FuzzHost::Tally before = FuzzHost::tally;
    switch (form % 4) {
        case 0: entry(n > 0 ? bytes : nullptr, n, sdk); break;
        case 1: entry(nullptr, n, sdk); break;
        case 2: entry(bytes, -n - 1, sdk); break;
        default: entry(nullptr, INT_MAX, sdk); break;
    }
    if (FuzzReach::enabled() && form % 4 == 0) {
        ReachOracle::afterValue(host.firmware, characteristic, n, FuzzHost::tally.since(before));
    }
}

void feedChunk(TenvikSDK* sdk, const uint8_t* bytes, int n) {
    const FuzzHost::Tally before = FuzzHost::tally;
    TenvikSDK_process_ble_chunk(n > 0 ? bytes : nullptr, n, sdk);
    if (FuzzReach::enabled()) {
        ReachOracle::afterChunk(host.firmware, FuzzHost::tally.since(before));
    }
}

// A chunk whose size disagrees with its pointer.
void feedOddChunk(TenvikSDK* sdk, uint8_t form, int n) {
    static const uint8_t bytes[4] = {0x02, 0x0A, 0x00, 0x05};
    switch (form % 4) {
        case 0: TenvikSDK_process_ble_chunk(nullptr, n, sdk); break;
        case 1: TenvikSDK_process_ble_chunk(bytes, -n - 1, sdk); break;
        case 2: TenvikSDK_process_ble_chunk(nullptr, INT_MAX, sdk); break;
        default: TenvikSDK_process_ble_chunk(bytes, INT_MIN, sdk); break;
    }
}

// A call the host makes from inside a callback: counted, so that the reach check does not judge
// the outer call by callbacks of both, and recorded as a feed from that report.
void feedFromInside(Report report) {
    ++FuzzHost::tally.libraryCalls;
    FuzzReach::mark(std::string("nested.feed.") + FuzzHost::reportNames[report]);
}

Action actionOf(uint8_t byte) {
    if (byte == destroyMark) {
        return Destroy;
    }
    const auto action = static_cast<Action>(byte % ActionCount);
    return action == Destroy ? ClearCallbacks : action;
}

void perform(uint8_t action, Report report, TenvikSDK* sdk) {
    const uint8_t* scratch = host.scratch.empty() ? nullptr : host.scratch.data();
    const int n = static_cast<int>(host.scratch.size());
    switch (actionOf(action)) {
        case Destroy:
            host.destroyed = true;
            FuzzReach::mark(std::string("nested.destroy.") + FuzzHost::reportNames[report]);
            TenvikSDK_destroy(sdk);
            break;
        case ClearCallbacks: registerGroups(sdk, 0); break;
        case RegisterCallbacks: registerGroups(sdk, 0x3FF); break;
        case SendScratch:
            ++FuzzHost::tally.libraryCalls;
            TenvikSDK_send(scratch, n, n > 0 ? scratch[0] : 0, sdk);
            break;
        case FeedScratchChunk:
            feedFromInside(report);
            TenvikSDK_process_ble_chunk(scratch, n, sdk);
            break;
        case FeedScratchValue:
            feedFromInside(report);
            feedValue(sdk, n > 0 ? scratch[0] : 0, 0, n > 1 ? scratch + 1 : nullptr,
                      n > 1 ? n - 1 : 0);
            break;
        case ClearContext: TenvikSDK_set_context(nullptr, sdk); break;
        case SwitchLogOff: TenvikSDK_set_log_callback(nullptr, nullptr); break;
        default: TenvikSDK_set_log_callback(FuzzHost::onLog, &host); break;
    }
}

// Runs the reaction armed for this kind of callback when its count comes up. Reactions run
// once each and nest only so deep, so a callback that feeds the library cannot recurse forever.
void react(int kind, Report report) {
    Reaction& reaction = host.reactions[kind];
    if (!reaction.armed || host.sdk == nullptr || host.depth == 0 || host.depth > 4) {
        return;
    }
    if (reaction.callsLeft > 0) {
        --reaction.callsLeft;
        return;
    }
    if (host.reactionsLeft-- <= 0) {
        return;
    }
    reaction.armed = false;
    ++host.depth;
    perform(reaction.action, report, host.sdk);
    --host.depth;
}

int groupOf(Report report) {
    switch (report) {
        case FuzzHost::Payload: return AnyPayload;
        case FuzzHost::Send: return AnySend;
        case FuzzHost::Ready: return AnyReady;
        case FuzzHost::Log: return AnyLog;
        default: return FuzzHost::isSynchronisation(report) ? AnySynchronisation : AnyData;
    }
}

// Every callback ends here, after FuzzHost has read and counted its values.
void onReport(void* context, Report report) {
    if (context != nullptr && context != &host) {
        __builtin_trap();  // a context the host never set
    }
    react(groupOf(report), report);
    react(groupCount + report, report);
}

// ---- The script --------------------------------------------------------------------------------

struct Script {
    const uint8_t* data;
    size_t size;
    size_t at = 0;

    bool done() const { return at >= size; }
    uint8_t byte() { return at < size ? data[at++] : 0; }
    uint16_t word() {
        const uint8_t low = byte();
        return static_cast<uint16_t>(low | byte() << 8);
    }
    uint32_t count() {
        const uint8_t c = byte();
        return c < 0xC0 ? c : (c - 0xBFu) * 128u;
    }
    // n bytes, fewer when the input ends first.
    const uint8_t* bytes(size_t& n) {
        n = n < size - at ? n : size - at;
        const uint8_t* start = data + at;
        at += n;
        return start;
    }
};

// The script's next n bytes (fewer when it ends first) in an allocation of exactly their size,
// so that a read past them is caught.
std::vector<uint8_t> takeExact(Script& script, size_t n) {
    const uint8_t* bytes = script.bytes(n);
    std::vector<uint8_t> copy(bytes, bytes + n);
    copy.shrink_to_fit();
    return copy;
}

// Generated values: `packets` copies of the template in which `samples` fields, each `width`
// bytes wide from `offset` on, hold the template's field plus amplitude * 2^shift *
// sin(2 pi k / period) for the k-th sample of the whole signal. `format`: bits 0-1 the width
// minus one, bit 2 big-endian fields, bits 3-6 the shift.
struct Signal {
    uint8_t which, size, format, offset, samples;
    uint16_t period;
    int16_t amplitude;
    uint32_t packets;
    std::vector<uint8_t> packet;
};

int64_t readField(const uint8_t* at, int width, bool bigEndian) {
    uint64_t raw = 0;
    for (int i = 0; i < width; ++i) {
        raw |= static_cast<uint64_t>(at[bigEndian ? i : width - 1 - i]) << (8 * (width - 1 - i));
    }
    const uint64_t sign = uint64_t{1} << (8 * width - 1);
    return static_cast<int64_t>(raw ^ sign) - static_cast<int64_t>(sign);
}

void writeField(uint8_t* at, int width, bool bigEndian, int64_t value) {
    const auto raw = static_cast<uint64_t>(value);
    for (int i = 0; i < width; ++i) {
        at[bigEndian ? width - 1 - i : i] = static_cast<uint8_t>(raw >> (8 * i));
    }
}

void writeSignal(Signal& signal, const std::vector<uint8_t>& base, uint32_t firstSample) {
    const int width = (signal.format & 3) + 1;
    const bool bigEndian = (signal.format & 4) != 0;
    const int shift = (signal.format >> 3) & 15;
    const double pi = 3.14159265358979323846;
    for (int k = 0; k < signal.samples; ++k) {
        const size_t at = signal.offset + static_cast<size_t>(k) * static_cast<size_t>(width);
        if (at + static_cast<size_t>(width) > signal.packet.size()) {
            break;
        }
        const uint32_t phase = (firstSample + static_cast<uint32_t>(k)) % signal.period;
        const double wave = std::sin(2.0 * pi * phase / signal.period);
        const int64_t added = std::lround(signal.amplitude * wave) * (int64_t{1} << shift);
        writeField(signal.packet.data() + at, width, bigEndian,
                   readField(base.data() + at, width, bigEndian) + added);
    }
}

void runOperation(Script& script, int repeatDepth);

void runRepeat(Script& script, int repeatDepth) {
    const uint32_t count = script.count();
    size_t n = script.byte();
    const uint8_t* body = script.bytes(n);
    for (uint32_t i = 0; i < count && n > 0 && host.operationsLeft > 0 && !host.refused; ++i) {
        Script inner{body, n};
        while (!inner.done() && host.operationsLeft > 0 && !host.refused) {
            runOperation(inner, repeatDepth + 1);
        }
    }
}

void runSignal(Script& script) {
    Signal signal{};
    signal.which = script.byte();
    signal.size = script.byte();
    signal.format = script.byte();
    signal.offset = script.byte();
    signal.samples = script.byte();
    signal.period = script.word();
    signal.amplitude = static_cast<int16_t>(script.word());
    signal.packets = script.count();
    const std::vector<uint8_t> base = takeExact(script, signal.size);
    if (signal.period == 0) {
        signal.period = 1;
    }
    signal.packet = base;
    for (uint32_t p = 0; p < signal.packets && host.operationsLeft > 0; ++p) {
        if (!ensureInstance()) {
            return;
        }
        --host.operationsLeft;
        writeSignal(signal, base, p * signal.samples);
        call([&](TenvikSDK* sdk) {
            feedValue(sdk, signal.which, 0, signal.packet.data(),
                      static_cast<int>(signal.packet.size()));
        });
    }
}

void runOperation(Script& script, int repeatDepth) {
    if (!ensureInstance()) {
        return;
    }
    --host.operationsLeft;
    const uint8_t opcode = script.byte();
    switch (opcode % opcodeCount) {
        case 0: {
            const auto chunk = takeExact(script, script.byte());
            call([&](TenvikSDK* sdk) {
                feedChunk(sdk, chunk.data(), static_cast<int>(chunk.size()));
            });
            break;
        }
        case 1: {
            const uint8_t form = script.byte();
            const int n = script.byte();
            call([&](TenvikSDK* sdk) { feedOddChunk(sdk, form, n); });
            break;
        }
        case 2: {
            const auto pid = static_cast<int16_t>(script.word());
            const auto command = takeExact(script, script.byte());
            call([&](TenvikSDK* sdk) {
                TenvikSDK_send(command.empty() ? nullptr : command.data(),
                               static_cast<int>(command.size()), pid, sdk);
            });
            break;
        }
        case 3: {
            const uint8_t which = script.byte();
            const uint8_t form = script.byte();
            const auto value = takeExact(script, script.byte());
            call([&](TenvikSDK* sdk) {
                feedValue(sdk, which, form, value.data(), static_cast<int>(value.size()));
            });
            break;
        }
        case 4: {
            const unsigned mask = script.word();
            call([&](TenvikSDK* sdk) { registerGroups(sdk, mask); });
            break;
        }
        case 5: {
            void* context = (script.byte() & 1) != 0 ? &host : nullptr;
            call([&](TenvikSDK* sdk) { TenvikSDK_set_context(context, sdk); });
            break;
        }
        case 6: {
            Reaction& reaction = host.reactions[script.byte() % kindCount];
            reaction.action = script.byte();
            reaction.callsLeft = script.byte();
            reaction.armed = true;
            break;
        }
        case 7: {
            host.scratch = takeExact(script, script.byte());
            break;
        }
        case 8:
            if (script.byte() == destroyMark) {
                TenvikSDK_destroy(host.sdk);
                FuzzInstances::forget(host.sdk);
                host.sdk = nullptr;
            }
            break;
        case 9:
            if (repeatDepth < maxRepeatDepth) {
                runRepeat(script, repeatDepth);
            } else {
                script.at = script.size;  // nested too deep: the rest of this body is dropped
            }
            break;
        case 10: runSignal(script); break;
        default: FuzzClock::advance(script.word()); break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    FuzzInstances::configure(*argc, *argv);
    FuzzHost::hook = onReport;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    FuzzHost::hook = onReport;
    FuzzInstances::beginInput(data, size);
    host = Host{};
    host.reactionsLeft = 16;
    host.operationsLeft = operationBudget;
    host.instancesLeft = instanceBudget;
    Script script{data, size};
    const uint8_t choice = script.byte();
    if (choice < 0x80) {
        host.revision = revisions[choice % revisionCount];
    } else {
        size_t n = choice & 0x1F;
        const uint8_t* text = script.bytes(n);
        host.revision.assign(reinterpret_cast<const char*>(text), n);
    }
    host.firmware = FirmwareTraits(host.revision);
    while (!script.done() && host.operationsLeft > 0 && !host.refused) {
        runOperation(script, 0);
    }
    if (host.sdk != nullptr) {
        FuzzInstances::release(host.sdk);
    }
    TenvikSDK_set_log_callback(nullptr, nullptr);
    // Nothing of the script outlives it: libFuzzer takes an input that keeps memory for a leak
    // and runs it again to look.
    host = Host{};
    return 0;
}

void fuzzReplayHistory(const char* path, int (*run)(const uint8_t*, size_t)) {
    FuzzInstances::replayHistory(path, run);
}
