#!/usr/bin/env python3
"""Reference values for the tests of the filtered decoders (respiration layouts 1 and 2, the
oldest ECG layout with its lead-off wear state), written from the designs of the filters, the
upsampling rules and the estimator alone, without the library.

    python3 tests/decoding/filtered_reference.py

prints, for each test that needs them, the values the test lists.

Hosts that feed the next packet from inside a report are modelled as the library must behave:
the packet fed is decoded at once, at the point of the report, and the packet in progress then
goes on with its remaining samples.
"""

import math
import struct


def f32(x):
    """The single-precision value nearest to x."""
    return struct.unpack("<f", struct.pack("<f", x))[0]


# ---- Filters -----------------------------------------------------------------------------------

NOTCH, HIGH_PASS, LOW_PASS = 3, 1, 0


class Biquad:
    """`sections` identical second-order sections in cascade (transposed direct form II)."""

    def __init__(self, kind, f, sections, q):
        k = math.tan(math.pi * f)
        kk = k * k
        d = k / q
        norm = 1.0 / (1.0 + d + kk)
        self.a1 = 2.0 * (kk - 1.0) * norm
        self.a2 = (1.0 - d + kk) * norm
        if kind == LOW_PASS:
            self.b = (kk * norm, 2.0 * kk * norm, kk * norm)
        elif kind == HIGH_PASS:
            self.b = (norm, -2.0 * norm, norm)
        else:
            self.b = ((1.0 + kk) * norm, 2.0 * (kk - 1.0) * norm, (1.0 + kk) * norm)
        self.z1 = [0.0] * sections
        self.z2 = [0.0] * sections

    def process(self, x):
        b0, b1, b2 = self.b
        for i in range(len(self.z1)):
            y = b0 * x + self.z1[i]
            self.z1[i] = b1 * x + self.z2[i] - self.a1 * y
            self.z2[i] = b2 * x - self.a2 * y
            x = y
        return x


class FirstOrder:
    """Direct form I of order 1: y = b0 x + b1 x[-1] - a1 y[-1]."""

    def __init__(self, a, b):
        self.a, self.b = a, b
        self.x1 = 0.0
        self.y1 = 0.0

    def process(self, x):
        y = self.b[0] * x + (self.b[1] * self.x1 - self.a[1] * self.y1)
        self.x1, self.y1 = x, y
        return y


class RespirationChain:
    """Two notches, a high-pass and a low-pass in double; only the result is rounded."""

    def __init__(self):
        self.stages = [Biquad(NOTCH, 0.1, 4, 5.0), Biquad(NOTCH, 0.25, 2, 4.0),
                       Biquad(HIGH_PASS, 0.12 / 1000, 2, 0.707),
                       Biquad(LOW_PASS, 0.0024, 2, 0.354)]

    def process(self, x):
        for stage in self.stages:
            x = stage.process(x)
        return f32(x)


class EcgChain:
    """Four notches, a high-pass and a low-pass, rounded to float after every stage."""

    def __init__(self):
        self.stages = [Biquad(NOTCH, f32(0.1), 2, 4.0), Biquad(NOTCH, f32(0.12), 2, 4.0),
                       Biquad(NOTCH, f32(0.2), 2, 4.0), Biquad(NOTCH, 0.25, 2, 4.0),
                       FirstOrder((1.0, -0.9875), (0.9938, -0.9938)),
                       FirstOrder((1.0, -0.5914), (0.2043, 0.2043))]

    def process(self, x):
        for stage in self.stages:
            x = f32(stage.process(x))
        return x


# ---- Respiration rate ---------------------------------------------------------------------------

WINDOW, REPORT = 30000, 7500


def count_peaks(values, prominence=7e-7):
    falling, rising, flat = 0, 1, 2
    direction, trough, peaks = falling, 0.0, 0
    for a, b in zip(values, values[1:]):
        if a > b:
            if direction != falling and a != 0.0 and a - trough > prominence:
                peaks += 1
            direction = falling
        elif a == b:
            if direction == rising:
                direction = flat
        else:
            if direction != rising and a != 0.0:
                trough = a
            direction = rising
    return peaks


