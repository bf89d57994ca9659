#include "FuzzInstances.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "FuzzClock.h"
#include "FuzzHost.h"

namespace {

struct Pooled {
    std::string revision;
    TenvikSDK* sdk;
};

// Kept instances, the most recently used last. Revisions beyond the capacity (hand-written
// revision texts of the host-simulator target) push out the least recently used. Destroyed
// when the program exits, before the leak check.
constexpr size_t poolCapacity = 32;

struct Pool {
    std::vector<Pooled> kept;
    ~Pool() {
        for (const Pooled& pooled : kept) {
            TenvikSDK_destroy(pooled.sdk);
        }
    }
};
Pool poolAtExit;
std::vector<Pooled>& pool = poolAtExit.kept;
uint32_t inputsInGeneration = 0;
int historyFile = -1;

bool isRegularFile(const char* path) {
    struct stat status {};
    return stat(path, &status) == 0 && S_ISREG(status.st_mode);
}

void writeAll(int file, const void* bytes, size_t size) {
    const auto* at = static_cast<const uint8_t*>(bytes);
    while (size > 0) {
        const ssize_t written = write(file, at, size);
        if (written <= 0) {
            return;
        }
        at += written;
        size -= static_cast<size_t>(written);
    }
}

}  // namespace

void FuzzInstances::configure(int argc, char** argv) {
    bool fresh = false;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (std::strncmp(argument, "-runs=", 6) == 0 ||
            (argument[0] != '-' && isRegularFile(argument))) {
            fresh = true;
        }
    }
    const char* forced = std::getenv("TENVIK_FUZZ_FRESH");
    if (forced != nullptr && std::strcmp(forced, "1") == 0) {
        fresh = true;
    }
    setFresh(fresh);
    const char* history = std::getenv("TENVIK_FUZZ_HISTORY");
    if (!fresh && history != nullptr && history[0] != '\0') {
        historyFile = open(history, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    }
}

void FuzzInstances::setFresh(bool fresh) {
    endGeneration();
    freshInstances = fresh;
}

void FuzzInstances::beginInput(const uint8_t* data, size_t size) {
    if (freshInstances) {
        FuzzClock::reset();
        return;
    }
    if (inputsInGeneration == generationLength) {
        endGeneration();
    }
    ++inputsInGeneration;
    if (historyFile >= 0) {
        const uint8_t length[4] = {static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8),
                                   static_cast<uint8_t>(size >> 16),
                                   static_cast<uint8_t>(size >> 24)};
        writeAll(historyFile, length, sizeof length);
        writeAll(historyFile, data, size);
    }
}

TenvikSDK* FuzzInstances::acquire(const std::string& revision) {
    if (!freshInstances) {
        for (size_t i = 0; i < pool.size(); ++i) {
            if (pool[i].revision == revision) {
                Pooled found = pool[i];
                pool.erase(pool.begin() + static_cast<std::ptrdiff_t>(i));
                pool.push_back(found);
                return found.sdk;
            }
        }
    }
    TenvikSDK* sdk = TenvikSDK_create(revision.data(), static_cast<int>(revision.size()));
    if (sdk != nullptr) {
        FuzzHost::instanceReports = FuzzHost::InstanceReports{};
        if (!freshInstances) {
            if (pool.size() == poolCapacity) {
                TenvikSDK_destroy(pool.front().sdk);
                pool.erase(pool.begin());
            }
            pool.push_back({revision, sdk});
        }
    }
    return sdk;
}

void FuzzInstances::release(TenvikSDK* sdk) {
    if (freshInstances) {
        TenvikSDK_destroy(sdk);
    }
}

void FuzzInstances::forget(TenvikSDK* sdk) {
    for (size_t i = 0; i < pool.size(); ++i) {
        if (pool[i].sdk == sdk) {
            pool.erase(pool.begin() + static_cast<std::ptrdiff_t>(i));
            return;
        }
    }
}

void FuzzInstances::endGeneration() {
    for (const Pooled& pooled : pool) {
        TenvikSDK_destroy(pooled.sdk);
    }
    pool.clear();
    inputsInGeneration = 0;
    FuzzClock::reset();
    if (historyFile >= 0 && ftruncate(historyFile, 0) == 0) {
        lseek(historyFile, 0, SEEK_SET);
    }
}

long FuzzInstances::replayHistory(const char* path, int (*run)(const uint8_t*, size_t)) {
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return -1;
    }
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    std::fclose(file);
    if (historyFile >= 0) {
        close(historyFile);
        historyFile = -1;
    }
    setFresh(false);
    long inputs = 0;
    size_t at = 0;
    while (bytes.size() - at >= 4) {
        size_t size = 0;
        for (int i = 3; i >= 0; --i) {
            size = size << 8 | bytes[at + static_cast<size_t>(i)];
        }
        at += 4;
        if (size > bytes.size() - at) {
            break;
        }
        // Each input in an allocation of exactly its size, as libFuzzer gives it.
        const std::vector<uint8_t> input(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                         bytes.begin() + static_cast<std::ptrdiff_t>(at + size));
        run(input.data(), input.size());
        at += size;
        ++inputs;
    }
    return inputs;
}
