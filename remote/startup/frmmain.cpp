#include "frmmain.h"

#include "common/olecolor.h"
#include "remote/controls/instruments/instrumentlamp.h"
#include "remote/controls/instruments/instrumentswitch.h"
#include "remote/controls/instruments/scanmark.h"
#include "remote/controls/screen/hexcopy.h"
#include "remote/controls/screen/screenline.h"
#include "remote/dialogs/frmconfig.h"
#include "remote/dialogs/frmsecurity.h"
#include "remote/dialogs/messagesink.h"
#include "remote/dialogs/screenplacement.h"
#include "remote/report/reportsettings.h"
#include "remote/serial/devicepath.h"
#include "remote/serial/portwarning.h"
#include "remote/serial/serialconstants.h"
#include "remote/store/settingsstore.h"
#include "remote/store/storeerror.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <utility>
#include <vector>

namespace remote::startup {

using remote::controls::ScreenLine;
using remote::dialogs::frmConfig;
using remote::dialogs::frmSecurity;
using remote::dialogs::MessageSink;

frmMain::frmMain(StationContext& context, QWidget* parent)
    : QMainWindow(parent)
    , m_context(context)
    , m_messages(context.messages())
    , m_link(m_records.view(), m_records.port()) {
    setObjectName(QStringLiteral("frmMain")); // the name outside tools find it by
    setWindowTitle(QString::fromLatin1(kCaption));
    buildMenu();
    buildToolbar();
    buildCentre();
    resize(sizeHint()); // the panels' own size, so the load can centre the window as it is

    m_connection = new QLabel(this);
    m_connection->setTextFormat(Qt::PlainText); // device names and the system's texts
    statusBar()->addWidget(m_connection, 1);
    connect(&MSComm1, &remote::serial::SerialComm::connectionChanged, this,
            &frmMain::showConnection);
    connect(&MSComm1, &remote::serial::SerialComm::deviceLost, this, &frmMain::warnDeviceLost);
    connect(&MSComm1, &remote::serial::SerialComm::OnComm, this, &frmMain::MSComm1_OnComm);
    showConnection();
    m_records.install(*this, m_context.folders().perUser,
                      [this](std::span<const std::uint8_t> bytes) { receive(bytes); });
    // Each alarm keeps the line noise that came just before it.
    m_records.watch().setNoiseSource([this] { return m_link.DroppedBytesRecently(); });

    // Ticks begin as soon as the window exists; sending waits for the operator.
    Timer1.setInterval(kTimer1Interval);
    connect(&Timer1, &QTimer::timeout, this, &frmMain::Timer1_Timer);
    Timer1.start();
}

frmMain::~frmMain() {
    Timer1.stop();
}

void frmMain::buildMenu() {
    QMenu* mnuFile = menuBar()->addMenu(QStringLiteral("File(&F)"));
    mnuFile_Back =
        mnuFile->addAction(QStringLiteral("PASSWORD..."), this, &frmMain::mnuFile_Back_Click);
    mnuFile_Config =
        mnuFile->addAction(QStringLiteral("Port Set(&C)"), this, &frmMain::mnuFile_Config_Click);
    mnuFile_Printer = mnuFile->addAction(QStringLiteral("Printer Set(&P)"), this,
                                         &frmMain::mnuFile_Printer_Click);
    mnuFile->addSeparator();
    mnuFile_Exit = mnuFile->addAction(QStringLiteral("Exit"), this, &frmMain::mnuFile_Exit_Click);
    QMenu* mnuHelp = menuBar()->addMenu(QStringLiteral("Help(&H)"));
    mnuHelp_Help = mnuHelp->addAction(QStringLiteral("Help"), this, &frmMain::mnuHelp_Help_Click);
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    const std::pair<QAction*, const char*> names[] = {{mnuFile_Back, "mnuFile_Back"},
                                                      {mnuFile_Config, "mnuFile_Config"},
                                                      {mnuFile_Printer, "mnuFile_Printer"},
                                                      {mnuFile_Exit, "mnuFile_Exit"},
                                                      {mnuHelp_Help, "mnuHelp_Help"}};
    for (const auto& [action, name] : names) {
        action->setObjectName(QString::fromLatin1(name));
    }
}

void frmMain::buildToolbar() {
    struct Button {
        int index;
        QStyle::StandardPixmap icon;
        const char* tip;
    };
    const Button buttons[] = {{0, QStyle::SP_DriveNetIcon, "Port Set"},
                              {1, QStyle::SP_DialogApplyButton, "PASSWORD..."},
                              {5, QStyle::SP_DialogCloseButton, "Exit"}};
    QToolBar* bar = addToolBar(QStringLiteral("ssrToolbar"));
    bar->setMovable(false);
    for (const Button& b : buttons) {
        auto* button = new QToolButton(bar);
        button->setCheckable(true);
        button->setIcon(style()->standardIcon(b.icon));
        button->setToolTip(QString::fromLatin1(b.tip));
        button->setObjectName(QStringLiteral("ssrToolbar%1").arg(b.index));
        bar->addWidget(button);
        connect(button, &QToolButton::toggled, this,
                [this, index = b.index](bool value) { ssrToolbar_Click(index, value); });
        ssrToolbar[b.index] = button;
    }
}

void frmMain::buildCentre() {
    setCentralWidget(ui.build(this));
    Label1 = ui.Label1;
    CWButton1 = ui.CWButton1;
    CWButton2 = ui.CWButton2;
    connectOperatorControls();
}

// Every operator control only leaves a request with the core; the next tick acts on it.
void frmMain::connectOperatorControls() {
    using remote::link::MonitorLink;
    for (const auto& [index, key] : ui.Button) {
        connect(key, &QPushButton::pressed, this,
                [this, i = index] { m_link.Button_ValueChanged(i, true); });
        connect(key, &QPushButton::released, this,
                [this, i = index] { m_link.Button_ValueChanged(i, false); });
    }
    for (const auto& [index, arrow] : ui.Button2) {
        connect(arrow, &QPushButton::clicked, this, [this, i = index] { m_link.Button2_Click(i); });
    }
    connect(ui.LOOPSW, &remote::controls::InstrumentSwitch::valueChanged, this,
            [this](bool on) { m_link.LOOPSW_ValueChanged(on); });
    for (int i = 0; i < static_cast<int>(ui.KEYSW.size()); ++i) {
        connect(ui.KEYSW[static_cast<std::size_t>(i)], &QAbstractButton::clicked, this,
                [this, i] { m_link.KEYSW_Click(i); });
    }
    for (int i = 0; i < static_cast<int>(ui.FREQSAVE.size()); ++i) {
        QPushButton* save = ui.FREQSAVE[static_cast<std::size_t>(i)];
        // A replay feeds recorded bytes with the port closed: a save taken then would go out
        // when the port reopens, long after the operator saw why.
        connect(save, &QPushButton::pressed, this, [this, i] {
            if (!m_records.replaying()) {
                m_link.FREQSAVE_ValueChanged(i, true);
            }
        });
        connect(save, &QPushButton::released, this,
                [this, i] { m_link.FREQSAVE_ValueChanged(i, false); });
    }
    connect(&m_records, &StationRecords::replayChanged, this, &frmMain::lockSavesForReplay);
}

void frmMain::lockSavesForReplay(bool replaying) {
    if (replaying) {
        m_savesEnabledBeforeReplay.clear();
        for (QPushButton* save : ui.FREQSAVE) {
            m_savesEnabledBeforeReplay.push_back(save->isEnabled());
            save->setEnabled(false);
        }
        return;
    }
    for (std::size_t i = 0; i < ui.FREQSAVE.size() && i < m_savesEnabledBeforeReplay.size(); ++i) {
        ui.FREQSAVE[i]->setEnabled(m_savesEnabledBeforeReplay[i]);
    }
    m_savesEnabledBeforeReplay.clear();
}

void frmMain::Form_Load() {
    emit loadStarted();
    remote::dialogs::centreOnScreen(*this);

    // Without a settings file the port number stays as it is, so the port warning follows.
    if (remote::store::SettingsStore* store = m_context.settings()) {
        try {
            if (const auto stored = store->ReadSettings()) {
                m_context.CommPortNumber = stored->CommPortNumber;
                // BANDRATE is read with it but not applied: the port keeps its built-in speed.
            }
        } catch (const remote::store::StoreError& e) {
            // The port number stays 0, so the port warning follows; the program runs on.
            m_messages.warning(QStringLiteral("%1: the settings could not be read. (%2)")
                                   .arg(QString::fromStdString(store->file().string()),
                                        QString::fromStdString(e.what())),
                               QString());
        }
    }
    OpenPort();
    emit loadFinished();
}

void frmMain::OpenPort() {
    MSComm1.setPortOpened(false);
    const int number = m_context.CommPortNumber;
    if (!MSComm1.setCommPort(number) || !MSComm1.setPortOpen(true)) {
        warnSerial(remote::serial::portWarningText(remote::serial::PortProblem::NotOpened, number,
                                                   remote::serial::devicePathFor(number),
                                                   MSComm1.errorText()));
        return;
    }
    MSComm1.setPortOpened(true);
}

QString frmMain::connectionStatus() const {
    return m_connection->text();
}

void frmMain::showConnection() {
    m_connection->setText(MSComm1.connectionText());
}

void frmMain::warnDeviceLost(const QString& description) {
    warnSerial(remote::serial::portWarningText(remote::serial::PortProblem::Disconnected,
                                               MSComm1.CommPort(), MSComm1.devicePath(),
                                               description) +
               QStringLiteral("\n\nThe port has been closed. Sending resumes when the device is "
                              "back."));
}

// The box runs an event loop of its own, in which a flapping cable drops and returns again
// and again: those later outages show in the status bar only, never as boxes stacked on the
// one that is up.
void frmMain::warnSerial(const QString& text) {
    if (m_serialWarningShown) {
        return;
    }
    const QScopedValueRollback shown(m_serialWarningShown, true);
    m_messages.warning(text, QString());
}

// ---- Menu and toolbar ----

void frmMain::mnuFile_Back_Click() {
    ShowSecurity();
}
void frmMain::mnuFile_Config_Click() {
    ShowConfig();
}
void frmMain::mnuFile_Printer_Click() {
    ShowPrinterSetup();
}
void frmMain::mnuFile_Exit_Click() {
    close();
}
void frmMain::mnuHelp_Help_Click() {}

void frmMain::ssrToolbar_Click(int index, bool value) {
    if (!value) {
        return; // the button going back up
    }
    switch (index) {
    case 0:
        ShowConfig();
        break;
    case 1:
        ShowSecurity();
        break;
    case 5:
        close();
        break;
    default:
        break;
    }
    if (const auto button = ssrToolbar.find(index); button != ssrToolbar.end()) {
        button->second->setChecked(false);
    }
}

void frmMain::ShowConfig() {
    frmConfig dialog(MSComm1, m_context.settings(), {m_context.CommPortNumber, m_context.EchoOn},
                     m_messages, this);
    dialog.exec();
    showConnection();
}

void frmMain::ShowSecurity() {
    QList<QPointer<QWidget>> saves;
    for (QPushButton* save : ui.FREQSAVE) {
        saves.append(save);
    }
    frmSecurity dialog(m_messages, saves, this);
    dialog.exec();
}

void frmMain::ShowPrinterSetup() {
    // The choice is kept for the sweep report, which prints and lays out its pages with it.
    const QString file =
        m_context.folders().perUser + u'/' + QLatin1String(remote::report::kReportSettingsFileName);
    remote::report::ReportSettings settings = remote::report::loadReportSettings(file);
    QPrinter printer;
    remote::report::applyPrinterChoice(printer, settings);
    QPageSetupDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted) {
        remote::report::takePrinterChoice(printer, settings);
        remote::report::saveReportSettings(file, settings);
    }
}

