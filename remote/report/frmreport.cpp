#include "remote/report/frmreport.h"

#include <QDateTime>
#include <QDateTimeEdit>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>

namespace remote::report {

frmReport::frmReport(QString historyFile, QString settingsFile, std::int64_t fromMs,
                     std::int64_t toMs, Clock clock, QWidget* parent)
    : QDialog(parent)
    , m_historyFile(std::move(historyFile))
    , m_settingsFile(std::move(settingsFile))
    , m_clock(clock ? std::move(clock) : Clock([] { return QDateTime::currentMSecsSinceEpoch(); }))
    , m_settings(loadReportSettings(m_settingsFile)) {
    setObjectName(QStringLiteral("frmReport"));
    setWindowTitle(QString::fromLatin1(kCaption));

    txtFrom = new QDateTimeEdit(QDateTime::fromMSecsSinceEpoch(fromMs), this);
    txtTo = new QDateTimeEdit(QDateTime::fromMSecsSinceEpoch(toMs), this);
    for (QDateTimeEdit* edit : {txtFrom, txtTo}) {
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        edit->setCalendarPopup(true);
    }
    txtSite = new QLineEdit(m_settings.site, this);
    txtSite->setMaxLength(static_cast<int>(kSiteLimit));
    txtNotes = new QPlainTextEdit(this);
    txtNotes->setPlainText(m_settings.notes);
    txtNotes->setTabChangesFocus(true);
    cmdSave = new QPushButton(QStringLiteral("Save PDF..."), this);
    cmdPrint = new QPushButton(QStringLiteral("Print..."), this);
    if (!printerInstalled()) {
        cmdPrint->setText(QString::fromLatin1(kNoPrinter));
        cmdPrint->setEnabled(false);
    }
    auto* cmdClose = new QPushButton(QStringLiteral("Close"), this);
    lblStatus = new QLabel(this);
    lblStatus->setTextFormat(Qt::PlainText); // file names and the engine's texts

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("From:"), txtFrom);
    form->addRow(QStringLiteral("To:"), txtTo);
    form->addRow(QStringLiteral("Site:"), txtSite);
    form->addRow(QStringLiteral("Notes:"), txtNotes);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmdPrint);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(lblStatus);
    layout->addLayout(buttons);

    connect(cmdSave, &QPushButton::clicked, this, &frmReport::saveClicked);
    connect(cmdPrint, &QPushButton::clicked, this, &frmReport::printClicked);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
}

ReportRequest frmReport::request() const {
    ReportRequest r;
    r.fromMs = txtFrom->dateTime().toMSecsSinceEpoch();
    r.toMs = txtTo->dateTime().toMSecsSinceEpoch();
    r.site = txtSite->text();
    r.notes = txtNotes->toPlainText().left(kNotesLimit);
    return r;
}

QString frmReport::statusText() const {
    return lblStatus->text();
}

void frmReport::keepTexts() {
    const ReportRequest r = request();
    if (r.site == m_settings.site && r.notes == m_settings.notes) {
        return;
    }
    // The printer choice may have changed since this window opened: only the texts change.
    ReportSettings stored = loadReportSettings(m_settingsFile);
    stored.site = r.site;
    stored.notes = r.notes;
    if (saveReportSettings(m_settingsFile, stored)) {
        m_settings = stored;
    }
}

bool frmReport::read(ReportData& data, QString& error) const {
    const ReportRequest r = request();
    if (r.fromMs > r.toMs) {
        error = QStringLiteral("the range ends before it begins");
        return false;
    }
    try {
        data = readReport(m_historyFile.toStdString(), r, m_clock());
    } catch (const history::HistoryError& e) {
        error = QString::fromStdString(e.what());
        return false;
    }
    return true;
}

bool frmReport::savePdf(const QString& file, QString& error) {
    keepTexts();
    ReportData data;
    if (!read(data, error)) {
        return false;
    }
    return writeReportPdf(file, data, loadReportSettings(m_settingsFile).page, error);
}

bool frmReport::print(QString& error) {
    keepTexts();
    if (!printerInstalled()) {
        error = QStringLiteral("no printer is installed");
        return false;
    }
    ReportData data;
    if (!read(data, error)) {
        return false;
    }
    QPrinter printer(QPrinter::HighResolution);
    applyPrinterChoice(printer, loadReportSettings(m_settingsFile));
    printer.setDocName(QString::fromLatin1(kTitle));
    return printReport(printer, data, error);
}

void frmReport::saveClicked() {
    const QString file = QFileDialog::getSaveFileName(
        this, QStringLiteral("Save report"),
        QStringLiteral("sweep-report-%1.pdf")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmm"))),
        QStringLiteral("PDF files (*.pdf)"));
    if (file.isEmpty()) {
        return;
    }
    QString error;
    lblStatus->setText(savePdf(file, error) ? QStringLiteral("Report saved to %1").arg(file)
                                            : QStringLiteral("Report not saved: %1").arg(error));
}

void frmReport::printClicked() {
    QString error;
    lblStatus->setText(print(error) ? QStringLiteral("Report sent to the printer")
                                    : QStringLiteral("Report not printed: %1").arg(error));
}

} // namespace remote::report
