#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets (tests/fuzz/corpus/<Target>/).

Every input is built from the device's packet layouts and the targets' input formats, so that
the corpora start where fuzzing should dig: every decoder layout a firmware revision selects,
every report that needs a long input (a respiration window, a lead-off or pressure-contact
change, a plank hold, a synchronisation with its rate meter), and a call into the library from
inside each report. <Target>.reach lists what the corpus of each target must reach; the
fuzz_corpus_<Target> tests replay the corpora and check it.

Rewrite the corpora after a format changes, and commit what this writes:

    python3 tests/fuzz/make_corpus.py            # writes every input below
    python3 tests/fuzz/make_corpus.py --check    # fails when a committed input differs

Files in the corpus folders that this script does not write (hand-made seeds) are left alone.
Inputs listed in PENDING crash the library as it is; they are written only with --pending, so
that a fixed fault can be kept in the corpus once the fix is in.
"""

import argparse
import math
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")

# Inputs that make the current library fail, as (target, name); written only with --pending.
PENDING = set()


# ---- Byte orders ---------------------------------------------------------------------------

def le16(v): return struct.pack("<H", v & 0xFFFF)
def le32(v): return struct.pack("<I", v & 0xFFFFFFFF)
def le64(v): return struct.pack("<Q", v & 0xFFFFFFFFFFFFFFFF)
def be16(v): return struct.pack(">H", v & 0xFFFF)
def be32(v): return struct.pack(">I", v & 0xFFFFFFFF)
def be64(v): return struct.pack(">Q", v & 0xFFFFFFFFFFFFFFFF)
def s16le(v): return struct.pack("<h", v)
def s16be(v): return struct.pack(">h", v)
def s32be(v): return struct.pack(">i", v)
def s24le(v): return (v & 0xFFFFFF).to_bytes(3, "little")
def f32be(v): return struct.pack(">f", v)
def cat(*parts): return b"".join(parts)


# ---- What each firmware revision selects -----------------------------------------------------
#
# Written out by hand from the revision rules, apart from the targets' own FirmwareTraits, so
# that each cross-checks the other: ECG layout (1-6), respiration layout (1-4) and how often a
# layout-1 sample is filtered, motion mode (0 ignored, 1: 20/6-byte motion/orientation, 2 and 3:
# 18/14 bytes, 3 with angles in 1/64), temperature format (0 skin and ambient, 1 hundredths),
# heart-rate format, link protocol, legacy synchronisation layouts (None: status-based or not
# routed), session signal count.

class Firmware:
    def __init__(self, text, ecg, resp, repeat, motion, temp, hr, protocol, legacy, signals):
        self.text, self.ecg, self.resp, self.repeat = text, ecg, resp, repeat
        self.motion, self.temp, self.hr, self.protocol = motion, temp, hr, protocol
        self.legacy, self.signals = legacy, signals  # legacy: (ecg, resp) or None


FIRMWARE = {f.text: f for f in [
    Firmware("2.0.0", 1, 1, 1, 0, 0, 0, 1, None, 15),
    Firmware("2.1.0", 1, 1, 1, 1, 0, 0, 1, None, 15),
    Firmware("2.1.9", 1, 1, 1, 1, 0, 0, 1, None, 15),
    Firmware("2.2.5", 1, 1, 4, 1, 0, 0, 1, None, 15),
    Firmware("2.2.14", 2, 2, 4, 2, 0, 0, 1, None, 15),
    Firmware("2.2.15", 2, 2, 4, 2, 0, 0, 2, None, 15),
    Firmware("2.2.16", 2, 2, 4, 2, 0, 0, 2, None, 15),
    Firmware("2.2.17", 2, 3, 4, 2, 0, 0, 2, None, 15),
    Firmware("2.2.18", 2, 3, 4, 2, 0, 1, 3, (2, 3), 15),
    Firmware("2.3.23", 5, 3, 4, 2, 0, 1, 1, (5, 3), 15),
    Firmware("2.3.24", 5, 4, 4, 2, 0, 1, 1, (5, 4), 15),
    Firmware("3.0.0", 2, 3, 4, 2, 0, 1, 3, (2, 3), 15),
    Firmware("3.2.25", 2, 3, 4, 2, 0, 1, 3, (2, 3), 15),
    Firmware("3.2.30", 3, 3, 4, 2, 1, 1, 3, (3, 3), 15),
    Firmware("3.3.34", 4, 3, 4, 2, 1, 1, 3, (4, 3), 15),
    Firmware("3.3.41", 6, 3, 4, 2, 1, 2, 3, (4, 3), 15),
    Firmware("3.4.53", 6, 3, 4, 3, 1, 2, 3, (4, 3), 15),
    Firmware("3.5.59", 6, 4, 4, 3, 1, 2, 3, (4, 4), 15),
    Firmware("3.5.60", 6, 4, 4, 3, 1, 2, 3, (4, 4), 15),
    Firmware("3.6.62", 6, 4, 4, 3, 1, 2, 3, None, 15),
    Firmware("3.7.86", 6, 4, 4, 3, 1, 2, 3, None, 16),
    Firmware("4.0.0", 6, 4, 4, 3, 1, 2, 4, None, 18),
    Firmware("4.1.7", 6, 4, 4, 3, 1, 2, 4, None, 18),
]}


# ---- Characteristic values -----------------------------------------------------------------

BATTERY, ECG, RESPIRATION, TEMPERATURE, MOTION, ACTIVITY, STEPS, ORIENTATION, HEART_RATE, \
    THERMOMETER, SOUND_VOLUME, NASAL_CANNULA = range(12)
EXPORT_NAMES = ["battery", "ecg", "respiration", "temperature", "motion", "activity", "steps",
                "orientation", "heart_rate", "thermometer", "sound_volume", "nasal_cannula"]


def ecg_value(layout, level=0x012345, wear=0):
    """One ECG packet: six 24-bit, ten 16-bit, or a device time and eight 16-bit / five 24-bit
    samples, as the layout has them; layout 6 ends with the wear state."""
    s24 = [level, -level, level // 2, -level // 2, level // 4, 0]
    s16 = [(level >> 8) * (1 if i % 2 else -1) for i in range(10)]
    if layout == 1:
        return cat(*[s24le(v) for v in s24])
    if layout == 2:
        return cat(*[s16le(v) for v in s16])
    if layout == 3:
        return cat(le32(0x1000), *[s16le(v) for v in s16[:8]])
    if layout == 4:
        return cat(le32(0x1000), *[s24le(v) for v in s24[:5]], b"\0")
    if layout == 5:
        return cat(*[s24le(v) for v in s24], b"\0\0")
    return cat(le32(0x1000), *[s24le(v) for v in s24[:5]], bytes([wear]))


def respiration_value(layout, phase=0, rate=15):
    """One respiration packet; layouts 3 and 4 end with the device's rate (big-endian)."""
    wave = [int(2000 * math.sin(2 * math.pi * (phase + i) / 40)) for i in range(10)]
    if layout == 1:
        return cat(*[s24le(v * 64) for v in wave[:6]])
    if layout == 2:
        return cat(*[s16le(v) for v in wave])
    if layout == 3:
        return cat(*[s16le(v) for v in wave[:9]], be16(rate))
    return cat(*[s24le(v * 16) for v in wave[:6]], be16(rate))