// ---- Exit ----

void frmMain::closeEvent(QCloseEvent* event) {
    if (m_exitConfirmed) {
        event->accept();
        return;
    }
    if (m_messages.question(QString::fromUtf8(kExitQuestion), QString::fromUtf8(kExitTitle)) !=
        MessageSink::Answer::Yes) {
        event->ignore();
        return;
    }
    event->accept();
    EndWithoutAsking();
}

void frmMain::EndWithoutAsking() {
    if (m_exitConfirmed) {
        return;
    }
    if (MSComm1.PortOpen()) {
        MSComm1.setPortOpen(false);
    }
    m_exitConfirmed = true;
    Timer1.stop();
    emit programEnded();
}

// ---- Link events ----

void frmMain::Timer1_Timer() {
    m_link.Timer1_Timer();
    showScreenStyles();
    m_records.tickDone();
}

void frmMain::MSComm1_OnComm() {
    if (MSComm1.CommEvent() != remote::serial::comEvReceive) {
        return;
    }
    // One read of what is waiting: a port that counts bytes it cannot yield ends the
    // handler all the same.
    const auto bytes = MSComm1.InputAll();
    m_records.received(bytes);
    receive(bytes);
}

void frmMain::receive(std::span<const std::uint8_t> bytes) {
    m_link.OnReceive(bytes);
    showScreenStyles();
}

