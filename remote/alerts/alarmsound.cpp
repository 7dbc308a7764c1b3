#include "remote/alerts/alarmsound.h"

#include <QAudio>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>

#include <algorithm>

namespace remote::alerts {

AlarmSound::AlarmSound(QObject* parent)
    : QObject(parent) {}

AlarmSound::~AlarmSound() = default;

bool AlarmSound::deviceFound() const {
    return !QMediaDevices::audioOutputs().isEmpty();
}

void AlarmSound::setEnabled(bool on) {
    m_enabled = on;
    if (!on) {
        labelsRed(false);
    }
}

void AlarmSound::setVolume(int percent) {
    m_volume = std::clamp(percent, 0, 100);
    if (m_effect) {
        m_effect->setVolume(QAudio::convertVolume(m_volume / 100.0, QAudio::LogarithmicVolumeScale,
                                                  QAudio::LinearVolumeScale));
    }
}

// Made at the first alarm that wants it: a station that never sounds never opens audio.
bool AlarmSound::ready() {
    if (m_effect) {
        return true;
    }
    if (m_failed) {
        return false;
    }
    if (!deviceFound()) {
        fail(QStringLiteral("No audio device: the alarm tone is not played"));
        return false;
    }
    m_effect = std::make_unique<QSoundEffect>();
    m_effect->setSource(QUrl(QString::fromLatin1(kToneUrl)));
    m_effect->setLoopCount(QSoundEffect::Infinite);
    connect(m_effect.get(), &QSoundEffect::statusChanged, this, [this] {
        if (m_effect && m_effect->status() == QSoundEffect::Error) {
            fail(QStringLiteral("The alarm tone could not be played"));
        }
    });
    setVolume(m_volume);
    return true;
}

void AlarmSound::fail(const QString& message) {
    if (!std::exchange(m_failed, true)) {
        emit unavailable(message);
    }
}

void AlarmSound::alarm() {
    if (!m_enabled || m_playing || !ready()) {
        return;
    }
    m_playing = true;
    m_effect->play();
}

void AlarmSound::labelsRed(bool anyRed) {
    if (anyRed || !m_playing) {
        return;
    }
    m_playing = false;
    if (m_effect) {
        m_effect->stop();
    }
}

} // namespace remote::alerts
