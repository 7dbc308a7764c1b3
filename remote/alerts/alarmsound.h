#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QSoundEffect;

namespace remote::alerts {

// The alarm tone: starts with a live alarm and repeats while any alarm label is red.
// Without an audio device nothing plays and unavailable() is emitted once.
class AlarmSound : public QObject {
    Q_OBJECT

public:
    static constexpr char kToneUrl[] = "qrc:/alerts/alarm-tone.wav";

    explicit AlarmSound(QObject* parent = nullptr);
    ~AlarmSound() override;

    void setEnabled(bool on);
    bool enabled() const { return m_enabled; }
    // 0 to 100, as the operator hears it (turned into the output's linear scale).
    void setVolume(int percent);
    int volume() const { return m_volume; }

    void alarm();
    // At each tick: the tone stops once no label is red.
    void labelsRed(bool anyRed);

    bool playing() const { return m_playing; }
    bool deviceFound() const;

signals:
    void unavailable(const QString& message);

private:
    bool ready();
    void fail(const QString& message);

    std::unique_ptr<QSoundEffect> m_effect;
    bool m_enabled = true;
    bool m_playing = false;
    bool m_failed = false;
    int m_volume = 80;
};

} // namespace remote::alerts