def temperature_value(format_):
    if format_ == 1:
        return cat(le16(3726), b"\0\0")  # 37.26 degrees
    # skin 34 and ambient 22 degrees, in units of 0.02 K
    return cat(le16(round((34 + 273.15) / 0.02)), le16(round((22 + 273.15) / 0.02)))


def motion_value(mode, accel=(0, 0, 4096)):
    """Motion packet: a quaternion and a 32-bit acceleration (mode 1), or nine 16-bit values:
    the acceleration in 1/4096 g, then two more triples (modes 2 and 3). Big-endian."""
    if mode == 1:
        return cat(s16be(16384), s16be(0), s16be(0), s16be(0),
                   *[s32be(a * 65536) for a in accel])
    return cat(*[s16be(a) for a in accel], *[s16be(v) for v in (16, 32, 48, -16, -32, -48)])


def orientation_value(mode, angles=(10, 60, 0), quaternion=(16384, 0, 0, 0)):
    """Orientation packet: three angles (in 1/64 from mode 3 on), then (modes 2 and 3) the
    quaternion, scalar first, in 2^-14. Big-endian."""
    scale = 64 if mode == 3 else 1
    body = cat(*[s16be(a * scale) for a in angles])
    if mode == 1:
        return body
    return cat(body, *[s16be(q) for q in quaternion])


def heart_rate_value(flags=0x10, bpm=72):
    return cat(bytes([flags, bpm]), *[le16(800 + 10 * i) for i in range(9)])


def thermometer_value():
    return cat(b"\0", s24le(365), bytes([0xFF]))  # 36.5


def sound_volume_value():
    return cat(*[be16(100 * (i + 1)) for i in range(5)])


def nasal_value(values=(1000, 1100, 1000, 1100, 1000)):
    return cat(*[be32(v) for v in values])


def values_for(firmware):
    """One value of the right size for every export the firmware decodes, orientation before
    motion (the motion analysis takes the last orientation)."""
    f = FIRMWARE[firmware]
    out = [(BATTERY, bytes([80])), (BATTERY, cat(le16(805), b"\0")),
           (ECG, ecg_value(f.ecg)), (ECG, ecg_value(f.ecg, level=0x020000)),
           (RESPIRATION, respiration_value(f.resp)), (RESPIRATION, respiration_value(f.resp, 10)),
           (TEMPERATURE, temperature_value(f.temp)), (ACTIVITY, bytes([4])),
           (STEPS, le32(1234)), (HEART_RATE, heart_rate_value()),
           (THERMOMETER, thermometer_value()), (SOUND_VOLUME, sound_volume_value()),
           (NASAL_CANNULA, nasal_value())]
    if f.motion:
        out += [(ORIENTATION, orientation_value(f.motion)), (MOTION, motion_value(f.motion))]
    return out


# ---- Device messages -----------------------------------------------------------------------

SYSTEM_PID = 0
PROCESS_IDS = {"system": 0, "update": 1, "ping": 2, "set": 3, "memory": 4, "dump": 5, "log": 6,
               "sync": 7, "collect": 8}


def created(process, pid):
    """System process report: an instance of `process` (a ProcessID, negative for a dynamic
    type) runs with `pid`."""
    return cat(b"\x00", le16(pid), bytes([process & 0xFF]))


def killed(process, pid):
    return cat(b"\x02", le16(pid), bytes([process & 0xFF]))


def user_event(device_time):
    return cat(b"\x04", le32(device_time))


def v3_message(payload, pid):
    return cat(b"\x03\x0A\x63", le16(len(payload) + 7), le16(pid), payload)


def v31_header(size, pid, options, index=0):
    return cat(b"\x01", le16(size), bytes([index]), le16(pid), le64(options))


