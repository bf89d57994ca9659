#include "processes/Update.h"

#include <string>

#include "processes/ProcessManagerDelegate.h"

namespace Tenvik {

void Update::process(const uint8_t* data, uint16_t size, uint64_t /*options*/) {
    if (delegate == nullptr) {
        return;
    }
    const std::string payload =
        size > 0 ? std::string(reinterpret_cast<const char*>(data), size) : std::string();
    delegate->didReceivePayload("Update", payload);
}

}  // namespace Tenvik
