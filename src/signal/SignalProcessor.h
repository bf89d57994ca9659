#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "signal/EcgFilterChain.h"
#include "signal/EcgLeadOffDetector.h"
#include "signal/ISignalProcessor.h"
#include "signal/MotionDetector.h"
#include "signal/RespirationFilterChain.h"
#include "signal/RespirationRateEstimator.h"
#include "common/Vector3.h"

namespace Tenvik {

// The per-stream signal chain: ECG and respiration filtering, respiration-rate estimation,
// ECG lead-off detection, the body-temperature estimate and the motion path. Results that are
// not returned directly go to the delegate. About 240 KB: owners hold it inside heap objects.
class SignalProcessor final : public ISignalProcessor {
public:
    explicit SignalProcessor(ISignalProcessor* delegate);
    // The estimator keeps a pointer to this object.
    SignalProcessor(const SignalProcessor&) = delete;
    SignalProcessor& operator=(const SignalProcessor&) = delete;

    void didCalculateHeartRate(uint32_t value, uint64_t timestamp) override;
    void didCalculateRespirationRate(uint32_t value, uint64_t timestamp) override;

    // The sample through the ECG filter chain when filter is set, else unchanged.
    float processEcg(float sample, bool filter, uint64_t timestamp);

    // The filtered respiration sample; it also feeds the rate estimator.
    float processRespiration(float sample, uint64_t timestamp);
    // The same for `count` samples of one packet (at most RespirationFilterChain::MaxBlock), in
    // order, with one timestamp, as `count` calls of processRespiration would: also when a
    // rate report on the way feeds further samples.
    void processRespirationBlock(const float* samples, float* filtered, std::size_t count,
                                 uint64_t timestamp);

    // Lead-off test of a raw ECG sample; true = lead off.
    bool detectLeadOff(float sample);

    // One motion sample: device quaternion scalar first, acceleration in g, orientation angles.
    void processMotion(float q0, float q1, float q2, float q3, float ax, float ay, float az,
                       const Vector3& angles);

    // One raw inertial sample (angular rate, acceleration, magnetic field): advances the
    // process-wide orientation filter and goes on as a motion sample with its orientation.
    void processImu(float gx, float gy, float gz, float ax, float ay, float az, float mx, float my,
                    float mz, const Vector3& angles);

    // Body temperature in degrees Celsius, to one decimal, from skin and ambient readings.
    float estimateBodyTemperature(float skin, float ambient);

    // The owner sets the detector's host context and event callback.
    MotionDetector& motionDetector() { return motion; }

private:
    static void appendToWindow(std::vector<float>& window, int32_t size, float value);
    static float meanOf(const std::vector<float>& window);

    RespirationRateEstimator respirationRateEstimator;
    MotionDetector motion;
    EcgLeadOffDetector leadOffDetector;
    RespirationFilterChain respirationFilter;
    EcgFilterChain ecgFilter;
    int32_t ambientWindowSize = 20;
    std::vector<float> ambientWindow;
    int32_t skinWindowSize = 5;
    std::vector<float> skinWindow;
    ISignalProcessor* delegate;
};

}  // namespace Tenvik