def v4_message(payload, pid, options=0):
    return cat(b"\x04\x0A\x00", le16(len(payload)), le16(pid), le64(options), b"\0\0",
               b"\0\0\0", payload)


def v2_packet(kind, payload):
    return cat(b"\x02\x0A", bytes([kind]), le16(len(payload) + 5), payload)


def status_options(status, count=0):
    """Options of a status-based synchronisation message: the status in the upper half."""
    return (status << 32) | count


def padded(payload, size):
    assert len(payload) <= size
    return payload + bytes(size - len(payload))


# ---- Legacy synchronisation packets (18 bytes, a group's first spends 14 on its header) -----

LEGACY_PACKET = 18
LEGACY_HEADER = 14
START_TIME = 1700000000000  # where the targets' clock starts (FuzzClock)


def legacy_header(kind, status, record_type, count, total, record_length, time):
    return cat(bytes([(status << 4) | kind, record_type]), be16(count),
               bytes([total, record_length]), le64(time))


def legacy_text(word):
    return padded(cat(b"\x01", word.encode()), LEGACY_PACKET)


def legacy_status(status, count=0):
    return padded(legacy_header(2, status, 0, count, 0, 0, 0), LEGACY_PACKET)


def legacy_group(record_type, record_length, records, time, count=1):
    """The packets of one group of records: the header packet with the first four bytes, then
    packets of up to 18 bytes (the last padded)."""
    payload = cat(*records)
    total = LEGACY_HEADER + len(payload)
    first = LEGACY_PACKET - LEGACY_HEADER
    packets = [padded(cat(legacy_header(1, 0, record_type, count, total, record_length, time),
                          payload[:first]), LEGACY_PACKET)]
    for at in range(first, len(payload), LEGACY_PACKET):
        packets.append(padded(payload[at:at + LEGACY_PACKET], LEGACY_PACKET))
    return packets


def legacy_records(firmware):
    """Packets of a whole legacy transfer: start, the device statuses, a group of each record
    type the decoders know, a progress report and the end."""
    ecg_layout, resp_layout = FIRMWARE[firmware].legacy
    ecg = {2: cat(*[s16le(300 * i) for i in range(10)]),
           3: cat(le32(0x10), *[s16le(300 * i) for i in range(8)]),
           4: cat(le32(0x10), *[s24le(70000 * i) for i in range(5)], b"\0"),
           5: cat(*[s24le(70000 * i) for i in range(6)], b"\0\0")}[ecg_layout]
    resp = {3: cat(*[s16le(200 * i) for i in range(9)], be16(14)),
            4: cat(*[s24le(20000 * i) for i in range(6)], be16(14))}[resp_layout]
    packets = [legacy_text("start"), legacy_status(1), legacy_status(5), legacy_status(6)]
    packets += legacy_group(0, 20, [ecg], START_TIME, count=1)
    packets += legacy_group(1, 20, [resp], START_TIME, count=2)
    packets += legacy_group(1, 20, [resp], START_TIME + 20000, count=3)
    packets += legacy_group(2, 4, [cat(le16(15358), le16(14758))], START_TIME, count=4)
    packets += legacy_group(3, 20, [heart_rate_value(0, 70)], START_TIME, count=5)
    packets += legacy_group(4, 1, [b"\x04"], START_TIME, count=6)
    packets += legacy_group(6, 4, [le32(4321)], START_TIME, count=7)
    packets += [legacy_status(4, 0x0102), legacy_text("end")]
    return packets


# ---- Recorded sessions ---------------------------------------------------------------------

def session(blocks, signals, start=START_TIME - 60000, end=START_TIME, wear=0):
    """A serialized session: start and end time, wear state, then one block per signal
    (a 16-bit length and the records), for the first `signals` signals."""
    body = cat(le64(start), le64(end), bytes([wear]))
    for i in range(signals):
        records = blocks.get(i, b"")
        body += le16(len(records)) + records
    return body


def motion_record(accel=(0, 0, 4096)):
    return cat(*[s16be(a) for a in accel], *[s16be(v) for v in (16, 32, 48, -16, -32, -48)])


def orientation_record(angles=(10, 60, 0)):
    return cat(*[s16be(a * 64) for a in angles], s16be(16384), s16be(0), s16be(0), s16be(0))


def every_signal(signals):
    """A record or two of every signal the firmware's sessions carry."""
    blocks = {
        0: cat(s24le(1000), s24le(-1000)),              # ECG
        1: cat(s24le(2048), s24le(4096)),              # respiration
        2: le16(3650),                                 # temperature
        3: bytes([70, 72]),                            # heart rate
        4: le16(830),                                  # RR
        5: be16(258),                                  # sound volume
        6: cat(be32(1000), be32(1100)),                # pressure
        8: motion_record(),                            # motion
        9: orientation_record(),                       # orientation
        10: bytes([1, 4]),                             # activity
        11: le32(5000),                                # steps
        12: le16(15),                                  # respiration rate
        13: le64(START_TIME - 30000),                  # user event
        14: bytes([1, 3]),                             # body position
        15: bytes([7]),                                # signal 15
        16: cat(be64(START_TIME - 20000), f32be(1.25)),  # EDA
        17: cat(be64(START_TIME - 10000), *[f32be(v) for v in (1, 2, 3, 4, 5, 6)]),  # GPS
    }
    return session({i: r for i, r in blocks.items() if i < signals}, signals)


# ---- Host-simulator scripts ----------------------------------------------------------------
#
# Mirrors the opcodes, reaction kinds and actions of HostSimulatorFuzz.cpp and the report order
# of FuzzHost.h.