class Estimator:
    def __init__(self, report):
        self.buffer = [0.0] * WINDOW
        self.count = 0
        self.report = report  # called with the count of breaths

    def push(self, y):
        self.buffer[self.count] = y
        self.count += 1
        due = self.count % REPORT == 0
        self.count %= WINDOW
        if due:
            self.report(count_peaks(self.buffer))


# ---- Respiration layouts 1 and 2 -----------------------------------------------------------------

def le16(raw):
    return [raw & 0xFF, (raw >> 8) & 0xFF]


def le24(raw):
    return [raw & 0xFF, (raw >> 8) & 0xFF, (raw >> 16) & 0xFF]


def signed(value, bits):
    return value - (1 << bits) if value >= 1 << (bits - 1) else value


class RespirationDecoder:
    """Layout 1 (six 24-bit samples, each fed `repeat` times) or layout 2 (ten 16-bit samples,
    six points each stepping from the sample away from the first sample ever received)."""

    def __init__(self, layout, repeat=4):
        self.layout = layout
        self.repeat = repeat
        self.reference = None
        self.chain = RespirationChain()
        self.estimator = Estimator(self.on_rate)
        self.on_report = None  # the host: called with the rate, may decode more packets
        self.delivered = []    # (kind, values) in the order the host receives them

    def inputs(self, packet):
        out = []
        if self.layout == 1:
            for i in range(6):
                raw = signed(packet[3 * i] | packet[3 * i + 1] << 8 | packet[3 * i + 2] << 16, 24)
                out += [f32(raw / 16777216.0)] * self.repeat
            return out
        for i in range(10):
            x = f32(signed(packet[2 * i] | packet[2 * i + 1] << 8, 16) / 65536.0)
            if self.reference is None:
                out.append(x)
                self.reference = x
                continue
            step = f32(f32(self.reference - x) / 6.0)
            point = x
            for _ in range(6):
                point = f32(point - step)
                out.append(point)
        return out

    def on_rate(self, breaths):
        self.delivered.append(("rate", [breaths]))
        if self.on_report is not None:
            self.on_report(breaths)

    def decode(self, packet):
        outputs = []
        for x in self.inputs(packet):
            y = self.chain.process(x)
            outputs.append(y)
            self.estimator.push(y)
        self.delivered.append(("respiration", outputs))


# ---- ECG layout 1 on the oldest firmware -------------------------------------------------------

class LeadOff:
    def __init__(self):
        self.window = [0.0] * 600
        self.position = 0
        self.disagreements = 0.0
        self.off = True

    def update(self, sample):
        self.window[self.position] = sample
        self.position = (self.position + 1) % 600
        mean = f32(sum(self.window) / 600)
        off = abs(mean) > 0.04
        if off == self.off:
            self.disagreements = 0.0
        elif self.disagreements > 500.0:
            self.off = off
            self.disagreements = 0.0
        else:
            self.disagreements += 1.0
        return self.off


class LegacyEcgDecoder:
    """Six 24-bit samples on the legacy scale: each first tested for lead-off (a changed wear
    state is reported at once), then filtered."""

    def __init__(self):
        self.lead_off = LeadOff()
        self.chain = EcgChain()
        self.wear_state = 5
        self.on_wear_state = None
        self.delivered = []

    def decode(self, packet):
        outputs = []
        for i in range(6):
            raw = signed(packet[3 * i] | packet[3 * i + 1] << 8 | packet[3 * i + 2] << 16, 24)
            sample = f32(-(raw * 4.80810801188151e-8))
            state = 3 if self.lead_off.update(sample) else 0
            if state != self.wear_state:
                self.wear_state = state
                self.delivered.append(("wear_state", [state]))
                if self.on_wear_state is not None:
                    self.on_wear_state(state)
            outputs.append(self.chain.process(sample))
        self.delivered.append(("ecg", outputs))


