#pragma once

#include <string_view>

namespace Tenvik {

class Session;

// What the process handlers see of the ProcessManager: named payloads for the host and
// sessions received by Collect. Never deleted through this interface.
class ProcessManagerDelegate {
public:
    // The payload is only viewed: its bytes must stay as they are until the call returns, and
    // nothing of it is kept afterwards.
    virtual void didReceivePayload(std::string_view name, std::string_view payload) = 0;
    virtual void didReceiveSession(const Session& session) = 0;

protected:
    ~ProcessManagerDelegate() = default;
};

}  // namespace Tenvik