HOST_REVISIONS = ["2.1.0", "2.2.14", "2.2.16", "2.2.18", "2.3.24", "3.0.0", "3.3.41", "3.5.60",
                  "3.6.62", "3.7.86", "4.0.0", "4.1.7", "2.0.0", "2.2.5", "2.3.23", "3.2.30",
                  "3.3.34", "3.4.53"]
REPORTS = ["ecg", "respiration", "temperature", "accelerometer", "motionVector2",
           "motionVector3", "battery", "activity", "steps", "orientation", "quaternion",
           "respirationRate", "wearState", "heartRate", "rr", "soundVolume", "motionEvent",
           "userEvent", "pressure", "pressureContact", "bodyPosition", "signal15", "eda", "gps",
           "syncState", "syncProgress", "pastEcg", "pastRespiration", "pastTemperature",
           "pastHeartRate", "pastRr", "pastActivity", "pastRespirationRate", "pastSteps",
           "pastUserEvent", "pastSoundVolume", "pastPressure", "pastAccelerometer",
           "pastMotionVector2", "pastQuaternion", "pastOrientation", "pastMotionVector3",
           "pastBodyPosition", "pastSignal15", "pastEda", "pastGps",
           "payload", "send", "ready", "log"]
GROUP_KINDS = 6
CLEAR_CALLBACKS, REGISTER_CALLBACKS, SEND_SCRATCH, FEED_CHUNK, FEED_VALUE = 1, 2, 3, 4, 5
DESTROY = 0xD5


def kind(report):
    return GROUP_KINDS + REPORTS.index(report)


def count_byte(n):
    """A repeat or signal count: itself below 0xC0, else a multiple of 128 up to 8192."""
    if n < 0xC0:
        return n
    assert n % 128 == 0 and 1 <= n // 128 <= 64, n
    return 0xBF + n // 128


class Ops:
    """Operations of a script (or of a repeated body)."""

    def __init__(self):
        self.b = bytearray()

    def _op(self, *parts):
        for p in parts:
            self.b += bytes([p]) if isinstance(p, int) else p
        return self

    def chunk(self, data):
        assert len(data) <= 255
        return self._op(0, len(data), data)

    def chunks(self, message, size=200):
        for at in range(0, len(message), size):
            self.chunk(message[at:at + size])
        return self

    def send(self, pid, data):
        return self._op(2, le16(pid), len(data), data)

    def value(self, which, data, form=0):
        return self._op(3, which, form, len(data), data)

    def values(self, pairs):
        for which, data in pairs:
            self.value(which, data)
        return self

    def register(self, mask):
        return self._op(4, le16(mask))

    def react(self, report, action, after=0):
        return self._op(6, kind(report) if isinstance(report, str) else report, action, after)

    def scratch(self, data):
        return self._op(7, len(data), data)

    def destroy(self):
        return self._op(8, DESTROY)

    def repeat(self, count, body):
        assert len(body.b) <= 255
        return self._op(9, count_byte(count), len(body.b), bytes(body.b))

    def signal(self, which, template, width, offset, samples, period, amplitude, packets,
               big_endian=False, shift=0):
        fmt = (width - 1) | (4 if big_endian else 0) | (shift << 3)
        return self._op(10, which, len(template), fmt, offset, samples, le16(period),
                        struct.pack("<h", amplitude), count_byte(packets), template)

    def clock(self, ms):
        return self._op(11, le16(ms))


class Script(Ops):
    def __init__(self, revision):
        super().__init__()
        if revision in HOST_REVISIONS:
            self.b += bytes([HOST_REVISIONS.index(revision)])
        else:
            text = revision.encode()
            self.b += bytes([0x80 | len(text)]) + text
        self.firmware = FIRMWARE.get(revision)

    def bytes(self):
        return bytes(self.b)


def body():
    return Ops()


def host_message(script, payload, pid, options=0):
    """One device message under the script's protocol (3: a V3.1 header when options are
    needed; 4: the 20-byte framing; 1: the payload itself, whatever the pid)."""
    protocol = script.firmware.protocol
    if protocol == 4:
        script.chunks(v4_message(payload, pid, options))
    elif protocol == 3 and options:
        script.chunk(v31_header(len(payload), pid, options))
        script.chunks(payload)
    elif protocol == 3:
        script.chunks(v3_message(payload, pid))
    else:
        script.chunks(payload)
    return script


SYNC_PID, COLLECT_PID = 0x12, 0x14


def session_in_runs(script, runs, pid, signals=18):
    """A protocol-4 message of a session whose signal i holds `count` copies of `records`
    (runs: {i: (records, count)}): the framing and the blocks' length fields go as chunks, and
    each block as one chunk repeated."""
    blocks = {i: records * count for i, (records, count) in runs.items()}
    payload_size = len(session(blocks, signals))
    pending = cat(b"\x04\x0A\x00", le16(payload_size), le16(pid), le64(0), b"\0" * 5,
                  le64(START_TIME - 60000), le64(START_TIME), b"\0")
    for i in range(signals):
        records, count = runs.get(i, (b"", 0))
        pending += le16(len(records) * count)
        if count:
            script.chunks(pending)
            script.repeat(count, body().chunk(records))
            pending = b""
    script.chunks(pending)
    return script


def start_sync(script):
    """The system process reports the synchronisation process running. Under protocol 1 every
    message has pid 0: the process then gets pid 0 and the system process is killed, so that
    pid-0 messages reach it."""
    if script.firmware.protocol == 1:
        host_message(script, created(PROCESS_IDS["sync"], 0), SYSTEM_PID)
        return host_message(script, killed(PROCESS_IDS["system"], 0), SYSTEM_PID), 0
    return host_message(script, created(PROCESS_IDS["sync"], SYNC_PID), SYSTEM_PID), SYNC_PID


