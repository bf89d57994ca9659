#pragma once

#include <chrono>
#include <functional>
#include <cstdint>
#include <iomanip>
#include <ostream>
#include <string>
#include <vector>

#include "tenvik_sdk.h"

namespace TenvikTest {

// One callback the host received: its name, its timestamp (0 for callbacks without one) and
// its values in argument order.
struct HostEvent {
    std::string name;
    uint64_t timestamp = 0;
    std::vector<double> values;

    bool operator==(const HostEvent&) const = default;
    friend std::ostream& operator<<(std::ostream& out, const HostEvent& event) {
        out << "{" << event.name << ", " << event.timestamp << ", {";
        for (size_t i = 0; i < event.values.size(); ++i) {
            out << (i == 0 ? "" : ", ") << std::setprecision(17) << event.values[i];
        }
        return out << "}}";
    }
};

// The events of one callback, in order.
inline std::vector<HostEvent> eventsNamed(const std::vector<HostEvent>& events,
                                          const std::string& name) {
    std::vector<HostEvent> out;
    for (const auto& event : events) {
        if (event.name == name) {
            out.push_back(event);
        }
    }
    return out;
}

// Registers every data callback of an instance (the 22 of TenvikSDK_init_callbacks and the
// live EDA and GPS ones) with itself as the context, and records what arrives in order.
class HostCallbackRecorder {
public:
    // Creates an instance for `revision` and registers this recorder; null when refused.
    TenvikSDK* create(const std::string& revision) {
        sdk = TenvikSDK_create(revision.data(), static_cast<int>(revision.size()));
        if (sdk != nullptr) {
            TenvikSDK_set_context(this, sdk);
            registerAll();
        }
        return sdk;
    }

    ~HostCallbackRecorder() { TenvikSDK_destroy(sdk); }

    // Called after each event is recorded, for hosts that call back into the library.
    std::function<void(HostCallbackRecorder&, const HostEvent&)> react;

    // Destroys the instance now (from inside a callback too); the recorder keeps recording
    // whatever still arrives.
    void destroy() {
        TenvikSDK* handle = sdk;
        sdk = nullptr;
        TenvikSDK_destroy(handle);
    }

    // Registers all 22 callbacks, leaving out the one named (for null-callback tests).
    void registerAll(const std::string& without = "") {
        auto pick = [&](const char* name, auto callback) {
            return without == name ? nullptr : callback;
        };
        TenvikSDK_init_callbacks(
            pick("ecg", &onEcg), pick("respiration", &onRespiration),
            pick("temperature", &onTemperature), pick("accelerometer", &onAccelerometer),
            pick("motion_vector2", &onMotionVector2), pick("motion_vector3", &onMotionVector3),
            pick("battery", &onBattery), pick("activity", &onActivity), pick("steps", &onSteps),
            pick("orientation", &onOrientation), pick("quaternion", &onQuaternion),
            pick("respiration_rate", &onRespirationRate), pick("wear_state", &onWearState),
            pick("heart_rate", &onHeartRate), pick("rr", &onRr),
            pick("sound_volume", &onSoundVolume), pick("motion_event", &onMotionEvent),
            pick("user_event", &onUserEvent), pick("pressure", &onPressure),
            pick("pressure_lead_off", &onPressureLeadOff),
            pick("body_position", &onBodyPosition), pick("signal15", &onSignal15), sdk);
        TenvikSDK_set_eda_callback(pick("eda", &onEda), sdk);
        TenvikSDK_set_gps_callback(pick("gps", &onGps), sdk);
    }

