// detector-sim: plays the detector on a pseudo-terminal or a serial device, so the station
// can be run, tried and tested without the hardware. Lines typed on its terminal raise
// alarms and inject faults (type "help"). With --replay it plays a line recording's
// detector-to-station bytes instead, so a field recording drives the station over a line.
#include "adapter/simline.h"
#include "core/detector.h"
#include "core/linerecording.h"
#include "simoptions.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <poll.h>
#include <string>
#include <unistd.h>

using namespace detectorsim;

namespace {

constexpr int IdleMs = 50; // how often alarms and quiet lines are looked at

volatile std::sig_atomic_t stopRequested = 0;

void onSignal(int) {
    stopRequested = 1;
}

// Plays the recording onto the line; what the station sends is read (and logged) but not
// answered. Nothing is dropped when the station reads slowly: the rest waits for room.
// When the recording is played out the line stays open until the simulator is ended; the
// status is then 1 if the recording was damaged.
int replay(SimLine& line, RecordingPlayer& player, const std::string& path, FrameLog* log,
           bool onDevice) {
    bool damaged = false;
    std::vector<Byte> pending;
    std::size_t sent = 0;
    bool consoleOpen = true;
    bool reportedEnd = false;
    std::string typed;
    while (!stopRequested) {
        const Moment now = std::chrono::steady_clock::now();
        if (sent == pending.size()) {
            pending.clear();
            sent = 0;
            if (const auto chunk = player.next(now)) {
                pending.assign(chunk->begin(), chunk->end());
                if (log) {
                    log->frame(now, "out", "replay", *chunk);
                }
            }
        }
        if (sent < pending.size()) {
            const long n = line.writeSome(std::span(pending).subspan(sent));
            if (n < 0) {
                std::cerr << "detector-sim: the line " << line.device() << " failed\n";
                return 1;
            }
            sent += static_cast<std::size_t>(n);
        }
        if (player.started() && player.finished() && sent == pending.size() && !reportedEnd) {
            reportedEnd = true;
            if (const std::string early = player.earlyStop(); !early.empty()) {
                std::cerr << "detector-sim: " << path << ": " << early << std::endl;
                damaged = !player.reader()->cutOff();
            }
            std::cout << "detector-sim: replay finished" << std::endl;
        }

        int timeoutMs = IdleMs;
        if (sent < pending.size()) {
            timeoutMs = IdleMs; // woken by room on the line
        } else if (const auto wait = player.untilNext(now)) {
            timeoutMs = static_cast<int>(std::min<std::int64_t>(
                IdleMs, (wait->count() + 999) / 1000)); // round up: never early
            if (wait->count() == 0) {
                continue;
            }
        }
        const short lineEvents = sent < pending.size() ? (POLLIN | POLLOUT) : POLLIN;
        pollfd fds[2] = {{line.fd(), lineEvents, 0}, {STDIN_FILENO, POLLIN, 0}};
        const int ready = ::poll(fds, consoleOpen ? 2 : 1, timeoutMs);
        if (ready < 0 && errno != EINTR) {
            std::cerr << "detector-sim: poll failed\n";
            return 1;
        }
        if (ready > 0 && (fds[0].revents & (POLLIN | POLLERR | POLLHUP))) {
            std::uint8_t buffer[512];
            const long n = line.read(buffer);
            if (n < 0 || (n == 0 && (fds[0].revents & (POLLERR | POLLHUP)) && onDevice)) {
                std::cerr << "detector-sim: the line " << line.device() << " failed\n";
                return 1;
            }
            if (n > 0) {
                const Moment got = std::chrono::steady_clock::now();
                if (log) {
                    log->frame(got, "in", "bytes", std::span(buffer, static_cast<std::size_t>(n)));
                }
                if (!player.started()) {
                    player.start(got);
                }
            }
        }
        if (consoleOpen && ready > 0 && (fds[1].revents & (POLLIN | POLLHUP))) {
            char buffer[512];
            const auto n = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (n <= 0) {
                consoleOpen = false;
                continue;
            }
            typed.append(buffer, static_cast<std::size_t>(n));
            for (auto end = typed.find('\n'); end != std::string::npos; end = typed.find('\n')) {
                const std::string command = typed.substr(0, end);
                typed.erase(0, end + 1);
                if (command == "quit") {
                    return damaged ? 1 : 0;
                }
                if (!command.empty()) {
                    std::cout << "replaying: only quit is taken" << std::endl;
                }
            }
            if (typed.size() > 4096) {
                typed.clear();
            }
        }
    }
    return damaged ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    const SimOptions options =
        parseSimOptions(QStringList(argv, argv + argc), QStringLiteral(DETECTOR_SIM_VERSION));
    switch (options.outcome) {
    case SimOptions::Outcome::Help:
    case SimOptions::Outcome::Version:
        std::cout << options.text.toStdString();
        return 0;
    case SimOptions::Outcome::Refused:
        std::cerr << options.text.toStdString();
        return 2;
    case SimOptions::Outcome::Run:
        break;
    }
    const std::string& link = options.link;
    const std::string& device = options.device;
    const std::string& logPath = options.logPath;
    const std::string& replayPath = options.replayPath;

    // The header is checked before the line is made; the records are read as they play.
    std::optional<RecordingPlayer> player;
    if (!replayPath.empty()) {
        std::string error;
        auto reader = LineRecordingReader::open(replayPath, error);
        if (!reader) {
            std::cerr << "detector-sim: " << error << '\n';
            return 1;
        }
        std::cout << "detector-sim: replaying " << replayPath << std::endl;
        player.emplace(std::move(reader), options.replaySpeed);
    }

    const Moment start = std::chrono::steady_clock::now();
    std::ofstream logFile;
    std::unique_ptr<FrameLog> log;
    if (!logPath.empty()) {
        logFile.open(logPath, std::ios::out | std::ios::trunc);
        if (!logFile) {
            std::cerr << "detector-sim: cannot write the log " << logPath << '\n';
            return 1;
        }
        log = std::make_unique<FrameLog>(logFile, start);
    }

    struct sigaction action {};
    action.sa_handler = onSignal;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGHUP, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    std::string error;
    const auto line =
        device.empty() ? SimLine::createPty(link, error) : SimLine::openDevice(device, error);
    if (!line) {
        std::cerr << "detector-sim: " << error << '\n';
        return 1;
    }
    std::cout << "detector-sim: line " << line->stationPath();
    if (line->stationPath() != line->device()) {
        std::cout << " -> " << line->device();
    }
    std::cout << " (type help for commands)" << std::endl;

    if (log) {
        log->note(start, "line " + line->device());
    }
    if (player) {
        return replay(*line, *player, replayPath, log.get(), !device.empty());
    }

    Detector detector(options.detector);
    detector.setLog(log.get());

    auto send = [&](const std::vector<Byte>& bytes) {
        if (!bytes.empty() && line->write(bytes) < bytes.size() && log) {
            log->note(std::chrono::steady_clock::now(), "line full: bytes dropped");
        }
    };

    bool consoleOpen = true;
    std::string typed;
    while (!stopRequested && !detector.quitRequested()) {
        pollfd fds[2] = {{line->fd(), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        const int ready = ::poll(fds, consoleOpen ? 2 : 1, IdleMs);
        const Moment now = std::chrono::steady_clock::now();
        if (ready < 0 && errno != EINTR) {
            std::cerr << "detector-sim: poll failed\n";
            return 1;
        }
        if (ready > 0 && (fds[0].revents & (POLLIN | POLLERR | POLLHUP))) {
            std::uint8_t buffer[512];
            const long n = line->read(buffer);
            if (n < 0 || (n == 0 && (fds[0].revents & (POLLERR | POLLHUP)) && !device.empty())) {
                std::cerr << "detector-sim: the line " << line->device() << " failed\n";
                return 1;
            }
            send(detector.receive(std::span(buffer, static_cast<std::size_t>(n)), now));
        }
        if (consoleOpen && ready > 0 && (fds[1].revents & (POLLIN | POLLHUP))) {
            char buffer[512];
            const auto n = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (n <= 0) {
                consoleOpen = false; // no terminal (started in the background): keep playing
            } else {
                typed.append(buffer, static_cast<std::size_t>(n));
                for (auto end = typed.find('\n'); end != std::string::npos;
                     end = typed.find('\n')) {
                    std::string reply;
                    send(detector.console(typed.substr(0, end), now, reply));
                    typed.erase(0, end + 1);
                    if (!reply.empty()) {
                        std::cout << reply << std::endl;
                    }
                }
                if (typed.size() > 4096) {
                    typed.clear(); // no line is that long
                }
            }
        }
        send(detector.idle(now));
    }
    return 0;
}