def host_inputs():
    out = {}

    # Every decoder layout: one correctly sized value per export, per revision.
    for rev in ["2.0.0", "2.1.0", "2.2.5", "2.2.14", "2.2.18", "2.3.23", "2.3.24", "3.0.0",
                "3.2.30", "3.3.34", "3.3.41", "3.4.53", "3.5.60", "4.0.0"]:
        out["values_" + rev] = Script(rev).values(values_for(rev))

    # The respiration rate the library estimates: 7500 filtered samples, a sine breath.
    # (Layout 2 gets there with the fewest packets; layout 1 reaches the same estimator.)
    s = Script("2.2.14")
    s.signal(RESPIRATION, bytes(20), 2, 0, 10, 400, 3000, 130)
    out["respiration_rate_estimated_layout2"] = s
    # The device's rate, at most every 15 s.
    s = Script("3.5.60").value(RESPIRATION, respiration_value(4))
    s.value(RESPIRATION, respiration_value(4)).clock(15000).value(RESPIRATION, respiration_value(4))
    out["respiration_rate_every_15s"] = s

    # ECG lead-off (firmware below 2.2.0): 1020 samples well off zero, then 660 at zero; the
    # shared detector changes its state on the 502nd disagreeing sample, whichever state the
    # process left it in.
    def lead_off(s):
        s.repeat(170, body().value(ECG, cat(*[s24le(0x100000)] * 6)))
        s.repeat(110, body().value(ECG, bytes(18)))
        return s
    out["lead_off_change"] = lead_off(Script("2.0.0"))

    # Pressure contact: 45 samples that vary by 100, then 100 that do not.
    def pressure(s, reaction=None):
        s.repeat(9, body().value(NASAL_CANNULA, nasal_value((0, 100, 0, 100, 0))))
        s.repeat(20, body().value(NASAL_CANNULA, nasal_value((50,) * 5)))
        return s
    out["pressure_contact_change"] = pressure(Script("3.0.0"))

    # A plank: the orientation in position, 70 still motion samples, 70 moving ones.
    def plank(s):
        s.value(ORIENTATION, orientation_value(2, (0, 60, 0)))
        s.repeat(70, body().value(MOTION, motion_value(2, (0, 0, 4096))))
        s.repeat(70, body().value(MOTION, motion_value(2, (4096, 0, 4096))))
        return s
    out["plank_hold"] = plank(Script("2.2.14"))

    # Moving acceleration: swings and repetitions at level and upright postures.
    s = Script("3.4.53")
    s.value(ORIENTATION, orientation_value(3, (0, 0, 0), (11585, 11585, 0, 0)))
    s.signal(MOTION, motion_value(3, (0, 0, 4096)), 2, 0, 3, 30, 8000, 180, big_endian=True)
    s.value(ORIENTATION, orientation_value(3, (0, 0, 0)))
    s.signal(MOTION, motion_value(3, (0, 0, 4096)), 2, 0, 3, 30, 8000, 180, big_endian=True)
    out["motion_waves"] = s

    # Legacy synchronisation: every record decoder of the revision's layouts.
    for rev in ["3.0.0", "3.2.30", "3.3.34", "3.5.60", "2.3.23", "2.3.24"]:
        s = Script(rev)
        s, pid = start_sync(s)
        for packet in legacy_records(rev):
            host_message(s, packet, pid)
        out["legacy_sync_" + rev] = s

    # Status-based synchronisation: every state, progress, two sessions 2.5 s apart (the rate
    # meter's first window closes), every signal.
    for rev in ["3.6.62", "3.7.86", "4.0.0"]:
        s = Script(rev)
        s, pid = start_sync(s)
        data = every_signal(s.firmware.signals)
        for status in (0, 1, 2, 5, 6):
            host_message(s, b"", pid, status_options(status))
        host_message(s, data, pid, status_options(3, 1))
        host_message(s, b"", pid, status_options(4, 2))
        s.clock(2500)
        host_message(s, data, pid, status_options(3, 3))
        out["status_sync_" + rev] = s

    # Recordings of the collect process at the live callbacks, and a user event.
    for rev in ["3.7.86", "4.0.0"]:
        s = Script(rev)
        host_message(s, created(PROCESS_IDS["collect"], COLLECT_PID), SYSTEM_PID)
        host_message(s, every_signal(s.firmware.signals), COLLECT_PID)
        host_message(s, user_event(0x12345678), SYSTEM_PID)
        out["collect_" + rev] = s

    # A plank and a pressure contact in recordings: the session's motion analysis and
    # pressure-contact detector carry over from one session to the next. The sessions' runs of
    # equal records go as repeated chunks.
    s = Script("4.0.0")
    host_message(s, created(PROCESS_IDS["collect"], COLLECT_PID), SYSTEM_PID)
    for accel in [(0, 0, 4096)] * 2 + [(4096, 0, 4096)] * 2:
        session_in_runs(s, {8: (motion_record(accel) * 10, 5),
                            9: (orientation_record((0, 60, 0)) * 10, 5)}, COLLECT_PID)
    for values in [(0, 100)] * 2 + [(50, 50)] * 4:
        session_in_runs(s, {6: (cat(be32(values[0]), be32(values[1])) * 12 + be32(values[0]), 1)},
                        COLLECT_PID)
    out["collect_plank_and_pressure"] = s

    # Every named payload: each process created, fed and ended; an unknown process type; a
    # protocol-4 link error.
    s = Script("4.0.0")
    for name, pid in [("update", 0x21), ("ping", 0x22), ("set", 0x23), ("memory", 0x24),
                      ("dump", 0x25), ("log", 0x26)]:
        host_message(s, created(PROCESS_IDS[name], pid), SYSTEM_PID)
    host_message(s, b"firmware 1.2", 0x21)
    host_message(s, b"pong", 0x22)
    host_message(s, cat(le64(1000), le64(2000)), 0x23, options=2)
    host_message(s, cat(le32(1 << 20), le32(1 << 16), le32(1 << 18)), 0x24, options=1)
    host_message(s, b"dump \xc3\xa9 text", 0x25)
    host_message(s, b"line one\nline", 0x26)
    for name, pid in [("ping", 0x22), ("set", 0x23), ("memory", 0x24), ("dump", 0x25),
                      ("log", 0x26)]:
        host_message(s, killed(PROCESS_IDS[name], pid), SYSTEM_PID)
    host_message(s, created(PROCESS_IDS["set"], 0x27), SYSTEM_PID)
    host_message(s, b"set body", 0x27, options=1)
    host_message(s, created(PROCESS_IDS["set"], 0x28), SYSTEM_PID)
    host_message(s, created(PROCESS_IDS["memory"], 0x29), SYSTEM_PID)
    host_message(s, b"memtest", 0x29, options=0)
    host_message(s, killed(PROCESS_IDS["memory"], 0x29), SYSTEM_PID)
    host_message(s, created(-3, 0x40), SYSTEM_PID)
    host_message(s, b"shell bytes", 0x40)
    s.chunk(b"")
    out["processes_every_payload"] = s

    # ---- Calls from inside each report ----
    battery = bytes([BATTERY, 80])
    reports_live = ["ecg", "respiration", "temperature", "accelerometer", "motionVector2",
                    "motionVector3", "battery", "activity", "steps", "orientation",
                    "quaternion", "respirationRate", "wearState", "heartRate", "rr",
                    "soundVolume"]
    s = Script("3.5.60").scratch(battery)
    for report in reports_live:
        s.react(report, FEED_VALUE)
    out["nested_feed_live_values"] = s.values(values_for("3.5.60"))
    s = Script("3.4.53").scratch(bytes([ORIENTATION]) + orientation_value(3))
    s.react("orientation", FEED_VALUE).react("bodyPosition", FEED_VALUE)
    s.react("quaternion", FEED_VALUE).react("pressure", FEED_VALUE)
    s.react("pressureContact", FEED_VALUE).react("log", FEED_VALUE)
    s.value(ORIENTATION, orientation_value(3)).value(NASAL_CANNULA, nasal_value())
    out["nested_feed_orientation_and_pressure"] = s.value(STEPS, b"\1\2\3")

    # The respiration rate (mid-packet, while the estimator's window is written): the next
    # packet fed from the first rate report, and from the report that completes the window (the
    # fourth of 512 packets), where the estimator once wrote past its window.
    packet = respiration_value(2)
    s = Script("2.2.14").scratch(bytes([RESPIRATION]) + packet).react("respirationRate", FEED_VALUE)
    out["nested_feed_respiration_rate"] = s.signal(RESPIRATION, bytes(20), 2, 0, 10, 400, 3000, 512)
    s = Script("2.2.14").scratch(bytes([RESPIRATION]) + packet)
    s.react("respirationRate", FEED_VALUE, after=3)
    out["nested_feed_respiration_rate_at_window_end"] = s.signal(RESPIRATION, bytes(20), 2, 0, 10,
                                                                  400, 3000, 512)
    # The wear state of an ECG packet, before its samples are delivered.
    s = Script("3.5.60").scratch(bytes([ECG]) + ecg_value(6, wear=3)).react("wearState", FEED_VALUE)
    out["nested_feed_wear_state"] = s.value(ECG, ecg_value(6, wear=0))
    # The lead-off change, and the pressure contact confirmed (their second reports).
    s = Script("2.0.0").scratch(bytes([ECG]) + bytes(18)).react("wearState", FEED_VALUE, after=1)
    out["nested_feed_lead_off"] = lead_off(s)
    s = Script("3.0.0").scratch(bytes([NASAL_CANNULA]) + nasal_value())
    out["nested_feed_pressure_contact"] = pressure(s.react("pressureContact", FEED_VALUE, after=1))
    # The plank start, raised by the motion analysis in the middle of a motion packet.
    s = Script("2.2.14").scratch(bytes([MOTION]) + motion_value(2))
    out["nested_feed_plank"] = plank(s.react("motionEvent", FEED_VALUE))
    # Synchronisation reports, in two halves (a script arms at most 16 reactions).
    sync_reports = ["syncState", "syncProgress"] + [r for r in REPORTS if r.startswith("past")]
    for half, reports in (("a", sync_reports[:11]), ("b", sync_reports[11:])):
        s = Script("4.0.0").scratch(battery)
        for report in reports:
            s.react(report, FEED_VALUE)
        s, pid = start_sync(s)
        host_message(s, b"", pid, status_options(0))
        host_message(s, every_signal(18), pid, status_options(3, 1))
        out["nested_feed_sync_" + half] = s
    # Recordings and user events at the live callbacks; the link's own callbacks.
    s = Script("4.0.0").scratch(battery)
    for report in ["userEvent", "signal15", "eda", "gps", "pressure", "pressureContact",
                   "bodyPosition", "payload"]:
        s.react(report, FEED_VALUE)
    host_message(s, created(PROCESS_IDS["collect"], COLLECT_PID), SYSTEM_PID)
    host_message(s, every_signal(18), COLLECT_PID)
    out["nested_feed_recording"] = host_message(s, user_event(0x1234), SYSTEM_PID)
    s = Script("3.0.0").scratch(v3_message(created(PROCESS_IDS["ping"], 0x30), SYSTEM_PID))
    s.react("send", FEED_CHUNK).react("ready", FEED_CHUNK)
    s.react("payload", SEND_SCRATCH).react("log", FEED_CHUNK)
    s.send(0, b"ping").send(0x30, b"\x01\x02")
    out["nested_feed_link"] = host_message(s, killed(PROCESS_IDS["ping"], 0x30), SYSTEM_PID)

    # Destroying from inside reports raised in the middle of a packet.
    s = Script("2.2.14").react("respirationRate", DESTROY)
    out["destroy_in_respiration_rate"] = s.signal(RESPIRATION, bytes(20), 2, 0, 10, 400, 3000,
                                                  130).value(RESPIRATION, packet)
    s = pressure(Script("3.0.0").react("pressureContact", DESTROY, after=1))
    out["destroy_in_pressure_contact"] = s
    s = Script("4.0.0").react("syncProgress", DESTROY)
    s, pid = start_sync(s)
    host_message(s, every_signal(18), pid, status_options(3, 1))
    out["destroy_in_sync_progress"] = host_message(s, every_signal(18), pid, status_options(3, 2))
    return {name: script.bytes() for name, script in out.items()}