    // Registers the 20 synchronisation callbacks and the past EDA and GPS ones, leaving out
    // the one named. They arrive as "sync_state" (the state), "sync_progress" (count, rate)
    // and "past_" followed by the live name ("past_ecg", "past_steps" ...).
    void registerSynchronization(const std::string& without = "") {
        auto pick = [&](const char* name, auto callback) {
            return without == name ? nullptr : callback;
        };
        TenvikSDK_init_synchronization_callbacks(
            pick("sync_state", &onSyncState), pick("sync_progress", &onSyncProgress),
            pick("past_ecg", &onPastEcg), pick("past_respiration", &onPastRespiration),
            pick("past_temperature", &onPastTemperature),
            pick("past_heart_rate", &onPastHeartRate), pick("past_rr", &onPastRr),
            pick("past_activity", &onPastActivity),
            pick("past_respiration_rate", &onPastRespirationRate),
            pick("past_steps", &onPastSteps), pick("past_user_event", &onPastUserEvent),
            pick("past_sound_volume", &onPastSoundVolume), pick("past_pressure", &onPastPressure),
            pick("past_accelerometer", &onPastAccelerometer),
            pick("past_motion_vector2", &onPastMotionVector2),
            pick("past_quaternion", &onPastQuaternion),
            pick("past_orientation", &onPastOrientation),
            pick("past_motion_vector3", &onPastMotionVector3),
            pick("past_body_position", &onPastBodyPosition),
            pick("past_signal15", &onPastSignal15), sdk);
        TenvikSDK_set_past_eda_callback(pick("past_eda", &onPastEda), sdk);
        TenvikSDK_set_past_gps_callback(pick("past_gps", &onPastGps), sdk);
    }

    TenvikSDK* handle() const { return sdk; }
    const std::vector<HostEvent>& events() const { return recorded; }
    void clear() { recorded.clear(); }
    // Callbacks that arrived with a null context, across all recorders of the process.
    static int& nullContextCalls() {
        static int count = 0;
        return count;
    }

    // The events of one callback, in order.
    std::vector<HostEvent> named(const std::string& name) const {
        return eventsNamed(recorded, name);
    }

    // The first value of every event of one callback, in order.
    std::vector<double> values(const std::string& name) const {
        std::vector<double> out;
        for (const auto& event : named(name)) {
            out.push_back(event.values.at(0));
        }
        return out;
    }

    // The names of all events in order.
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& event : recorded) {
            out.push_back(event.name);
        }
        return out;
    }

