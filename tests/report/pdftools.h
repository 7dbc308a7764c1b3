#pragma once

// The poppler tools a report is checked with, run on a file as any reader would.

#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

namespace reporttest {

inline QString runTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    // Generous: a 200-page file on a loaded machine.
    if (!process.waitForFinished(120'000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString()
                      << " failed: " << process.readAllStandardError().toStdString();
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The page count pdfinfo reports; -1 when it reports none.
inline int pageCount(const QString& pdf) {
    const auto match =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(runTool(PDFINFO, {pdf}));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

inline QString pdfInfo(const QString& pdf) {
    return runTool(PDFINFO, {pdf});
}

// The text of the pages, in reading order, pages separated by form feeds.
inline QString pdfText(const QString& pdf) {
    return runTool(PDFTOTEXT, {QStringLiteral("-layout"), QStringLiteral("-enc"),
                               QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
}

inline QString pdfFonts(const QString& pdf) {
    return runTool(PDFFONTS, {pdf});
}

// Page `page` rendered at dpi into an image.
inline QImage pageImage(const QString& pdf, int page, int dpi, const QString& stem) {
    runTool(PDFTOPPM, {QStringLiteral("-png"), QStringLiteral("-r"), QString::number(dpi),
                       QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                       QString::number(page), QStringLiteral("-singlefile"), pdf, stem});
    return QImage(stem + QStringLiteral(".png"));
}

} // namespace reporttest