# ---- Decoder inputs: byte 0 = revision index << 4 | export, then the value -----------------

DECODER_REVISIONS = ["2.0.0", "2.1.9", "2.2.5", "2.2.14", "2.2.18", "2.3.23", "2.3.24",
                     "3.2.25", "3.2.30", "3.3.34", "3.3.41", "3.4.53", "3.5.59", "4.0.0"]


def decoder_inputs():
    out = {}

    def add(name, rev, which, value):
        out[name] = bytes([DECODER_REVISIONS.index(rev) << 4 | which]) + value

    for rev in ["2.0.0", "2.2.14", "3.2.30", "3.3.34", "2.3.23", "3.3.41"]:
        layout = FIRMWARE[rev].ecg
        add("ecg_layout%d" % layout, rev, ECG, ecg_value(layout))
    for rev, name in [("2.0.0", "layout1_once"), ("2.2.5", "layout1_fourfold"),
                      ("2.2.14", "layout2"), ("2.2.18", "layout3"), ("2.3.24", "layout4")]:
        add("respiration_" + name, rev, RESPIRATION, respiration_value(FIRMWARE[rev].resp))
    add("battery_1byte", "3.2.25", BATTERY, bytes([80]))
    add("battery_3byte", "3.2.25", BATTERY, cat(le16(805), b"\0"))
    add("temperature_format0", "3.2.25", TEMPERATURE, temperature_value(0))
    add("temperature_format1", "3.2.30", TEMPERATURE, temperature_value(1))
    add("motion_20byte", "2.1.9", MOTION, motion_value(1))
    add("motion_18byte", "3.4.53", MOTION, motion_value(3))
    add("orientation_6byte", "2.1.9", ORIENTATION, orientation_value(1))
    add("orientation_14byte_mode2", "2.2.14", ORIENTATION, orientation_value(2))
    add("orientation_14byte_mode3", "3.4.53", ORIENTATION, orientation_value(3))
    add("heart_rate_format0", "2.2.5", HEART_RATE, heart_rate_value())
    add("heart_rate_format1", "2.2.18", HEART_RATE, heart_rate_value())
    add("heart_rate_format2", "3.3.41", HEART_RATE, heart_rate_value())
    add("activity", "4.0.0", ACTIVITY, bytes([2]))
    add("steps", "4.0.0", STEPS, le32(0xFFFFFFFF))
    add("thermometer", "4.0.0", THERMOMETER, thermometer_value())
    add("sound_volume", "4.0.0", SOUND_VOLUME, sound_volume_value())
    add("nasal_cannula", "4.0.0", NASAL_CANNULA, nasal_value())
    return out