private:
    template <typename... Values>
    static void add(void* context, const char* name, uint64_t timestamp, Values... values) {
        auto* self = static_cast<HostCallbackRecorder*>(context);
        if (self == nullptr) {
            ++nullContextCalls();
            return;
        }
        self->recorded.push_back({name, timestamp, {static_cast<double>(values)...}});
        if (self->react) {
            const HostEvent event = self->recorded.back();
            self->react(*self, event);
        }
    }

    static void onEcg(void* c, uint64_t t, float v) { add(c, "ecg", t, v); }
    static void onRespiration(void* c, uint64_t t, float v) { add(c, "respiration", t, v); }
    static void onTemperature(void* c, uint64_t t, float v) { add(c, "temperature", t, v); }
    static void onAccelerometer(void* c, uint64_t t, float x, float y, float z) {
        add(c, "accelerometer", t, x, y, z);
    }
    static void onMotionVector2(void* c, uint64_t t, float x, float y, float z) {
        add(c, "motion_vector2", t, x, y, z);
    }
    static void onMotionVector3(void* c, uint64_t t, float x, float y, float z) {
        add(c, "motion_vector3", t, x, y, z);
    }
    static void onBattery(void* c, uint8_t v) { add(c, "battery", 0, v); }
    static void onActivity(void* c, uint64_t t, uint32_t v) { add(c, "activity", t, v); }
    static void onSteps(void* c, uint64_t t, uint64_t v) {
        // Kept exact: a double cannot hold every 64-bit count.
        add(c, "steps", t, static_cast<double>(v >> 32), static_cast<double>(v & 0xFFFFFFFFu));
    }
    static void onOrientation(void* c, uint64_t t, float a, float b, float d) {
        add(c, "orientation", t, a, b, d);
    }
    static void onQuaternion(void* c, uint64_t t, float a, float b, float d, float e) {
        add(c, "quaternion", t, a, b, d, e);
    }
    static void onRespirationRate(void* c, uint64_t t, uint32_t v) {
        add(c, "respiration_rate", t, v);
    }
    static void onWearState(void* c, uint32_t v) { add(c, "wear_state", 0, v); }
    static void onHeartRate(void* c, uint64_t t, uint32_t v) { add(c, "heart_rate", t, v); }
    static void onRr(void* c, uint64_t t, uint32_t v) { add(c, "rr", t, v); }
    static void onSoundVolume(void* c, uint64_t t, uint16_t v) { add(c, "sound_volume", t, v); }
    static void onMotionEvent(void* c, int v) { add(c, "motion_event", 0, v); }
    static void onUserEvent(void* c, uint64_t t) { add(c, "user_event", t); }
    static void onPressure(void* c, uint64_t t, uint32_t v) { add(c, "pressure", t, v); }
    static void onPressureLeadOff(void* c, int v) { add(c, "pressure_lead_off", 0, v); }
    static void onBodyPosition(void* c, uint64_t t, uint32_t v) {
        add(c, "body_position", t, v);
    }
    static void onSignal15(void* c, uint64_t t, uint8_t v) { add(c, "signal15", t, v); }
    static void onEda(void* c, uint64_t t, float v) { add(c, "eda", t, v); }
    static void onGps(void* c, uint64_t t, float a, float b, float d, float e, float f,
                      float g) {
        add(c, "gps", t, a, b, d, e, f, g);
    }

    static void onSyncState(void* c, int v) { add(c, "sync_state", 0, v); }
    static void onSyncProgress(void* c, uint32_t count, float rate) {
        add(c, "sync_progress", 0, count, rate);
    }
    static void onPastEcg(void* c, uint64_t t, float v) { add(c, "past_ecg", t, v); }
    static void onPastRespiration(void* c, uint64_t t, float v) {
        add(c, "past_respiration", t, v);
    }
    static void onPastTemperature(void* c, uint64_t t, float v) {
        add(c, "past_temperature", t, v);
    }
    static void onPastHeartRate(void* c, uint64_t t, uint32_t v) {
        add(c, "past_heart_rate", t, v);
    }
    static void onPastRr(void* c, uint64_t t, uint32_t v) { add(c, "past_rr", t, v); }
    static void onPastActivity(void* c, uint64_t t, uint32_t v) { add(c, "past_activity", t, v); }
    static void onPastRespirationRate(void* c, uint64_t t, uint32_t v) {
        add(c, "past_respiration_rate", t, v);
    }
    static void onPastSteps(void* c, uint64_t t, uint64_t v) {
        // Kept exact, as the live steps.
        add(c, "past_steps", t, static_cast<double>(v >> 32),
            static_cast<double>(v & 0xFFFFFFFFu));
    }
    static void onPastUserEvent(void* c, uint64_t t) { add(c, "past_user_event", t); }
    static void onPastSoundVolume(void* c, uint64_t t, uint16_t v) {
        add(c, "past_sound_volume", t, v);
    }
    static void onPastPressure(void* c, uint64_t t, uint32_t v) { add(c, "past_pressure", t, v); }
    static void onPastAccelerometer(void* c, uint64_t t, float x, float y, float z) {
        add(c, "past_accelerometer", t, x, y, z);
    }
    static void onPastMotionVector2(void* c, uint64_t t, float x, float y, float z) {
        add(c, "past_motion_vector2", t, x, y, z);
    }
    static void onPastQuaternion(void* c, uint64_t t, float a, float b, float d, float e) {
        add(c, "past_quaternion", t, a, b, d, e);
    }
    static void onPastOrientation(void* c, uint64_t t, float a, float b, float d) {
        add(c, "past_orientation", t, a, b, d);
    }
    static void onPastMotionVector3(void* c, uint64_t t, float x, float y, float z) {
        add(c, "past_motion_vector3", t, x, y, z);
    }
    static void onPastBodyPosition(void* c, uint64_t t, uint32_t v) {
        add(c, "past_body_position", t, v);
    }
    static void onPastSignal15(void* c, uint64_t t, uint8_t v) { add(c, "past_signal15", t, v); }
    static void onPastEda(void* c, uint64_t t, float v) { add(c, "past_eda", t, v); }
    static void onPastGps(void* c, uint64_t t, float a, float b, float d, float e, float f,
                          float g) {
        add(c, "past_gps", t, a, b, d, e, f, g);
    }

    TenvikSDK* sdk = nullptr;
    std::vector<HostEvent> recorded;
};

// The wall clock in milliseconds since the Unix epoch, as the library reads it.
inline uint64_t wallClockMs() {
    using namespace std::chrono;
    return static_cast<uint64_t>(
        duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
}

}  // namespace TenvikTest
