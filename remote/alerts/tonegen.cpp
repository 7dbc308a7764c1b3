// Writes the alarm tone the station plays, at build time.
#include "remote/alerts/alarmtone.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.wav\n", argv[0]);
        return 2;
    }
    const auto wav = remote::alerts::alarmToneWav();
    std::FILE* f = std::fopen(argv[1], "wb");
    if (!f) {
        std::perror(argv[1]);
        return 1;
    }
    const bool ok = std::fwrite(wav.data(), 1, wav.size(), f) == wav.size();
    return std::fclose(f) == 0 && ok ? 0 : 1;
}
