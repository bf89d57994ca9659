#pragma once

#include <cstdint>
#include <ostream>
#include <vector>

#include "link/PackageProcessor.h"

namespace TenvikTest {

struct ReassembledPackage {
    std::vector<uint8_t> payload;
    uint16_t pid;
    uint64_t options;
    bool operator==(const ReassembledPackage&) const = default;
    friend void PrintTo(const ReassembledPackage& package, std::ostream* out) {
        *out << "{" << package.payload.size() << " bytes, pid " << package.pid << ", options "
             << package.options << "}";
    }
};

// Drives a PackageProcessor the way the link manager does: feed a chunk and, once an accepted
// chunk completes the package, take it out and reset.
class ProtocolThreeReassembly {
public:
    bool feed(const std::vector<uint8_t>& chunk) {
        const bool accepted =
            processor.process(chunk.data(), static_cast<uint16_t>(chunk.size()));
        if (accepted && processor.isComplete()) {
            uint16_t size = 0;
            const uint8_t* data = processor.getData(&size);
            packages.push_back({std::vector<uint8_t>(data, data + size), processor.getPid(),
                                processor.getOptions()});
            processor.reset();
        }
        return accepted;
    }

    Tenvik::PackageProcessor processor;
    std::vector<ReassembledPackage> packages;
};

}  // namespace TenvikTest
