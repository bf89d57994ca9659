// A host driven by a script: every export of the library in any order, with sizes that need not
// match the pointers, and callbacks that call back into the library as the script says.
//
// Input layout:
//   byte 0     the firmware revision: below 0x80 it picks one of the table below; from 0x80 on
//              the next (byte 0 & 0x1F) bytes are the revision text itself, given as they are
//   then       a list of operations, each an opcode byte and its operands; input that runs out
//              ends the script:
//     0 chunk      n, n bytes                        a notification chunk
//     1 odd chunk  form, n                           a size that disagrees with the pointer
//     2 send       pid low, pid high, n, n bytes     a command (pid sign-extended from 16 bits)
//     3 value      export, form, n, n bytes          a characteristic value, sized by `form`
//     4 register   mask low, mask high               each bit sets (1) or clears (0) a group
//     5 context    c                                 the host context, or null
//     6 react      kind, action, after               what a callback of `kind` does at its
//                                                    `after`-th next call (once)
//     7 scratch    n, n bytes                        the bytes that reactions send and feed
//     8 destroy                                      destroy now (a new instance follows)
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzHost.h"
#include "tenvik_sdk.h"

namespace {

const char* const revisions[] = {"2.1.0",  "2.2.14", "2.2.16", "2.2.18", "2.3.24", "3.0.0",
                                 "3.3.41", "3.5.60", "3.6.62", "3.7.86", "4.0.0",  "4.1.7"};
constexpr size_t revisionCount = sizeof revisions / sizeof revisions[0];

using ValueExport = void (*)(const uint8_t*, int, TenvikSDK*);
const ValueExport valueExports[] = {
    TenvikSDK_process_battery_package, processECGPackage,          processRespirationPackage,
    processTemperaturePackage,         processMotionPackage,       processActivityPackage,
    processStepsPackage,               processOrientationPackage,  processHeartRatePackage,
    processHealthThermometerPackage,   processSoundVolumePackage,  processNasalCannulaPackage};
constexpr size_t valueExportCount = sizeof valueExports / sizeof valueExports[0];

// The kinds of callback a reaction can hang on.
enum Kind : uint8_t { Data, Payload, Send, Ready, Log, Synchronisation, KindCount };

// What a callback can do to the library from inside.
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

struct Reaction {
    bool armed = false;
    uint8_t action = 0;
    uint8_t callsLeft = 0;
};

// The simulated host. The library hands it back as the context (or null, when the script
// clears the context), so the callbacks reach it through this one object.
struct Host {
    std::string revision;
    TenvikSDK* sdk = nullptr;
    int depth = 0;           // library calls of the script in progress
    bool destroyed = false;  // destroyed inside the call in progress: the handle dies with it
    Reaction reactions[KindCount];
    std::vector<uint8_t> scratch;
    int reactionsLeft = 0;
};

Host host;

void react(Kind kind);

// ---- Callbacks: each reads all it is given, then maybe reacts ---------------------------------

void seen(void* context, Kind kind) {
    if (context != nullptr && context != &host) {
        __builtin_trap();  // a context the host never set
    }
    react(kind);
}

template <typename... Values>
void onData(void* context, Values...) {
    seen(context, Data);
}
template <typename... Values>
void onSync(void* context, Values...) {
    seen(context, Synchronisation);
}
void onPayload(void* context, const char* name, const uint8_t* data, size_t size) {
    FuzzHost::onPayload(context, name, data, size);
    seen(context, Payload);
}
void onSend(void* context, const uint8_t* data, int length) {
    FuzzHost::onSend(context, data, length);
    seen(context, Send);
}
void onReady(void* context) { seen(context, Ready); }
void onLog(void* context, int level, const char* text) {
    FuzzHost::onLog(context, level, text);
    react(Log);
}

// ---- Registration by groups ----------------------------------------------------------------------

void registerHostCallbacks(TenvikSDK* sdk, bool on) {
    if (!on) {
        TenvikSDK_init_callbacks(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                 nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                 nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                 nullptr, sdk);
        return;
    }
    TenvikSDK_init_callbacks(
        onData<uint64_t, float>, onData<uint64_t, float>, onData<uint64_t, float>,
        onData<uint64_t, float, float, float>, onData<uint64_t, float, float, float>,
        onData<uint64_t, float, float, float>, onData<uint8_t>, onData<uint64_t, uint32_t>,
        onData<uint64_t, uint64_t>, onData<uint64_t, float, float, float>,
        onData<uint64_t, float, float, float, float>, onData<uint64_t, uint32_t>,
        onData<uint32_t>, onData<uint64_t, uint32_t>, onData<uint64_t, uint32_t>,
        onData<uint64_t, uint16_t>, onData<int>, onData<uint64_t>, onData<uint64_t, uint32_t>,
        onData<int>, onData<uint64_t, uint32_t>, onData<uint64_t, uint8_t>, sdk);
}

void registerSynchronisationCallbacks(TenvikSDK* sdk, bool on) {
    if (!on) {
        TenvikSDK_init_synchronization_callbacks(
            nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
            nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
            nullptr, nullptr, sdk);
        return;
    }
    TenvikSDK_init_synchronization_callbacks(
        onSync<int>, onSync<uint32_t, float>, onSync<uint64_t, float>, onSync<uint64_t, float>,
        onSync<uint64_t, float>, onSync<uint64_t, uint32_t>, onSync<uint64_t, uint32_t>,
        onSync<uint64_t, uint32_t>, onSync<uint64_t, uint32_t>, onSync<uint64_t, uint64_t>,
        onSync<uint64_t>, onSync<uint64_t, uint16_t>, onSync<uint64_t, uint32_t>,
        onSync<uint64_t, float, float, float>, onSync<uint64_t, float, float, float>,
        onSync<uint64_t, float, float, float, float>, onSync<uint64_t, float, float, float>,
        onSync<uint64_t, float, float, float>, onSync<uint64_t, uint32_t>,
        onSync<uint64_t, uint8_t>, sdk);
}

// Bit i of the mask sets (1) or clears (0) group i.
void registerGroups(TenvikSDK* sdk, unsigned mask) {
    auto bit = [mask](int i) { return ((mask >> i) & 1u) != 0; };
    registerHostCallbacks(sdk, bit(0));
    registerSynchronisationCallbacks(sdk, bit(1));
    TenvikSDK_set_payload_callback(bit(2) ? onPayload : nullptr, sdk);
    TenvikSDK_set_eda_callback(bit(3) ? onData<uint64_t, float> : nullptr, sdk);
    TenvikSDK_set_gps_callback(
        bit(4) ? onData<uint64_t, float, float, float, float, float, float> : nullptr, sdk);
    TenvikSDK_set_past_eda_callback(bit(5) ? onSync<uint64_t, float> : nullptr, sdk);
    TenvikSDK_set_past_gps_callback(
        bit(6) ? onSync<uint64_t, float, float, float, float, float, float> : nullptr, sdk);
    TenvikSDK_set_ble_send_callback(bit(7) ? onSend : nullptr, sdk);
    TenvikSDK_set_ble_ready_callback(bit(8) ? onReady : nullptr, sdk);
    TenvikSDK_set_log_callback(bit(9) ? onLog : nullptr, &host);
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
        host.sdk = nullptr;
        host.destroyed = false;
    }
}

