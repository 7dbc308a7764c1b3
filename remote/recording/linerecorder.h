#pragma once

#include "remote/link/linkport.h"
#include "remote/recording/recordingformat.h"

#include <functional>

namespace remote::recording {

// Writes both directions of the line to a recording. Sent bytes come one at a time and
// are gathered into one record, written when bytes are received or at flushSent() (the
// window calls it after each tick); received bytes are one record per receive event.
// Each record reaches the operating system when it is written, so a killed station leaves
// every earlier record readable.
class LineRecorder {
public:
    // Monotonic microseconds; the default is the steady clock.
    using Clock = std::function<std::uint64_t()>;

    explicit LineRecorder(Clock clock = {});
    ~LineRecorder();
    LineRecorder(const LineRecorder&) = delete;
    LineRecorder& operator=(const LineRecorder&) = delete;

    // Starts a new recording in file (replacing it), readable by its user only (0600)
    // whatever the umask; no folder is created. False, with error set, when the file cannot
    // be written or the name is not a regular file; a recording already running is stopped
    // first.
    bool start(const std::filesystem::path& file, std::string& error);
    // Writes the gathered sent bytes as the last record and closes the file; the
    // destructor does the same, so a station ending normally leaves a whole recording.
    void stop();
    bool active() const;
    // Bytes in the file so far.
    std::uint64_t size() const;
    // The write error that stopped the recording, if one did.
    const std::string& error() const;

    void sent(std::uint8_t byte);
    void flushSent();
    void received(std::span<const std::uint8_t> bytes);

private:
    void write(const Chunk& chunk);

    struct Private;
    std::unique_ptr<Private> d;
};

// The port as the link sees it while recording: every byte goes to the line and to the
// recorder.
class RecordingPort : public link::LinkPort {
public:
    RecordingPort(link::LinkPort& port, LineRecorder& recorder)
        : m_port(port)
        , m_recorder(recorder) {}

    bool PortOpened() const override { return m_port.PortOpened(); }
    void writeByte(std::uint8_t b) override {
        m_port.writeByte(b);
        m_recorder.sent(b);
    }

private:
    link::LinkPort& m_port;
    LineRecorder& m_recorder;
};

} // namespace remote::recording