// ---- What the link shows ----

namespace {

// Device text is one byte per character, Latin-1. Control characters (the frame's closing
// 13 among them) would break a label's line, so they show as blanks.
QString deviceText(const std::string& bytes) {
    QString text = QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    for (QChar& c : text) {
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() < 0xA0)) {
            c = QLatin1Char(' ');
        }
    }
    return text;
}

template <typename T, std::size_t N>
T* at(const std::array<T*, N>& labels, int index) {
    return index >= 0 && index < static_cast<int>(N) ? labels[static_cast<std::size_t>(index)]
                                                     : nullptr;
}

} // namespace

void frmMain::setScreenCaption(int line, const std::string& caption) {
    if (ScreenLine* label = at(ui.BSCREEN, line)) {
        MonitorPanels::setCaption(label, deviceText(caption));
    }
}

void frmMain::setScreenOpaque(int line, bool opaque) {
    // A frame clears the highlighted line's style before its marker sets it again: only the
    // style a line has once the frame is decoded is shown (showScreenStyles).
    if (line >= 0 && line < static_cast<int>(m_screenOpaque.size())) {
        m_screenOpaque[static_cast<std::size_t>(line)] = opaque;
        m_screenStylesDue = true;
    }
}

void frmMain::showScreenStyles() {
    if (!std::exchange(m_screenStylesDue, false)) {
        return;
    }
    for (std::size_t line = 0; line < m_screenOpaque.size(); ++line) {
        ScreenLine* label = ui.BSCREEN[line];
        const bool opaque = m_screenOpaque[line];
        // Repainting a line whose style did not change is wasted work.
        if (label->autoFillBackground() != opaque || !m_screenStyled[line]) {
            m_screenStyled[line] = true;
            label->setAutoFillBackground(opaque);
            label->setProperty("BackStyle", opaque ? 1 : 0);
        }
    }
}

