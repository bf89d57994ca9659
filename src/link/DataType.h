#pragma once

#include <cstdint>

namespace Tenvik {

// Kind of a complete incoming package: answers of the system itself, or data of a process.
enum DataType : int {
    SystemData = 0,
    ProcessData = 1,
};

}  // namespace Tenvik
