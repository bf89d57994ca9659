#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "tenvik_sdk.h"

// The instances the targets that drive the C interface feed their inputs to.
//
// Creating an instance costs far more than most inputs: its two respiration-rate windows are
// about 480 kB, and under AddressSanitizer every creation maps that memory afresh and faults
// it in (about 4 ms on the CI machine), so that a new instance per input holds a target to
// a few hundred inputs a second. While libFuzzer fuzzes, the targets therefore keep one
// instance per firmware revision and feed input after input to it; every
// `generationLength` inputs all of them are destroyed and the next inputs get new ones.
//
// The price is that an input then meets an instance shaped by the inputs before it (filter
// and detector state, a half-received message, the processes it created), so a crash found
// while fuzzing may need those inputs to happen again. Two things keep that reproducible:
//   - When libFuzzer is given input files (a crash file, a replay with -runs) or
//     TENVIK_FUZZ_FRESH=1 is set, every input gets a new instance, as it would on a host
//     that connects once: one file replays on its own.
//   - When TENVIK_FUZZ_HISTORY names a file, every input of the current generation is
//     appended to it (the file starts over with each generation); the target's replay program
//     run with --history on that file feeds the same inputs in the same order to the same
//     pooled instances, which reproduces the state the crashing input met.
// The clock the library reads is the input-driven FuzzClock, so the timing replays too.
class FuzzInstances {
public:
    static constexpr uint32_t generationLength = 500;

    // Picks the mode from libFuzzer's arguments (fresh instances when any argument names a
    // file or -runs is given) and the environment.
    static void configure(int argc, char** argv);
    static void setFresh(bool fresh);
    static bool fresh() { return freshInstances; }

    // Marks the start of an input: starts a new generation when the last one is full, and
    // records the input in the history.
    static void beginInput(const uint8_t* data, size_t size);

    // The instance for this revision: the pooled one, a new one when there is none yet or
    // instances are fresh, or null when the revision is refused. The caller registers its
    // callbacks and the log callback on it for every input (creation clears the log callback,
    // and an earlier input may have changed the callbacks).
    static TenvikSDK* acquire(const std::string& revision);
    // The input is done with it: destroyed when instances are fresh, kept otherwise.
    static void release(TenvikSDK* sdk);
    // The input destroyed it.
    static void forget(TenvikSDK* sdk);

    // Reads a history file and feeds its inputs in order to `run` with pooled instances.
    // Returns the number of inputs, or -1 when the file cannot be read.
    static long replayHistory(const char* path, int (*run)(const uint8_t*, size_t));

private:
    static void endGeneration();

    static inline bool freshInstances = false;
};
