// A plain program around one fuzz target, for builds without libFuzzer (any compiler):
//
//   replay_<Target> [--reach LIST] PATH...     feeds every file (and every file of every
//                                               directory, in name order) once
//   replay_<Target> --history FILE             feeds the inputs a fuzzing run recorded, in
//                                               order, to pooled instances (FuzzInstances.h)
//
// With --reach, the target records what the inputs reached (FuzzReach), the program prints it
// and fails when an item named in LIST (one per line; '#' starts a comment) was not reached.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "FuzzReach.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) __attribute__((weak));
// Provided by the targets that pool instances.
void fuzzReplayHistory(const char* path, int (*run)(const uint8_t*, size_t))
    __attribute__((weak));

namespace {

bool readFile(const std::filesystem::path& path, std::vector<uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

std::vector<std::filesystem::path> inputsOf(const std::filesystem::path& path) {
    std::vector<std::filesystem::path> files;
    if (std::filesystem::is_directory(path)) {
        for (const auto& entry : std::filesystem::directory_iterator(path)) {
            if (entry.is_regular_file()) {
                files.push_back(entry.path());
            }
        }
        std::sort(files.begin(), files.end());
    } else {
        files.push_back(path);
    }
    return files;
}

std::vector<std::string> readList(const char* path) {
    std::vector<std::string> items;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        line = line.substr(0, line.find('#'));
        line.erase(0, line.find_first_not_of(" \t\r"));
        line.erase(line.find_last_not_of(" \t\r") + 1);
        if (!line.empty()) {
            items.push_back(line);
        }
    }
    return items;
}

int run(const uint8_t* data, size_t size) { return LLVMFuzzerTestOneInput(data, size); }

}  // namespace

int main(int argc, char** argv) {
    const char* reachList = nullptr;
    const char* history = nullptr;
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--reach" && i + 1 < argc) {
            reachList = argv[++i];
        } else if (argument == "--history" && i + 1 < argc) {
            history = argv[++i];
        } else {
            paths.push_back(argument);
        }
    }
    if ((history == nullptr) == paths.empty()) {
        std::fprintf(stderr, "usage: %s [--reach LIST] PATH... | --history FILE\n", argv[0]);
        return 2;
    }
    // The target is told of every input file, as libFuzzer is when it replays files, so it
    // gives each input a new instance; a history replays without files.
    std::vector<std::filesystem::path> files;
    for (const std::string& path : paths) {
        const auto found = inputsOf(path);
        files.insert(files.end(), found.begin(), found.end());
    }
    std::vector<std::string> names{argv[0]};
    for (const auto& file : files) {
        names.push_back(file.string());
    }
    std::vector<char*> arguments;
    for (std::string& name : names) {
        arguments.push_back(name.data());
    }
    arguments.push_back(nullptr);
    int count = static_cast<int>(names.size());
    char** pointer = arguments.data();
    if (LLVMFuzzerInitialize != nullptr) {
        LLVMFuzzerInitialize(&count, &pointer);
    }
    if (history != nullptr) {
        if (fuzzReplayHistory == nullptr) {
            std::fprintf(stderr, "this target keeps no history\n");
            return 2;
        }
        fuzzReplayHistory(history, run);
        return 0;
    }
    if (reachList != nullptr) {
        FuzzReach::enable();
    }
    size_t inputs = 0;
    std::vector<uint8_t> bytes;
    for (const auto& file : files) {
        if (!readFile(file, bytes)) {
            std::fprintf(stderr, "cannot read %s\n", file.string().c_str());
            return 2;
        }
        // An allocation of exactly the input's size, as libFuzzer gives it.
        const std::vector<uint8_t> input(bytes);
        LLVMFuzzerTestOneInput(input.data(), input.size());
        ++inputs;
    }
    std::printf("%zu inputs replayed\n", inputs);
    if (reachList == nullptr) {
        return 0;
    }
    const std::set<std::string>& reached = FuzzReach::reached();
    const std::vector<std::string> expected = readList(reachList);
    const std::set<std::string> listed(expected.begin(), expected.end());
    size_t missing = 0;
    for (const std::string& item : expected) {
        if (reached.count(item) == 0) {
            std::printf("NOT REACHED %s\n", item.c_str());
            ++missing;
        }
    }
    for (const std::string& item : reached) {
        std::printf("%s %s\n", listed.count(item) != 0 ? "reached" : "also reached",
                    item.c_str());
    }
    std::printf("%zu of %zu listed items reached\n", listed.size() - missing, listed.size());
    return missing == 0 ? 0 : 1;
}