# ---- Chunk inputs: revision, chunk sizes, stream -------------------------------------------
#
# Every message of an input is padded to one length (bytes after a system report, a status
# message or a session are not read), so that one chunk size, or the pair header + payload of
# protocol 3 with options, cuts the stream at every message's boundary.

CHUNK_REVISIONS = ["2.2.14", "2.2.15", "3.0.0", "4.0.0", "2.2.18", "4.0", "7", "3.2.30",
                   "3.3.34", "2.3.24", "3.5.60", "3.7.86"]


def chunk_input(rev, sizes, stream):
    assert 1 <= len(sizes) <= 8 and all(0 <= n <= 255 for n in sizes)
    return bytes([CHUNK_REVISIONS.index(rev), len(sizes) - 1]) + bytes(sizes) + stream


def chunk_messages(rev, protocol, messages, size):
    """(payload, pid, options) messages, each padded to `size` payload bytes, under the
    protocol."""
    stream = b""
    for payload, pid, options in messages:
        payload = padded(payload, size)
        if protocol == 4:
            stream += v4_message(payload, pid, options)
        elif protocol == 3 and options is not None:
            stream += v31_header(size, pid, options) + payload
        elif protocol == 3:
            stream += v3_message(payload, pid)
        else:
            stream += payload
    if protocol == 3 and messages[0][2] is not None:
        return chunk_input(rev, [14, size], stream)
    framing = {4: 20, 3: 7, 1: 0}[protocol]
    return chunk_input(rev, [size + framing], stream)


