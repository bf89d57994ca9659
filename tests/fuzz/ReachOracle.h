#pragma once

#include "FirmwareTraits.h"
#include "FuzzHost.h"

// Names what one library call reached, judged only from the callbacks it caused and what the
// firmware revision makes the library do (FirmwareTraits): a decoder layout counts as reached
// when a value of its size produced exactly the outputs of that layout, a report when it
// arrived in the call it belongs to. Calls during which the host called back into the library
// are not judged, since their callbacks mix two calls.
class ReachOracle {
public:
    static void afterValue(const FirmwareTraits& firmware, FuzzHost::Characteristic which,
                           int size, const FuzzHost::Tally& delta);
    static void afterChunk(const FirmwareTraits& firmware, const FuzzHost::Tally& delta);
};
