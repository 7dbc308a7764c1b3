#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace detectorsim {

// The detector's end of the serial line: a pseudo-terminal it creates (the station opens
// the other end by its path or by a symbolic link) or a real serial device. POSIX only.
class SimLine {
public:
    ~SimLine();
    SimLine(const SimLine&) = delete;
    SimLine& operator=(const SimLine&) = delete;

    // A new pseudo-terminal; with a link path, a symbolic link to its device is made there
    // (an old link is replaced, anything else is refused) and removed again at the end.
    static std::unique_ptr<SimLine> createPty(const std::string& linkPath, std::string& error);
    // A serial device, 9600 8N1 raw, no handshake.
    static std::unique_ptr<SimLine> openDevice(const std::string& path, std::string& error);

    int fd() const { return m_fd; }
    // The path the station opens: the link when there is one, else the device.
    std::string stationPath() const { return m_link.empty() ? m_device : m_link; }
    std::string device() const { return m_device; }

    // Non-blocking read; returns the count read, 0 when nothing waits, -1 on failure.
    long read(std::span<std::uint8_t> buffer);
    // Writes all bytes, waiting up to a short while when the line is full; returns the count
    // written (less when nobody drains the other end).
    std::size_t write(std::span<const std::uint8_t> bytes);
    // Writes what the line takes now without waiting; returns the count written (0 when
    // it is full), -1 on failure.
    long writeSome(std::span<const std::uint8_t> bytes);

private:
    SimLine() = default;

    int m_fd = -1;
    int m_heldSlave = -1; // keeps the pty alive while no station has it open
    std::string m_device;
    std::string m_link;
};

} // namespace detectorsim
