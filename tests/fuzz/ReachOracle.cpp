#include "ReachOracle.h"

#include <string>

#include "FuzzReach.h"

using namespace FuzzHost;

namespace {

void markIf(bool reached, const std::string& item) {
    if (reached) {
        FuzzReach::mark(item);
    }
}

std::string layoutName(const char* prefix, int layout) {
    return std::string(prefix) + std::to_string(layout);
}

void motionEvents(const Tally& delta, const std::string& suffix) {
    markIf(delta.motionEvents[TENVIK_MOTION_EVENT_PLANK_START] > 0,
           "report.motion.plankStart" + suffix);
    markIf(delta.motionEvents[TENVIK_MOTION_EVENT_PLANK_END] > 0,
           "report.motion.plankEnd" + suffix);
    for (int code = 0; code < TENVIK_MOTION_EVENT_PLANK_START; ++code) {
        markIf(delta.motionEvents[code] > 0, layoutName("report.motion.event", code) + suffix);
    }
}

void pressureContacts(const Tally& delta, const std::string& suffix) {
    markIf(delta.pressureContacts[0] > 0, "report.pressureContact.confirmed" + suffix);
    markIf(delta.pressureLosses > 0, "report.pressureContact.lost" + suffix);
}

}  // namespace

void ReachOracle::afterValue(const FirmwareTraits& firmware, Characteristic which, int size,
                             const Tally& delta) {
    if (delta.libraryCalls != 0 || !firmware.valid()) {
        return;
    }
    const uint32_t* calls = delta.calls;
    switch (which) {
        case BatteryValue:
            markIf(size == 1 && calls[Battery] == 1, "value.battery.1byte");
            markIf(size == 3 && calls[Battery] == 1, "value.battery.3byte");
            break;
        case EcgValue: {
            const int layout = firmware.ecgLayout();
            const int expected = layout == 1 ? 18 : 20;
            const bool accepted = size == expected &&
                                  calls[Ecg] == static_cast<uint32_t>(
                                                    FirmwareTraits::ecgOutputs(layout));
            markIf(accepted, layoutName("value.ecg.layout", layout));
            markIf(accepted && layout == 6 && calls[WearState] > 0, "report.wearState.ecgByte");
            markIf(accepted && firmware.ecgLeadOffTest() && delta.wearChanges > 0,
                   "report.wearState.leadOffChange");
            break;
        }
        case RespirationValue: {
            const int layout = firmware.respirationLayout();
            const int repeat = firmware.respirationRepeat();
            const auto later =
                static_cast<uint32_t>(FirmwareTraits::respirationOutputs(layout, repeat, false));
            const auto first =
                static_cast<uint32_t>(FirmwareTraits::respirationOutputs(layout, repeat, true));
            const bool accepted = size == (layout == 1 ? 18 : 20) &&
                                  (calls[Respiration] == later || calls[Respiration] == first);
            std::string name = layoutName("value.respiration.layout", layout);
            if (layout == 1) {
                name += repeat == 4 ? ".fourfold" : ".once";
            }
            markIf(accepted, name);
            markIf(accepted && calls[RespirationRate] > 0,
                   layout <= 2 ? "report.respirationRate.estimated"
                               : "report.respirationRate.fromPacket");
            break;
        }
        case TemperatureValue:
            markIf(size == 4 && calls[Temperature] == 1,
                   layoutName("value.temperature.format", firmware.temperatureFormat()));
            break;
        case MotionValue: {
            const int mode = firmware.motionMode();
            const bool accepted =
                (mode == 1 && size == 20 && calls[Quaternion] == 1 && calls[Accelerometer] == 1) ||
                (mode >= 2 && size == 18 && calls[Accelerometer] == 1 &&
                 calls[MotionVector2] == 1 && calls[MotionVector3] == 1);
            markIf(accepted, mode == 1 ? "value.motion.20byte" : "value.motion.18byte");
            if (accepted) {
                motionEvents(delta, ".live");
            }
            break;
        }
        case ActivityValue: markIf(size == 1 && calls[Activity] == 1, "value.activity"); break;
        case StepsValue: markIf(size == 4 && calls[Steps] == 1, "value.steps"); break;
        case OrientationValue: {
            const int mode = firmware.motionMode();
            markIf(mode == 1 && size == 6 && calls[Orientation] == 1, "value.orientation.6byte");
            markIf(mode >= 2 && size == 14 && calls[Orientation] == 1 && calls[Quaternion] == 1,
                   layoutName("value.orientation.14byte.mode", mode));
            break;
        }
        case HeartRateValue: {
            const bool reported = size == 20 && calls[Rr] == 9 && calls[HeartRate] == 1;
            markIf(reported && firmware.reportsHeartRate(),
                   layoutName("value.heartRate.format", firmware.heartRateFormat()));
            markIf(size == 20 && firmware.heartRateFormat() < 2 && calls[WearState] > 0,
                   "report.wearState.heartRate");
            break;
        }
        case HealthThermometerValue:
            markIf(size == 5 && calls[Temperature] == 1, "value.healthThermometer");
            break;
        case SoundVolumeValue:
            markIf(size == 10 && calls[SoundVolume] == 5, "value.soundVolume");
            break;
        case NasalCannulaValue:
            if (size == 20 && calls[Pressure] == 5) {
                FuzzReach::mark("value.nasalCannula");
                pressureContacts(delta, ".live");
            }
            break;
        default: break;
    }
}

