#pragma once

#include <QByteArray>
#include <QString>

#include <filesystem>

// A pseudo-terminal standing in for the detector's serial line. The test holds the master
// end; the station opens the slave end by its path. The line is raw, so every byte value
// passes unchanged.
namespace serialtest {

class Pty {
public:
    Pty();
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    QString slavePath() const { return m_slavePath; }
    int master() const { return m_master; }
    // The line settings as the station's end sees them (each end has its own).
    int slave() const { return m_slave; }

    void write(const QByteArray& bytes);
    // Reads from the master until count bytes have come or timeoutMs has passed, running
    // the event loop meanwhile so the station's port can flush.
    QByteArray read(int count, int timeoutMs = 3000);

    // Pulls the device: the master end closes, and the slave end's reads fail.
    void unplug();

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
};

// A stable name for a device that comes and goes: a symbolic link the test points at
// whichever pseudo-terminal is "plugged in".
class DeviceLink {
public:
    explicit DeviceLink(const std::filesystem::path& path)
        : m_path(path) {}
    ~DeviceLink() { remove(); }
    void pointAt(const QString& device);
    void remove();
    QString path() const { return QString::fromStdString(m_path.string()); }

private:
    std::filesystem::path m_path;
};

// Sets REMOTE_COM<n> for one test and restores it afterwards.
class ComVariable {
public:
    ComVariable(int port, const QString& device);
    ~ComVariable();
    ComVariable(const ComVariable&) = delete;
    ComVariable& operator=(const ComVariable&) = delete;

private:
    QByteArray m_name;
    QByteArray m_old;
    bool m_wasSet;
};

} // namespace serialtest
