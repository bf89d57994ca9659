#include "processes/Update.h"

#include <string_view>

#include "processes/ProcessManagerDelegate.h"

namespace Tenvik {

void Update::process(const uint8_t* data, uint16_t size, uint64_t /*options*/) {
    if (delegate == nullptr) {
        return;
    }
    // Viewed, not copied: the link keeps the message as it is until this call returns.
    delegate->didReceivePayload("Update", {reinterpret_cast<const char*>(data), size});
}

}  // namespace Tenvik
