#include "remote/history/settingssnapshot.h"

#include "remote/link/settingsframe.h"

#include <tuple>

namespace remote::history {

bool SettingsSnapshot::sameSettings(const SettingsSnapshot& o) const {
    // laser[0..3] are the QZ and QS readings; laser[4..7] the levels and volumes set.
    const auto settingsOf = [](const SettingsSnapshot& s) {
        return std::tie(s.detectorId, s.serial, s.rfTime, s.channelTimes, s.repeatTime, s.laser[4],
                        s.laser[5], s.laser[6], s.laser[7], s.switches);
    };
    return settingsOf(*this) == settingsOf(o);
}

SettingsSnapshot SettingsSnapshot::fromReadout(const link::SettingsReadout& r) {
    SettingsSnapshot s;
    s.detectorId = r.SETID;
    s.serial = r.SERIAL;
    s.rfTime = r.RFXTIME;
    s.channelTimes = r.STIMEV;
    s.repeatTime = r.FREQV;
    s.laser = {r.LASERQZ1, r.LASERQZ2, r.LASERQS1, r.LASERQS2,
               r.LASERQ1,  r.LASERQ2,  r.LASERVV1, r.LASERVV2};
    s.switches =
        static_cast<std::uint8_t>(r.switchBits & ((1u << link::protocol::SwitchCount) - 1));
    return s;
}

const std::array<const char*, SettingsSnapshot::kLaserFigures>& SettingsSnapshot::laserNames() {
    static constexpr std::array<const char*, kLaserFigures> names{"QZ1", "QZ2", "QS1", "QS2",
                                                                  "Q1",  "Q2",  "VV1", "VV2"};
    return names;
}

} // namespace remote::history
