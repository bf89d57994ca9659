#include "FuzzHost.h"

#include <string>

#include "FuzzReach.h"

namespace FuzzHost {

Tally Tally::since(const Tally& before) const {
    Tally delta;
    for (int i = 0; i < ReportCount; ++i) {
        delta.calls[i] = calls[i] - before.calls[i];
    }
    for (int i = 0; i < 6; ++i) {
        delta.wearStates[i] = wearStates[i] - before.wearStates[i];
    }
    delta.wearChanges = wearChanges - before.wearChanges;
    for (int i = 0; i < 2; ++i) {
        delta.pressureContacts[i] = pressureContacts[i] - before.pressureContacts[i];
    }
    delta.pressureLosses = pressureLosses - before.pressureLosses;
    for (int i = 0; i < 8; ++i) {
        delta.motionEvents[i] = motionEvents[i] - before.motionEvents[i];
    }
    for (int i = 0; i < 5; ++i) {
        delta.syncStates[i] = syncStates[i] - before.syncStates[i];
    }
    delta.initialRates = initialRates - before.initialRates;
    delta.measuredRates = measuredRates - before.measuredRates;
    delta.legacyRates = legacyRates - before.legacyRates;
    delta.libraryCalls = libraryCalls - before.libraryCalls;
    return delta;
}

void noteValue(Report report, int64_t value) {
    switch (report) {
        case WearState:
            if (value >= 0 && value < 6) {
                ++tally.wearStates[value];
            }
            if (instanceReports.wearStates++ > 0) {
                ++tally.wearChanges;
            }
            break;
        case PressureContact:
            if (value == TENVIK_PRESSURE_CONTACT) {
                ++tally.pressureContacts[0];
                instanceReports.pressureContactConfirmed = true;
            } else if (value == TENVIK_PRESSURE_NO_CONTACT) {
                ++tally.pressureContacts[1];
                if (instanceReports.pressureContactConfirmed) {
                    ++tally.pressureLosses;
                    instanceReports.pressureContactConfirmed = false;
                }
            }
            break;
        case MotionEvent:
            if (value >= 0 && value < 8) {
                ++tally.motionEvents[value];
            }
            break;
        case SyncState:
            if (value >= 0 && value < 5) {
                ++tally.syncStates[value];
            }
            break;
        default: break;
    }
}

void noteProgressRate(float rate) {
    if (rate == 1000.0f) {
        ++tally.initialRates;
    } else if (rate == -1.0f) {
        ++tally.legacyRates;
    } else if (rate >= 0.0f) {
        ++tally.measuredRates;
    }
}

void onPayload(void* context, const char* name, const uint8_t* data, size_t size) {
    touch(reinterpret_cast<const uint8_t*>(name), std::strlen(name));
    touch(data, size);
    if (FuzzReach::enabled()) {
        FuzzReach::mark(std::string("payload.") + name);
    }
    on<Payload>(context);
}

void registerHostCallbacks(TenvikSDK* sdk, bool set) {
    if (!set) {
        TenvikSDK_init_callbacks(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                 nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                 nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                 nullptr, sdk);
        TenvikSDK_set_eda_callback(nullptr, sdk);
        TenvikSDK_set_gps_callback(nullptr, sdk);
        return;
    }
    TenvikSDK_init_callbacks(
        on<Ecg, uint64_t, float>, on<Respiration, uint64_t, float>,
        on<Temperature, uint64_t, float>, on<Accelerometer, uint64_t, float, float, float>,
        on<MotionVector2, uint64_t, float, float, float>,
        on<MotionVector3, uint64_t, float, float, float>, on<Battery, uint8_t>,
        on<Activity, uint64_t, uint32_t>, on<Steps, uint64_t, uint64_t>,
        on<Orientation, uint64_t, float, float, float>,
        on<Quaternion, uint64_t, float, float, float, float>,
        on<RespirationRate, uint64_t, uint32_t>, on<WearState, uint32_t>,
        on<HeartRate, uint64_t, uint32_t>, on<Rr, uint64_t, uint32_t>,
        on<SoundVolume, uint64_t, uint16_t>, on<MotionEvent, int>, on<UserEvent, uint64_t>,
        on<Pressure, uint64_t, uint32_t>, on<PressureContact, int>,
        on<BodyPosition, uint64_t, uint32_t>, on<Signal15, uint64_t, uint8_t>, sdk);
    TenvikSDK_set_eda_callback(on<Eda, uint64_t, float>, sdk);
    TenvikSDK_set_gps_callback(on<Gps, uint64_t, float, float, float, float, float, float>, sdk);
}

void registerSynchronisationCallbacks(TenvikSDK* sdk, bool set) {
    if (!set) {
        TenvikSDK_init_synchronization_callbacks(
            nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
            nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
            nullptr, nullptr, sdk);
        TenvikSDK_set_past_eda_callback(nullptr, sdk);
        TenvikSDK_set_past_gps_callback(nullptr, sdk);
        return;
    }
    TenvikSDK_init_synchronization_callbacks(
        on<SyncState, int>, onProgress, on<PastEcg, uint64_t, float>,
        on<PastRespiration, uint64_t, float>, on<PastTemperature, uint64_t, float>,
        on<PastHeartRate, uint64_t, uint32_t>, on<PastRr, uint64_t, uint32_t>,
        on<PastActivity, uint64_t, uint32_t>, on<PastRespirationRate, uint64_t, uint32_t>,
        on<PastSteps, uint64_t, uint64_t>, on<PastUserEvent, uint64_t>,
        on<PastSoundVolume, uint64_t, uint16_t>, on<PastPressure, uint64_t, uint32_t>,
        on<PastAccelerometer, uint64_t, float, float, float>,
        on<PastMotionVector2, uint64_t, float, float, float>,
        on<PastQuaternion, uint64_t, float, float, float, float>,
        on<PastOrientation, uint64_t, float, float, float>,
        on<PastMotionVector3, uint64_t, float, float, float>,
        on<PastBodyPosition, uint64_t, uint32_t>, on<PastSignal15, uint64_t, uint8_t>, sdk);
    TenvikSDK_set_past_eda_callback(on<PastEda, uint64_t, float>, sdk);
    TenvikSDK_set_past_gps_callback(
        on<PastGps, uint64_t, float, float, float, float, float, float>, sdk);
}

void registerEverything(TenvikSDK* sdk) {
    registerHostCallbacks(sdk, true);
    registerSynchronisationCallbacks(sdk, true);
    TenvikSDK_set_payload_callback(onPayload, sdk);
    TenvikSDK_set_ble_send_callback(onSend, sdk);
    TenvikSDK_set_ble_ready_callback(onReady, sdk);
}

TenvikSDK* create(const char* revision, size_t length) {
    TenvikSDK* sdk = TenvikSDK_create(revision, static_cast<int>(length));
    if (sdk != nullptr) {
        instanceReports = InstanceReports{};
        registerEverything(sdk);
    }
    TenvikSDK_set_log_callback(onLog, nullptr);
    return sdk;
}

}  // namespace FuzzHost
