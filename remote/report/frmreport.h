#pragma once

#include "remote/report/reportdocument.h"
#include "remote/report/reportsettings.h"

#include <QDialog>

#include <cstdint>
#include <functional>

class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace remote::report {

// The report window: the time range (the alarm history window's by default), the site and
// notes (kept for next time), and the PDF or the printer the report goes to.
class frmReport : public QDialog {
    Q_OBJECT

public:
    // Milliseconds since the epoch, UTC.
    using Clock = std::function<std::int64_t()>;

    frmReport(QString historyFile, QString settingsFile, std::int64_t fromMs, std::int64_t toMs,
              Clock clock = {}, QWidget* parent = nullptr);

    ReportRequest request() const;
    // Reads the history and writes the report; false with the reason in error. The site
    // and notes are kept either way.
    bool savePdf(const QString& file, QString& error);
    // Sends the report to the printer chosen with "Printer Set(&P)" (the system's default
    // when none was chosen); false with the reason when there is no printer.
    bool print(QString& error);

    QLineEdit* site() const { return txtSite; }
    QPlainTextEdit* notes() const { return txtNotes; }
    QPushButton* printButton() const { return cmdPrint; }
    QString statusText() const;

    static constexpr char kCaption[] = "Report";
    static constexpr char kNoPrinter[] = "Print (no printer installed)";

private:
    void keepTexts();
    bool read(ReportData& data, QString& error) const;
    void saveClicked();
    void printClicked();

    QString m_historyFile;
    QString m_settingsFile;
    Clock m_clock;
    ReportSettings m_settings;
    QDateTimeEdit* txtFrom = nullptr;
    QDateTimeEdit* txtTo = nullptr;
    QLineEdit* txtSite = nullptr;
    QPlainTextEdit* txtNotes = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdPrint = nullptr;
    QLabel* lblStatus = nullptr;
};

} // namespace remote::report