def chunk_inputs():
    out = {}
    for rev in ["3.0.0", "3.2.30", "3.3.34", "3.5.60", "2.3.24"]:
        protocol = FIRMWARE[rev].protocol
        pid = 0 if protocol == 1 else SYNC_PID
        messages = [(created(PROCESS_IDS["sync"], pid), SYSTEM_PID, None)]
        if protocol == 1:
            messages.append((killed(PROCESS_IDS["system"], 0), SYSTEM_PID, None))
        messages += [(packet, pid, None) for packet in legacy_records(rev)]
        out["legacy_sync_" + rev] = chunk_messages(rev, protocol, messages, LEGACY_PACKET)
    for rev, protocol in [("3.7.86", 3), ("4.0.0", 4), ("4.0", 3)]:
        signals = 16 if rev == "3.7.86" else 18
        data = every_signal(signals)
        messages = [(created(PROCESS_IDS["sync"], SYNC_PID), SYSTEM_PID, 0)]
        messages += [(b"", SYNC_PID, status_options(status)) for status in (0, 1, 2, 5, 6)]
        messages += [(data, SYNC_PID, status_options(3, 1)), (b"", SYNC_PID, status_options(4, 2))]
        out["status_sync_" + rev] = chunk_messages(rev, protocol, messages, len(data))
        messages = [(created(PROCESS_IDS["collect"], COLLECT_PID), SYSTEM_PID, 0),
                    (data, COLLECT_PID, 0), (user_event(0x1234), SYSTEM_PID, 0)]
        out["collect_" + rev] = chunk_messages(rev, protocol, messages, len(data))
    # The two answers read from a fixed layout, whose bodies must keep their size: one chunk
    # size per message.
    messages = [v4_message(created(PROCESS_IDS["memory"], 0x24), SYSTEM_PID),
                v4_message(cat(le32(1 << 20), le32(1 << 16), le32(1 << 18)), 0x24, 1),
                v4_message(killed(PROCESS_IDS["memory"], 0x24), SYSTEM_PID),
                v4_message(created(PROCESS_IDS["set"], 0x23), SYSTEM_PID),
                v4_message(cat(le64(1000), le64(2000)), 0x23, 2),
                v4_message(killed(PROCESS_IDS["set"], 0x23), SYSTEM_PID)]
    out["memory_info_and_stat"] = chunk_input("4.0.0", [len(m) for m in messages],
                                              cat(*messages))
    return out


# ---- Send inputs: revision, pid (32-bit LE), commands split by 0xFF -------------------------

SEND_REVISIONS = ["2.2.14", "2.2.15", "3.0.0", "4.0.0", "2.2.17", "4.0", "1.0.0"]


def send_inputs():
    def send(rev, pid, commands):
        return bytes([SEND_REVISIONS.index(rev)]) + le32(pid) + b"\xFF".join(commands)
    words = [b"ping", b"  Update now", b"set", b"memory", b"dump", b"log", b"sync", b"collect",
             b"system"]
    return {
        "protocol2_every_command_word": send("2.2.15", 0, words),
        "protocol3_commands": send("3.0.0", 7, [b"ping", b"\x01\x02\x03"]),
        "protocol4_commands": send("4.0.0", 7, [b"ping", b""]),
        "protocol1_refused": send("2.2.14", 0, [b"ping"]),
    }


# ---- Session inputs: the signal count, then the serialized session --------------------------

def session_inputs():
    return {
        "empty_payload": bytes([18]),
        "count_below_minimum": bytes([0]) + every_signal(18),
        "end_before_start": bytes([18]) + session({2: le16(3650)}, 18, start=START_TIME,
                                                   end=START_TIME - 1),
    }


def session_processor_inputs():
    # Replayed twice by the target's online processor: 100 samples in the plank position (the
    # start is confirmed at the 62nd), and 50 pressure samples that vary (contact at the 43rd).
    still = {8: motion_record((0, 0, 4096)) * 50, 9: orientation_record((0, 60, 0)) * 50}
    varying = {6: cat(*[be32((0, 100)[i % 2]) for i in range(25)])}
    return {
        "plank_hold": bytes([18]) + session(still, 18),
        "pressure_contact": bytes([18]) + session(varying, 18),
    }


# ---- Writing -------------------------------------------------------------------------------

TARGETS = {
    "HostSimulatorFuzz": host_inputs,
    "DecoderFuzz": decoder_inputs,
    "BleChunkFuzz": chunk_inputs,
    "SendFuzz": send_inputs,
    "SessionFuzz": session_inputs,
    "SessionProcessorFuzz": session_processor_inputs,
}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true",
                        help="compare with the committed inputs instead of writing them")
    parser.add_argument("--pending", action="store_true",
                        help="also write the inputs of faults not fixed yet")
    args = parser.parse_args()
    stale = []
    for target, make in TARGETS.items():
        folder = os.path.join(CORPUS, target)
        os.makedirs(folder, exist_ok=True)
        for name, data in sorted(make().items()):
            if (target, name) in PENDING and not args.pending:
                continue
            path = os.path.join(folder, name)
            if args.check:
                try:
                    with open(path, "rb") as f:
                        if f.read() == data:
                            continue
                except OSError:
                    pass
                stale.append(os.path.relpath(path, HERE))
            else:
                with open(path, "wb") as f:
                    f.write(data)
    if stale:
        print("not as make_corpus.py writes them (run it and commit the result):")
        for path in stale:
            print("  " + path)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
