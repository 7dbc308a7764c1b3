#include "frmmain.h"

#include "modcontrol.h"
#include "remote/controls/instruments/instrumentlamp.h"
#include "remote/dialogs/frmsplash.h"
#include "remote/dialogs/messagesink.h"
#include "remote/dialogs/screenplacement.h"
#include "remote/serial/serialconstants.h"
#include "remote/store/storeerror.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <vector>

frmMain::frmMain(modControl& control, QWidget* parent)
    : QMainWindow(parent)
    , m_control(control)
    , m_messages(control.messages())
    , m_link(m_records.view(), m_records.port()) {
    setWindowTitle(QString::fromLatin1(kCaption));
    resize(800, 600);
    buildMenu();
    buildToolbar();
    buildCentre();

    m_connection = new QLabel(this);
    statusBar()->addWidget(m_connection, 1);
    connect(&MSComm1, &remote::serial::SerialComm::connectionChanged, this,
            &frmMain::showConnection);
    connect(&MSComm1, &remote::serial::SerialComm::deviceLost, this, &frmMain::warnDeviceLost);
    connect(&MSComm1, &remote::serial::SerialComm::OnComm, this, &frmMain::MSComm1_OnComm);
    showConnection();
    m_records.install(*this, m_control.folders().perUser,
                      [this](std::span<const std::uint8_t> bytes) { m_link.OnReceive(bytes); });

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
    auto* centre = new QWidget(this);
    auto* layout = new QVBoxLayout(centre);
    Label1 = new QLabel(QString::fromLatin1(kCaption), centre);
    QFont titleFont = Label1->font();
    titleFont.setPointSize(18);
    titleFont.setBold(true);
    Label1->setFont(titleFont);
    Label1->setAlignment(Qt::AlignCenter);
    layout->addWidget(Label1);

    auto* lamps = new QHBoxLayout;
    CWButton1 = new InstrumentLamp(centre);
    CWButton2 = new InstrumentLamp(centre);
    lamps->addWidget(CWButton1);
    lamps->addWidget(new QLabel(QStringLiteral("TXD"), centre));
    lamps->addSpacing(16);
    lamps->addWidget(CWButton2);
    lamps->addWidget(new QLabel(QStringLiteral("RXD"), centre));
    lamps->addStretch(1);
    layout->addLayout(lamps);
    // The monitor panels go below the lamps.
    layout->addStretch(1);
    setCentralWidget(centre);
}

void frmMain::Form_Load() {
    frmSplash* splash = m_control.splash();
    if (splash) {
        splash->tim_exit.stop();
        splash->timLoad.stop();
    }
    remote::centreOnScreen(*this);

    try {
        if (const auto stored = m_control.settings()->ReadSettings()) {
            m_control.CommPortNumber = stored->CommPortNumber;
            // BANDRATE is read with it but not applied: the port keeps its built-in speed.
        }
    } catch (const remote::store::StoreError& e) {
        // The port number stays 0, so the port warning follows; the program runs on.
        m_messages.warning(QString::fromStdString(e.what()), QString());
    }
    OpenPort();

    splash = m_control.splash();
    if (splash) {
        splash->timLoad.stop();
        splash->Unload();
    }
}

void frmMain::OpenPort() {
    MSComm1.setPortOpened(false);
    if (!MSComm1.setCommPort(m_control.CommPortNumber) || !MSComm1.setPortOpen(true)) {
        m_messages.warning(MSComm1.errorText(), QString());
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
    m_messages.warning(description + QStringLiteral("\n\nCom%1 (%2) has been closed. Sending "
                                                    "resumes when the device is back.")
                                         .arg(MSComm1.CommPort())
                                         .arg(MSComm1.devicePath()),
                       QString());
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

// The port settings and access-code dialogs are built with the monitor panels; until then
// their menu entries and buttons open nothing.
void frmMain::ShowConfig() {}
void frmMain::ShowSecurity() {}

void frmMain::ShowPrinterSetup() {
    QPrinter printer;
    QPageSetupDialog dialog(&printer, this);
    dialog.exec();
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
    if (MSComm1.PortOpen()) {
        MSComm1.setPortOpen(false);
    }
    m_exitConfirmed = true;
    Timer1.stop();
    event->accept();
    emit programEnded();
}

// ---- Link events ----

void frmMain::Timer1_Timer() {
    m_link.Timer1_Timer();
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
    m_link.OnReceive(bytes);
}

// ---- What the link shows ----
// Only the traffic lamps exist so far; the other displays arrive with the monitor panels,
// and until then their updates have nowhere to go.

void frmMain::setScreenCaption(int, const std::string&) {}
void frmMain::setScreenOpaque(int, bool) {}
void frmMain::setHexCopy(const std::string&) {}
void frmMain::setScanMarkVisible(bool) {}

void frmMain::setLampValue(Lamp lamp, bool lit) {
    (lamp == Lamp::TXD ? CWButton1 : CWButton2)->setValue(lit);
}

void frmMain::setEventLabelColor(int, std::uint32_t) {}
void frmMain::setDisplayCaption(Display, int, const std::string&) {}
void frmMain::setSwitchValue(int, bool) {}
bool frmMain::switchValue(int) const {
    return false;
}
void frmMain::setSwitchBackColor(int, std::uint32_t) {}
std::string frmMain::inputText(Input, int) const {
    return {};
}

void frmMain::refuseSave(const std::string& message) {
    // Shown after the tick has returned, so the box's own event loop never runs inside it.
    QMetaObject::invokeMethod(
        this,
        [this, text = QString::fromStdString(message)] { m_messages.warning(text, QString()); },
        Qt::QueuedConnection);
}