void frmMain::setHexCopy(const std::string& text) {
    ui.Text1->setPlainText(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

void frmMain::setScanMarkVisible(bool visible) {
    ui.SCANMARK->setVisible(visible);
}

void frmMain::setLampValue(Lamp lamp, bool lit) {
    (lamp == Lamp::TXD ? CWButton1 : CWButton2)->setValue(lit);
}

void frmMain::setEventLabelColor(int channel, std::uint32_t colour) {
    if (QLabel* label = at(ui.EVENTL, channel)) {
        // The fade restates the idle colour of every label on every tick.
        const QColor wanted = common::toQColor(colour);
        if (label->palette().color(QPalette::WindowText) == wanted) {
            return;
        }
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, wanted);
        label->setPalette(palette);
    }
}

void frmMain::setDisplayCaption(Display display, int index, const std::string& caption) {
    if (QLabel* label = ui.displayLabel(display, index)) {
        MonitorPanels::setCaption(label, deviceText(caption));
    }
}

void frmMain::setSwitchValue(int index, bool on) {
    if (index >= 0 && index < static_cast<int>(ui.KEYSW.size())) {
        ui.KEYSW[static_cast<std::size_t>(index)]->setValue(on);
    }
}

bool frmMain::switchValue(int index) const {
    return index >= 0 && index < static_cast<int>(ui.KEYSW.size()) &&
           ui.KEYSW[static_cast<std::size_t>(index)]->value();
}

void frmMain::setSwitchBackColor(int index, std::uint32_t colour) {
    if (index >= 0 && index < static_cast<int>(ui.KEYSW.size())) {
        ui.KEYSW[static_cast<std::size_t>(index)]->setBackColor(common::toQColor(colour));
    }
}

std::string frmMain::inputText(Input field, int index) const {
    const QLineEdit* edit = ui.inputField(field, index);
    return edit ? edit->text().toStdString() : std::string();
}

void frmMain::refuseSave(const std::string& message) {
    // Shown after the tick has returned, so the box's own event loop never runs inside it;
    // ticks and received bytes go on underneath it.
    QMetaObject::invokeMethod(
        this, [this, text = QString::fromStdString(message)] { showRefusal(text); },
        Qt::QueuedConnection);
}

// One refusal box at a time: a refusal raised while one is up waits for it and then shows
// the latest text, so repeated saves cannot stack boxes.
void frmMain::showRefusal(const QString& text) {
    if (m_refusalShown) {
        m_nextRefusal = text;
        return;
    }
    m_refusalShown = true;
    QString current = text;
    while (!current.isEmpty()) {
        m_messages.warning(current, QString());
        current = std::exchange(m_nextRefusal, QString());
    }
    m_refusalShown = false;
}

} // namespace remote::startup
