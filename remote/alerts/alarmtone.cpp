#include "remote/alerts/alarmtone.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace remote::alerts {
namespace {

void put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, static_cast<std::uint16_t>(v & 0xFFFF));
    put16(out, static_cast<std::uint16_t>(v >> 16));
}

void putText(std::vector<std::uint8_t>& out, const char (&text)[5]) {
    out.insert(out.end(), text, text + 4);
}

} // namespace

std::vector<std::uint8_t> alarmToneWav() {
    constexpr int samples = kToneSampleRate * kToneMs / 1000;
    constexpr int beep = kToneSampleRate * 180 / 1000; // samples of one beep
    constexpr int edge = kToneSampleRate * 8 / 1000;   // samples of a fade in or out
    constexpr double amplitude = 0.6 * 32767;
    std::vector<std::int16_t> pcm(samples, 0);
    const struct {
        int start;
        double hz;
    } beeps[] = {{0, 880.0}, {kToneSampleRate * 220 / 1000, 1320.0}};
    for (const auto& b : beeps) {
        for (int i = 0; i < beep; ++i) {
            const double envelope = std::min(
                {1.0, static_cast<double>(i) / edge, static_cast<double>(beep - 1 - i) / edge});
            const double t = static_cast<double>(i) / kToneSampleRate;
            pcm[static_cast<std::size_t>(b.start + i)] = static_cast<std::int16_t>(
                std::lround(amplitude * envelope * std::sin(2 * std::numbers::pi * b.hz * t)));
        }
    }

    const auto dataBytes = static_cast<std::uint32_t>(pcm.size() * 2);
    std::vector<std::uint8_t> out;
    out.reserve(44 + dataBytes);
    putText(out, "RIFF");
    put32(out, 36 + dataBytes);
    putText(out, "WAVE");
    putText(out, "fmt ");
    put32(out, 16);
    put16(out, 1); // PCM
    put16(out, 1); // mono
    put32(out, kToneSampleRate);
    put32(out, kToneSampleRate * 2); // bytes per second
    put16(out, 2);                   // bytes per frame
    put16(out, 16);                  // bits per sample
    putText(out, "data");
    put32(out, dataBytes);
    for (const std::int16_t s : pcm) {
        put16(out, static_cast<std::uint16_t>(s));
    }
    return out;
}

} // namespace remote::alerts
