#pragma once

#include "commandreader.h"
#include "framelog.h"
#include "replyframes.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace detectorsim {

using WallClock = std::function<std::chrono::system_clock::time_point()>;

struct DetectorOptions {
    std::uint32_t seed = 1;
    double alarmsPerMinute = 0; // alarms raised on its own; 0 only on request
    WallClock wallClock = [] { return std::chrono::system_clock::now(); };
};

struct DetectorCounters {
    std::map<CommandKind, int> commands;
    int badChecksum = 0;
    int strayRuns = 0; // runs of bytes that formed no command
    long strayBytes = 0;
    int refusedSaves = 0; // well-formed saves with a value out of range
    int framesOut = 0;
};

// The detector: its settings, display and small menu, the answers to the station's
// commands, alarms and injected faults. Plain C++; the caller moves the bytes.
class Detector {
public:
    explicit Detector(DetectorOptions options = {});

    void setLog(FrameLog* log) { m_log = log; }

    // Bytes from the station; returns what the detector writes back.
    std::vector<Byte> receive(std::span<const Byte> bytes, Moment now);
    // Called regularly: alarms raised on their own, and stray bytes reported after quiet.
    std::vector<Byte> idle(Moment now);
    // One line typed on the console. Text for the operator goes to reply; bytes to write
    // to the line are returned.
    std::vector<Byte> console(std::string_view line, Moment now, std::string& reply);
    bool quitRequested() const { return m_quit; }

    // The state, for the console's status and for tests.
    SettingsRecord settings() const;
    ScreenContent screen() const;
    bool scanning() const { return m_scanning; }
    bool inMenu() const { return m_inMenu; }
    int volume() const { return m_volume; }
    int squelch() const { return m_squelch; }
    const DetectorCounters& counters() const { return m_counters; }

    static constexpr int MaxLevel = 15;                               // volume and squelch steps
    static constexpr auto QuietTime = std::chrono::milliseconds(500); // before strays count

private:
    std::vector<Byte> handle(const Command& command, Moment now);
    bool applySave(const Command& command);
    void pressKey(Byte key, bool down);
    void raiseAlarm(std::size_t channel, bool inFrame, std::vector<Byte>& out, Moment now);
    void emit(std::vector<Byte>& out, std::string_view what, std::vector<Byte> frame, Moment now);
    std::string statusText() const;
    std::string takeHiddenCodes();
    void advanceScan();

    DetectorOptions m_options;
    CommandReader m_reader;
    FrameLog* m_log = nullptr;
    std::mt19937 m_random;
    DetectorCounters m_counters;

    // Settings.
    std::chrono::seconds m_clockOffset{0}; // the detector's clock minus the wall clock
    SettingsRecord m_stored;

    // Display and menu.
    bool m_scanning = false;
    bool m_holding = false;
    bool m_inMenu = false;
    int m_menuItem = 0;
    int m_volume = 8;
    int m_squelch = 3;
    long m_frequencyKhz = 30000;
    int m_signalLevel = 0;
    int m_foundPolls = 0; // polls the current find stays on the display

    // Faults and alarms waiting for the next frame.
    int m_badChecksums = 0;
    int m_cutFrames = 0;
    std::deque<std::size_t> m_codesInFrame;
    Moment m_nextAlarm{};
    Moment m_lastByte{};
    bool m_quit = false;
};

} // namespace detectorsim
