#pragma once

#include <map>
#include <string>
#include <string_view>

#include "processes/ProcessID.h"

namespace Tenvik {

// The host's command words: the lower-case name of each process type, and the payload name
// given to a protocol-2 answer of that type.
struct CommandWords {
    // The nine command words with their process types.
    static std::map<std::string, ProcessID, std::less<>> table();
    // "system" for the system process and for any type without a command word.
    static std::string_view answerName(ProcessID processId);
};

}  // namespace Tenvik
