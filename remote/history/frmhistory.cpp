#include "remote/history/frmhistory.h"

#include "remote/history/csvexport.h"
#include "remote/history/historylog.h"

#include <QComboBox>
#include <QDateTime>
#include <QDateTimeEdit>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QTableView>
#include <QVBoxLayout>

#include <sstream>

namespace remote::history {

frmHistory::frmHistory(HistoryLog& log, Clock clock, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_log(log)
    , m_clock(clock ? std::move(clock)
                    : Clock([] { return QDateTime::currentMSecsSinceEpoch(); })) {
    // Automation finds the window by this name, whatever namespace its class is in.
    setObjectName(QStringLiteral("frmHistory"));
    setWindowTitle(QString::fromLatin1(kCaption));
    resize(760, 560);

    cboChannel = new QComboBox(this);
    cboChannel->addItem(QStringLiteral("All channels"), -1);
    for (int c = 0; c < kChannelCount; ++c) {
        cboChannel->addItem(
            QString::number(c) + QStringLiteral("  ") +
                QString::fromLatin1(
                    link::protocol::AlarmChannelLabels[static_cast<std::size_t>(c)]),
            c);
    }
    cboRange = new QComboBox(this);
    cboRange->addItem(QStringLiteral("Last hour"), LastHour);
    cboRange->addItem(QStringLiteral("Last day"), LastDay);
    cboRange->addItem(QStringLiteral("Custom"), Custom);
    cboRange->setCurrentIndex(LastDay);
    txtFrom = new QDateTimeEdit(this);
    txtTo = new QDateTimeEdit(this);
    for (QDateTimeEdit* edit : {txtFrom, txtTo}) {
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        edit->setCalendarPopup(true);
        edit->setEnabled(false);
    }
    cmdExport = new QPushButton(QStringLiteral("Export CSV..."), this);
    cmdReport = new QPushButton(QStringLiteral("Report..."), this);
    // Shows the engine's texts and file names: never read as markup.
    lblStatus = new QLabel(this);
    lblStatus->setTextFormat(Qt::PlainText);
    const auto caption = [this](const char* text) {
        auto* label = new QLabel(QString::fromLatin1(text), this);
        label->setTextFormat(Qt::PlainText);
        return label;
    };

    auto* filters = new QHBoxLayout;
    filters->addWidget(caption("Channel:"));
    filters->addWidget(cboChannel);
    filters->addWidget(caption("Range:"));
    filters->addWidget(cboRange);
    filters->addWidget(txtFrom);
    filters->addWidget(caption("to"));
    filters->addWidget(txtTo);
    filters->addStretch(1);
    filters->addWidget(cmdExport);
    filters->addWidget(cmdReport);

    m_timeline = new TimelineView(this);
    m_table = new QTableView(this);
    m_table->setModel(&m_model);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(HistoryModel::Time, Qt::AscendingOrder);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->verticalHeader()->hide();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(m_timeline);
    layout->addWidget(m_table, 1);
    layout->addWidget(lblStatus);

    connect(cboChannel, &QComboBox::currentIndexChanged, this, &frmHistory::refresh);
    connect(cboRange, &QComboBox::currentIndexChanged, this, [this] {
        const bool custom = cboRange->currentData().toInt() == Custom;
        txtFrom->setEnabled(custom);
        txtTo->setEnabled(custom);
        refresh();
    });
    connect(txtFrom, &QDateTimeEdit::dateTimeChanged, this, [this] {
        if (cboRange->currentData().toInt() == Custom) {
            refresh();
        }
    });
    connect(txtTo, &QDateTimeEdit::dateTimeChanged, this, [this] {
        if (cboRange->currentData().toInt() == Custom) {
            refresh();
        }
    });
    connect(cmdExport, &QPushButton::clicked, this, &frmHistory::exportClicked);
    connect(cmdReport, &QPushButton::clicked, this,
            [this] { emit reportRequested(m_fromMs, m_toMs); });
    connect(&m_log, &HistoryLog::alarmStored, this, &frmHistory::alarmStored);
    connect(&m_log, &HistoryLog::statusChanged, this, &frmHistory::showStatus);
    refresh();
}

void frmHistory::setRange(Range range) {
    cboRange->setCurrentIndex(range);
    refresh();
}

void frmHistory::setCustomRange(std::int64_t fromMs, std::int64_t toMs) {
    const QSignalBlocker b1(txtFrom);
    const QSignalBlocker b2(txtTo);
    txtFrom->setDateTime(QDateTime::fromMSecsSinceEpoch(fromMs));
    txtTo->setDateTime(QDateTime::fromMSecsSinceEpoch(toMs));
    setRange(Custom);
}

void frmHistory::setChannel(int channel) {
    cboChannel->setCurrentIndex(channel < 0 || channel >= kChannelCount ? 0 : channel + 1);
}

void frmHistory::refresh() {
    const std::int64_t now = m_clock();
    switch (cboRange->currentData().toInt()) {
    case LastHour:
        m_fromMs = now - 3'600'000;
        m_toMs = now;
        break;
    case LastDay:
        m_fromMs = now - 86'400'000;
        m_toMs = now;
        break;
    default:
        m_fromMs = txtFrom->dateTime().toMSecsSinceEpoch();
        m_toMs = txtTo->dateTime().toMSecsSinceEpoch();
        break;
    }
    if (cboRange->currentData().toInt() != Custom) {
        // A switch to the custom range starts from the range shown last.
        const QSignalBlocker b1(txtFrom);
        const QSignalBlocker b2(txtTo);
        txtFrom->setDateTime(QDateTime::fromMSecsSinceEpoch(m_fromMs));
        txtTo->setDateTime(QDateTime::fromMSecsSinceEpoch(m_toMs));
    }
    HistoryFilter filter;
    filter.from = m_fromMs;
    // The live ranges stay open at the end so alarms after opening the window are shown.
    if (cboRange->currentData().toInt() == Custom) {
        filter.to = m_toMs + 1;
    }
    const int channel = cboChannel->currentData().toInt();
    filter.channelMask = channel < 0 ? (1u << kChannelCount) - 1 : 1u << channel;
    m_model.setFilter(filter);
    m_model.reload(m_log.store());
    showStatus();
    updateTimeline();
}

void frmHistory::alarmStored(const AlarmRecord& alarm) {
    const int before = m_model.rowCount();
    m_model.add(alarm);
    if (m_model.rowCount() == before) {
        return;
    }
    // A live range slides to keep the newest alarm in view.
    if (cboRange->currentData().toInt() != Custom && alarm.utcMs > m_toMs) {
        m_fromMs += alarm.utcMs - m_toMs;
        m_toMs = alarm.utcMs;
    }
    showStatus();
    updateTimeline();
}

void frmHistory::showStatus() {
    if (!m_model.error().isEmpty()) {
        lblStatus->setText(
            QStringLiteral("Cannot read the alarm history: %1").arg(m_model.error()));
    } else if (!m_log.store() && !m_log.problem().isEmpty()) {
        lblStatus->setText(m_log.problem());
    } else if (!m_log.problem().isEmpty()) {
        lblStatus->setText(
            QStringLiteral("%1 alarms; %2").arg(m_model.rowCount()).arg(m_log.problem()));
    } else {
        lblStatus->setText(QStringLiteral("%1 alarms").arg(m_model.rowCount()));
    }
}

void frmHistory::updateTimeline() {
    timeline::State state;
    state.fromMs = m_fromMs;
    state.toMs = m_toMs;
    std::vector<int> offsets;
    state.marks.reserve(m_model.rows().size());
    offsets.reserve(m_model.rows().size());
    for (const AlarmRecord& r : m_model.rows()) {
        state.marks.push_back({r.utcMs, r.channel});
        offsets.push_back(r.utcOffsetSeconds);
    }
    m_timeline->setState(std::move(state), std::move(offsets));
}

bool frmHistory::exportCsv(const QString& file, QString& error) const {
    std::ostringstream text;
    CsvWriter csv(text);
    for (const AlarmRecord& r : m_model.rows()) {
        csv.write(r);
    }
    QSaveFile out(file);
    const std::string bytes = text.str();
    if (!out.open(QIODevice::WriteOnly) ||
        out.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
            static_cast<qint64>(bytes.size()) ||
        !out.commit()) {
        error = out.errorString();
        return false;
    }
    return true;
}

void frmHistory::exportClicked() {
    const QString file = QFileDialog::getSaveFileName(this, QStringLiteral("Export alarm history"),
                                                      QStringLiteral("alarm-history.csv"),
                                                      QStringLiteral("CSV files (*.csv)"));
    if (file.isEmpty()) {
        return;
    }
    QString error;
    lblStatus->setText(
        exportCsv(file, error)
            ? QStringLiteral("%1 alarms exported to %2").arg(m_model.rowCount()).arg(file)
            : QStringLiteral("Export failed: %1").arg(error));
}

QString frmHistory::statusText() const {
    return lblStatus->text();
}

} // namespace remote::history