void ReachOracle::afterChunk(const FirmwareTraits& firmware, const Tally& delta) {
    if (delta.libraryCalls != 0 || !firmware.valid()) {
        return;
    }
    const uint32_t* calls = delta.calls;
    if (!firmware.statusBasedSync()) {
        // One legacy packet per message completes at most one record.
        const int ecg = firmware.legacySyncEcgLayout();
        markIf(calls[PastEcg] > 0 &&
                   calls[PastEcg] == static_cast<uint32_t>(FirmwareTraits::ecgOutputs(ecg)),
               layoutName("legacySync.ecg.layout", ecg));
        const int respiration = firmware.legacySyncRespirationLayout();
        const auto later =
            static_cast<uint32_t>(FirmwareTraits::respirationOutputs(respiration, 4, false));
        const auto first =
            static_cast<uint32_t>(FirmwareTraits::respirationOutputs(respiration, 4, true));
        markIf(calls[PastRespiration] > 0 &&
                   (calls[PastRespiration] == later || calls[PastRespiration] == first),
               layoutName("legacySync.respiration.layout", respiration));
        markIf(calls[PastTemperature] > 0, "legacySync.temperature");
        markIf(calls[PastHeartRate] > 0 && calls[PastRr] == 9 * calls[PastHeartRate],
               "legacySync.heartRate");
        markIf(calls[PastActivity] > 0, "legacySync.activity");
        markIf(calls[PastSteps] > 0, "legacySync.steps");
        markIf(calls[PastRespirationRate] > 0, "report.respirationRate.legacySync");
        markIf(delta.legacyRates > 0, "report.syncProgress.legacy");
        for (int state = 0; state < 5; ++state) {
            markIf(delta.syncStates[state] > 0, layoutName("report.syncState.legacy", state));
        }
    } else {
        for (int report = PastEcg; report <= PastGps; ++report) {
            markIf(calls[report] > 0, std::string("sessionSync.") + reportNames[report]);
        }
        markIf(calls[PastRespirationRate] > 0, "report.respirationRate.sessionSync");
        markIf(delta.initialRates > 0, "report.syncProgress.initial");
        markIf(delta.measuredRates > 0, "report.syncProgress.measured");
        for (int state = 0; state < 4; ++state) {
            markIf(delta.syncStates[state] > 0, layoutName("report.syncState.status", state));
        }
    }
    // Recordings of the collect process reach the live callbacks.
    for (int report = Ecg; report <= Gps; ++report) {
        if (report != UserEvent) {
            markIf(calls[report] > 0, std::string("collect.") + reportNames[report]);
        }
    }
    // User events come from the system process and from recordings alike.
    markIf(calls[UserEvent] > 0, "report.userEvent");
    motionEvents(delta, ".collect");
    pressureContacts(delta, ".collect");
}
