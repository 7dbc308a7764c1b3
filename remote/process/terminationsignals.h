#pragma once

#include <QObject>

#include <memory>

namespace remote::process {

// SIGTERM, SIGINT and SIGHUP (a logout, a shutdown, Ctrl+C, a closed terminal) turn into
// received() on the window thread, so the program ends through its normal path and every
// destructor runs: the port, the alarm history and a recording are closed as on Exit. The
// handler itself only writes one byte to a socket pair. A signal the program was started
// with ignored (nohup, a background job) stays ignored. One instance at a time.
class TerminationSignals : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    // False when the signals could not be taken over (another instance, no descriptors).
    bool active() const;

signals:
    void received(int signalNumber);

private:
    void drain();

    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace remote::process
