#pragma once

#include <string>

namespace Tenvik {

class Session;

// What the process handlers see of the ProcessManager: named payloads for the host and
// sessions received by Collect. Never deleted through this interface.
class ProcessManagerDelegate {
public:
    virtual void didReceivePayload(const std::string& name, const std::string& payload) = 0;
    virtual void didReceiveSession(const Session& session) = 0;

protected:
    ~ProcessManagerDelegate() = default;
};

}  // namespace Tenvik
