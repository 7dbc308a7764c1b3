#pragma once

#include <cstdint>

namespace remote::link {

// Where the link's bytes go. The serial adapter implements it; tests record the bytes.
class LinkPort {
public:
    virtual ~LinkPort() = default;

    // True while the port is open and sending is allowed; SendText drops bytes otherwise.
    virtual bool PortOpened() const = 0;

    // Writes one byte to the line. Called once per byte, in order.
    virtual void writeByte(std::uint8_t b) = 0;
};

} // namespace remote::link