# ---- The tests' fixtures -----------------------------------------------------------------------

def fmt(values):
    return ", ".join("%.9g" % v for v in values)


def layout_two_run():
    """A first packet of ten samples -0.5, then one whose samples run through the table below:
    every point steps away from the first sample ever received."""
    decoder = RespirationDecoder(2)
    first = sum((le16(-32768 & 0xFFFF) for _ in range(10)), [])
    raws = [-8192, 0, 16384, -16384, -32768, 8192, 24576, -24576, 4096, -4096]
    second = sum((le16(r & 0xFFFF) for r in raws), [])
    decoder.decode(first)
    decoder.decode(second)
    print("# layout 2: the first packet's outputs 0, 1 and 54")
    out = decoder.delivered[0][1]
    print(fmt([out[0], out[1], out[54]]))
    print("# layout 2: the second packet's 60 outputs")
    print(fmt(decoder.delivered[1][1]))


def estimator_packet(layout, index):
    """Packet `index` (from 0) of the estimator runs: all samples one value, near 0.25 and
    -0.25 in turn from packet to packet, a few steps apart so that no two packets are alike."""
    if layout == 1:
        raw = (4194304 if index % 2 == 0 else -4194304) + 1678 * (index % 7)
        return sum((le24(raw & 0xFFFFFF) for _ in range(6)), [])
    raw = (16384 if index % 2 == 0 else -16384) + 7 * (index % 7)
    return sum((le16(raw & 0xFFFF) for _ in range(10)), [])


def estimator_run(layout, packets):
    """The host feeds packets 0, 1, 2 ... in order; at every rate report it feeds the next one
    from inside the report. Prints, per report: the rate, the outputs delivered before it, the
    first and last output of the packet fed from inside the report, and those of the packet
    in progress, which the host receives after them."""
    decoder = RespirationDecoder(layout)
    state = {"next": 0}

    def feed_next(_):
        index = state["next"]
        state["next"] += 1
        decoder.decode(estimator_packet(layout, index))

    decoder.on_report = feed_next
    while state["next"] < packets:
        feed_next(None)
    events = decoder.delivered
    print("# layout %d: {rate, outputs before it, fed first, fed last, in progress first, "
          "in progress last}" % layout)
    samples = 0
    for i, (kind, values) in enumerate(events):
        if kind == "respiration":
            samples += len(values)
            continue
        nested = events[i + 1][1]
        outer = events[i + 2][1]
        print("{%d, %d, %sf, %sf, %sf, %sf}," % (values[0], samples, "%.9g" % nested[0],
              "%.9g" % nested[-1], "%.9g" % outer[0], "%.9g" % outer[-1]))
    print("# outputs in all: %d" % samples)


def legacy_ecg_packet(index):
    """Packet `index` (from 0): six small samples (the window's mean stays near 0) that differ
    from packet to packet."""
    raws = [((index * 37 + i * 11) % 64 - 32) * 1000 for i in range(6)]
    return sum((le24(r & 0xFFFFFF) for r in raws), [])


def legacy_ecg_run(packets):
    decoder = LegacyEcgDecoder()
    state = {"next": 0}

    def feed_next(_):
        index = state["next"]
        state["next"] += 1
        decoder.decode(legacy_ecg_packet(index))

    decoder.on_wear_state = feed_next
    while state["next"] < packets:
        feed_next(None)
    print("# legacy ECG: the events around each wear state")
    events = decoder.delivered
    for i, (kind, values) in enumerate(events):
        if kind == "wear_state":
            print("wear state %d; then" % values[0])
            for later in events[i + 1:i + 3]:
                print(" ", later[0], fmt(later[1]))


if __name__ == "__main__":
    layout_two_run()
    estimator_run(1, 1600)
    estimator_run(2, 640)
    legacy_ecg_run(90)
