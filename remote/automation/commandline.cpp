#include "commandline.h"

namespace remote::automation {

CommandLine parseCommandLine(const QString& line) {
    const QString trimmed = line.trimmed();
    const QChar space(QLatin1Char(' '));
    return {trimmed.section(space, 0, 0), trimmed.section(space, 1, 1), trimmed.section(space, 2)};
}

void LineBuffer::append(QByteArrayView bytes) {
    if (m_tooLong) {
        return;
    }
    if (m_start > 0) {
        m_pending.remove(0, m_start);
        m_start = 0;
    }
    m_pending.append(bytes);
}

std::optional<QByteArray> LineBuffer::takeLine() {
    if (m_tooLong) {
        return std::nullopt;
    }
    const qsizetype end = m_pending.indexOf('\n', m_start);
    const qsizetype length = (end < 0 ? m_pending.size() : end + 1) - m_start;
    if (length > kMaxLine || (end < 0 && length == kMaxLine)) {
        // No line end within the limit: the line is dropped whole, and so is the stream.
        m_tooLong = true;
        m_pending.clear();
        m_start = 0;
        return std::nullopt;
    }
    if (end < 0) {
        return std::nullopt;
    }
    QByteArray line = m_pending.mid(m_start, end - m_start);
    m_start = end + 1;
    if (m_start == m_pending.size()) {
        m_pending.clear();
        m_start = 0;
    }
    return line;
}

} // namespace remote::automation
