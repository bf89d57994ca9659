#pragma once

namespace Tenvik {

// One second-order section in single precision, designed from a cut-off in Hz, a sample rate
// and a damping factor (1 / Q). Its kinds are numbered the other way round from Biquad's.
class FloatBiquad {
public:
    enum Kind : int { HighPass = 0, LowPass = 1 };

    // Any other kind leaves every coefficient at zero: the section then outputs 0.
    FloatBiquad(float cutoff, int sampleRate, int kind, float damping);

    float process(float x);

    float b0 = 0.0f;
    float b1 = 0.0f;
    float b2 = 0.0f;
    float a1 = 0.0f;
    float a2 = 0.0f;

private:
    float x1 = 0.0f;
    float x2 = 0.0f;
    float y1 = 0.0f;
    float y2 = 0.0f;
};

}  // namespace Tenvik
