#pragma once

#include <cstdint>

// Receiver of the pressure-contact state: 0 while pressure variation is confirmed, 3 otherwise.
class IPressureLeadOff {
public:
    virtual void didChangePressureLeadOff(int32_t state) = 0;

protected:
    ~IPressureLeadOff() = default;
};
