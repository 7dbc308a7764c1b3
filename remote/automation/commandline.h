#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace remote::automation {

// One command of the automation socket split into its words: "type IDIN ABC 12" is verb
// "type", name "IDIN" and text "ABC 12". Words are separated by single spaces; the line is
// trimmed first.
struct CommandLine {
    QString verb;
    QString name; // a control's object name
    QString text; // the rest after the name, as sent
};

CommandLine parseCommandLine(const QString& line);

// Cuts one connection's byte stream into command lines. A line is at most kMaxLine bytes
// with its line end; a longer one is never cut into pieces: the buffer turns tooLong() and
// gives no line from then on, so nothing of it or after it is run. Holds at most kMaxLine
// bytes beyond what was last appended.
class LineBuffer {
public:
    static constexpr qsizetype kMaxLine = 4096; // bytes of one command, its line end included

    void append(QByteArrayView bytes);
    // The next whole line without its line end, or nothing (no whole line yet, or too long).
    std::optional<QByteArray> takeLine();
    bool tooLong() const { return m_tooLong; }
    // Bytes waiting for their line end.
    qsizetype pending() const { return m_pending.size() - m_start; }

private:
    QByteArray m_pending;
    qsizetype m_start = 0; // where the next line begins in m_pending
    bool m_tooLong = false;
};

} // namespace remote::automation