void create() {
    host.sdk = TenvikSDK_create(host.revision.data(), static_cast<int>(host.revision.size()));
    if (host.sdk != nullptr) {
        TenvikSDK_set_context(&host, host.sdk);
        registerGroups(host.sdk, 0x3FF);
    }
}

// A value for one of the characteristic exports: `form` decides whether the size matches the
// bytes, the pointer is null, or the size is negative.
void feedValue(TenvikSDK* sdk, uint8_t which, uint8_t form, const uint8_t* bytes, int n) {
    const ValueExport entry = valueExports[which % valueExportCount];
    switch (form % 4) {
        case 0: entry(n > 0 ? bytes : nullptr, n, sdk); break;
        case 1: entry(nullptr, n, sdk); break;
        case 2: entry(bytes, -n - 1, sdk); break;
        default: entry(nullptr, INT_MAX, sdk); break;
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

void perform(uint8_t action, TenvikSDK* sdk) {
    const uint8_t* scratch = host.scratch.empty() ? nullptr : host.scratch.data();
    const int n = static_cast<int>(host.scratch.size());
    switch (action % ActionCount) {
        case Destroy:
            host.destroyed = true;
            TenvikSDK_destroy(sdk);
            break;
        case ClearCallbacks: registerGroups(sdk, 0); break;
        case RegisterCallbacks: registerGroups(sdk, 0x3FF); break;
        case SendScratch: TenvikSDK_send(scratch, n, n > 0 ? scratch[0] : 0, sdk); break;
        case FeedScratchChunk: TenvikSDK_process_ble_chunk(scratch, n, sdk); break;
        case FeedScratchValue:
            feedValue(sdk, n > 0 ? scratch[0] : 0, 0, n > 1 ? scratch + 1 : nullptr,
                      n > 1 ? n - 1 : 0);
            break;
        case ClearContext: TenvikSDK_set_context(nullptr, sdk); break;
        case SwitchLogOff: TenvikSDK_set_log_callback(nullptr, nullptr); break;
        default: TenvikSDK_set_log_callback(onLog, &host); break;
    }
}

// Runs the reaction armed for this kind of callback when its count comes up. Reactions run
// once each and nest only so deep, so a callback that feeds the library cannot recurse forever.
void react(Kind kind) {
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
    perform(reaction.action, host.sdk);
    --host.depth;
}

// ---- The script --------------------------------------------------------------------------------

struct Script {
    const uint8_t* data;
    size_t size;
    size_t at = 0;

    bool done() const { return at >= size; }
    uint8_t byte() { return at < size ? data[at++] : 0; }
    // n bytes, fewer when the input ends first.
    const uint8_t* bytes(size_t& n) {
        n = n < size - at ? n : size - at;
        const uint8_t* start = data + at;
        at += n;
        return start;
    }
};

// The script's own bytes in an allocation of exactly their size, so that a read past them
// is caught.
std::vector<uint8_t> exactCopy(const uint8_t* bytes, size_t n) {
    std::vector<uint8_t> copy(bytes, bytes + n);
    copy.shrink_to_fit();
    return copy;
}

void runOperation(Script& script) {
    const uint8_t opcode = script.byte();
    switch (opcode % 9) {
        case 0: {
            size_t n = script.byte();
            const auto chunk = exactCopy(script.bytes(n), n);
            call([&](TenvikSDK* sdk) {
                TenvikSDK_process_ble_chunk(n > 0 ? chunk.data() : nullptr, static_cast<int>(n),
                                            sdk);
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
            const auto pid = static_cast<int16_t>(script.byte() | script.byte() << 8);
            size_t n = script.byte();
            const auto command = exactCopy(script.bytes(n), n);
            call([&](TenvikSDK* sdk) {
                TenvikSDK_send(n > 0 ? command.data() : nullptr, static_cast<int>(n), pid, sdk);
            });
            break;
        }
        case 3: {
            const uint8_t which = script.byte();
            const uint8_t form = script.byte();
            size_t n = script.byte();
            const auto value = exactCopy(script.bytes(n), n);
            call([&](TenvikSDK* sdk) {
                feedValue(sdk, which, form, value.data(), static_cast<int>(n));
            });
            break;
        }
        case 4: {
            const unsigned mask = script.byte() | script.byte() << 8;
            call([&](TenvikSDK* sdk) { registerGroups(sdk, mask); });
            break;
        }
        case 5: {
            void* context = (script.byte() & 1) != 0 ? &host : nullptr;
            call([&](TenvikSDK* sdk) { TenvikSDK_set_context(context, sdk); });
            break;
        }
        case 6: {
            Reaction& reaction = host.reactions[script.byte() % KindCount];
            reaction.action = script.byte();
            reaction.callsLeft = script.byte();
            reaction.armed = true;
            break;
        }
        case 7: {
            size_t n = script.byte();
            host.scratch = exactCopy(script.bytes(n), n);
            break;
        }
        default:
            TenvikSDK_destroy(host.sdk);
            host.sdk = nullptr;
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    host = Host{};
    host.reactionsLeft = 16;
    Script script{data, size};
    const uint8_t choice = script.byte();
    if (choice < 0x80) {
        host.revision = revisions[choice % revisionCount];
    } else {
        size_t n = choice & 0x1F;
        const uint8_t* text = script.bytes(n);
        host.revision.assign(reinterpret_cast<const char*>(text), n);
    }
    for (int operations = 0; !script.done() && operations < 256; ++operations) {
        if (host.sdk == nullptr) {
            create();
            if (host.sdk == nullptr) {
                break;  // a refused revision leaves nothing to drive: creation was the test
            }
        }
        runOperation(script);
    }
    TenvikSDK_destroy(host.sdk);
    host.sdk = nullptr;
    return 0;
}
