#include "frmconfig.h"

#include "messagesink.h"
#include "remote/serial/devicepath.h"
#include "remote/serial/portbindings.h"
#include "remote/serial/serialcomm.h"
#include "remote/serial/serialconstants.h"
#include "remote/store/settingsstore.h"
#include "remote/store/storeerror.h"
#include "screenplacement.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTextDocument>
#include <QVBoxLayout>

namespace remote::dialogs {

namespace {

constexpr QRgb kBack = 0xFFD9D9CA; // the dialogs' back colour 0x00CAD9D9

const char* const kSpeeds[] = {"110",   "300",    "600",    "1200",  "2400",  "4800",
                               "9600",  "14400",  "19200",  "28800", "38400", "56000",
                               "57600", "115200", "128000", "256000"};
const char* const kDataBits[] = {"4", "5", "6", "7", "8"};
const char* const kParities[] = {"Even", "Odd", "None", "Mark", "Space"};
const char* const kStopBits[] = {"1", "1.5", "2"};
const char* const kFlows[] = {"없음", "Xon/Xoff", "RTS", "Xon/RTS"};

template <typename W>
W* named(W* widget, const QString& name) {
    widget->setObjectName(name);
    widget->setAccessibleDescription(name);
    return widget;
}

QComboBox* list(const QString& name, bool editable, QWidget* parent) {
    auto* box = named(new QComboBox(parent), name);
    box->setEditable(editable);
    box->setInsertPolicy(QComboBox::NoInsert);
    return box;
}

QLabel* caption(const QString& text, QWidget* parent, const QString& name) {
    auto* label = named(new QLabel(parent), name);
    // Device names and the adapters' own descriptions show as they are.
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setAccessibleName(text);
    return label;
}

// The characters of s from position `from` (counting from 0), at most n, and nothing for
// positions outside s: the opening step cuts the settings text by fixed offsets, and a
// text of an unexpected shape must not read outside it.
QString cut(const QString& s, qsizetype from, qsizetype n) {
    if (from < 0 || n <= 0 || from >= s.size()) {
        return {};
    }
    return s.mid(from, n);
}

} // namespace

frmConfig::frmConfig(remote::serial::SerialComm& port, remote::store::SettingsStore* store,
                     ProgramValues values, MessageSink& messages, QWidget* parent)
    : QDialog(parent)
    , MSComm1(port)
    , m_store(store)
    , m_values(values)
    , m_messages(messages) {
    setObjectName(QStringLiteral("frmConfig"));
    setWindowTitle(QString::fromUtf8(kCaption));
    QPalette back = palette();
    back.setColor(QPalette::Window, QColor::fromRgb(kBack));
    setPalette(back);
    setAutoFillBackground(true);

    auto* outer = new QVBoxLayout(this);
    auto* pnlDetail = named(new QFrame(this), QStringLiteral("pnlDetail"));
    pnlDetail->setFrameShape(QFrame::StyledPanel);
    outer->addWidget(pnlDetail);
    auto* detail = new QVBoxLayout(pnlDetail);

    auto* portRow = new QGridLayout;
    cboPort = list(QStringLiteral("cboPort"), false, pnlDetail);
    cboPort->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cboPort->setMinimumContentsLength(28);
    cboDevice = list(QStringLiteral("cboDevice"), false, pnlDetail);
    cboDevice->setAccessibleName(QStringLiteral("Device"));
    lblPortDevice = caption(QString(), pnlDetail, QStringLiteral("lblPortDevice"));
    lblPortDevice->setWordWrap(true);
    portRow->addWidget(caption(QStringLiteral("포트:"), pnlDetail, QStringLiteral("Label1")), 0, 0);
    portRow->addWidget(cboPort, 0, 1);
    portRow->addWidget(caption(QStringLiteral("Device:"), pnlDetail, QStringLiteral("lblDevice")),
                       1, 0);
    portRow->addWidget(cboDevice, 1, 1);
    portRow->addWidget(lblPortDevice, 2, 0, 1, 2);
    portRow->setColumnStretch(1, 1);
    detail->addLayout(portRow);

    auto* fraConnection = named(new QGroupBox(QStringLiteral("연결 기본 설정"), pnlDetail),
                                QStringLiteral("fraConnection"));
    auto* connection = new QGridLayout(fraConnection);
    auto* Frame1 =
        named(new QGroupBox(QStringLiteral("최대 속도"), fraConnection), QStringLiteral("Frame1"));
    auto* speedLayout = new QHBoxLayout(Frame1);
    cboSpeed = list(QStringLiteral("cboSpeed"), true, Frame1);
    speedLayout->addWidget(cboSpeed);
    connection->addWidget(Frame1, 0, 0, 1, 2);
    cboDataBits = list(QStringLiteral("cboDataBits"), true, fraConnection);
    cboParity = list(QStringLiteral("cboParity"), false, fraConnection);
    cboStopBits = list(QStringLiteral("cboStopBits"), true, fraConnection);
    connection->addWidget(
        caption(QStringLiteral("데이터 비트:"), fraConnection, QStringLiteral("Label3")), 1, 0);
    connection->addWidget(cboDataBits, 1, 1);
    connection->addWidget(
        caption(QStringLiteral("패리티:"), fraConnection, QStringLiteral("Label4")), 2, 0);
    connection->addWidget(cboParity, 2, 1);
    connection->addWidget(
        caption(QStringLiteral("중단 비트:"), fraConnection, QStringLiteral("Label5")), 3, 0);
    connection->addWidget(cboStopBits, 3, 1);
    detail->addWidget(fraConnection);

    auto* options = new QHBoxLayout;
    auto* Frame5 =
        named(new QGroupBox(QStringLiteral("흐름 제어(&F)"), pnlDetail), QStringLiteral("Frame5"));
    auto* flow = new QVBoxLayout(Frame5);
    m_flowGroup = new QButtonGroup(this);
    for (int i = 0; i < 4; ++i) {
        auto* option = named(new QRadioButton(QString::fromUtf8(kFlows[i]), Frame5),
                             QStringLiteral("optFlow_%1").arg(i));
        m_flowGroup->addButton(option, i);
        flow->addWidget(option);
        optFlow[static_cast<std::size_t>(i)] = option;
    }
    auto* Frame7 =
        named(new QGroupBox(QStringLiteral("반향(&E)"), pnlDetail), QStringLiteral("Frame7"));
    auto* echo = new QVBoxLayout(Frame7);
    m_echoGroup = new QButtonGroup(this);
    for (int i = 0; i < 2; ++i) {
        auto* option =
            named(new QRadioButton(i == 0 ? QStringLiteral("Off") : QStringLiteral("On"), Frame7),
                  QStringLiteral("optEcho_%1").arg(i));
        m_echoGroup->addButton(option, i);
        echo->addWidget(option);
        optEcho[static_cast<std::size_t>(i)] = option;
    }
    echo->addStretch(1);
    options->addWidget(Frame5);
    options->addWidget(Frame7);
    detail->addLayout(options);

    cmdOK = named(new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton),
                                  QStringLiteral("확인(&O)"), this),
                  QStringLiteral("cmdOK"));
    cmdCancel = named(new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton),
                                      QStringLiteral("취소(&C)"), this),
                      QStringLiteral("cmdCancel"));
    // Enter moves to the next control here; only a click or the access key confirms.
    cmdOK->setAutoDefault(false);
    cmdCancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    outer->addLayout(buttons);

    connect(m_flowGroup, &QButtonGroup::idClicked, this, &frmConfig::optFlow_Click);
    connect(m_echoGroup, &QButtonGroup::idClicked, this, &frmConfig::optEcho_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmConfig::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmConfig::cmdCancel_Click);
    connect(cboPort, &QComboBox::currentIndexChanged, this,
            [this](int index) { showDevicesFor(index + 1); });
    connect(cboDevice, &QComboBox::currentIndexChanged, this, [this] {
        const QString device = chosenDevice();
        lblPortDevice->setText(device.isEmpty()
                                   ? remote::serial::describePort(cboPort->currentIndex() + 1)
                                   : device + QStringLiteral(" (bound on OK)"));
        lblPortDevice->setAccessibleName(lblPortDevice->text());
    });

    LoadPropertySettings();
    // The dialog sees key presses before its controls do.
    for (QWidget* child : findChildren<QWidget*>()) {
        child->installEventFilter(this);
    }
    adjustSize();
    centreOnScreen(*this);
}

void frmConfig::LoadPropertySettings() {
    for (int n = remote::serial::kFirstPortNumber; n <= remote::serial::kLastPortNumber; ++n) {
        // Each entry says what the number stands for; "Com<n>" leads, as it always has.
        const QString what = remote::serial::describePort(n);
        cboPort->addItem(QStringLiteral("Com%1 — %2").arg(n).arg(what));
        // A tooltip reads markup whenever its text looks like some: an adapter's description
        // is turned into rich text that shows it as it is.
        cboPort->setItemData(n - 1, Qt::convertFromPlainText(what), Qt::ToolTipRole);
    }
    for (const char* s : kSpeeds) {
        cboSpeed->addItem(QString::fromLatin1(s));
    }
    for (const char* s : kDataBits) {
        cboDataBits->addItem(QString::fromLatin1(s));
    }
    for (const char* s : kParities) {
        cboParity->addItem(QString::fromLatin1(s));
    }
    for (const char* s : kStopBits) {
        cboStopBits->addItem(QString::fromLatin1(s));
    }

    const QString S = MSComm1.Settings();
    const qsizetype k = S.contains(QLatin1Char('.')) ? 2 : 0;
    const qsizetype L = S.size();
    cboSpeed->setEditText(cut(S, 0, L - 6 - k));
    const QString parity = cut(S, L - 5 - k, 1);
    static const QString kLetters = QStringLiteral("eonms");
    const qsizetype p = parity.isEmpty() ? -1 : kLetters.indexOf(parity.at(0));
    cboParity->setCurrentIndex(p < 0 ? -1 : static_cast<int>(p));
    cboDataBits->setEditText(cut(S, L - 3 - k, 1));
    cboStopBits->setEditText(cut(S, L - 1 - k, 1 + k));

    const int port = MSComm1.CommPort();
    cboPort->setCurrentIndex(port >= 1 && port <= cboPort->count() ? port - 1 : -1);
    showDevicesFor(port);

    const int handshake = MSComm1.Handshaking();
    if (handshake >= 0 && handshake < 4) {
        optFlow[static_cast<std::size_t>(handshake)]->setChecked(true);
        optFlow_Click(handshake);
    }
    const int echo = m_values.EchoOn ? 1 : 0;
    optEcho[static_cast<std::size_t>(echo)]->setChecked(true);
    optEcho_Click(echo);
}

void frmConfig::showDevicesFor(int portNumber) {
    const QSignalBlocker quiet(cboDevice);
    cboDevice->clear();
    cboDevice->addItem(QStringLiteral("Com%1 default (%2%3)")
                           .arg(portNumber)
                           .arg(QString::fromLatin1(remote::serial::kDevicePrefix))
                           .arg(portNumber - 1),
                       QString());
    const QString bound = remote::serial::boundDevice(portNumber);
    int selected = 0;
    for (const remote::serial::Adapter& adapter : remote::serial::presentAdapters()) {
        QString text = adapter.device;
        if (!adapter.description.isEmpty()) {
            text += QStringLiteral(" — ") + adapter.description;
        }
        cboDevice->addItem(text, adapter.device);
        if (adapter.device == bound || adapter.node == bound) {
            selected = cboDevice->count() - 1;
        }
    }
    if (!bound.isEmpty() && selected == 0) {
        cboDevice->addItem(bound + QStringLiteral(" (bound, not plugged in)"), bound);
        selected = cboDevice->count() - 1;
    }
    cboDevice->setCurrentIndex(selected);
    lblPortDevice->setText(remote::serial::describePort(portNumber));
    lblPortDevice->setAccessibleName(lblPortDevice->text());
}

QString frmConfig::chosenDevice() const {
    return cboDevice->currentData().toString();
}

void frmConfig::optFlow_Click(int index) {
    m_pendingHandshake = index;
}

void frmConfig::optEcho_Click(int index) {
    m_pendingEcho = index == 1;
}

void frmConfig::checkpointFailed(const QString& description) {
    m_messages.warning(description, QString());
    MSComm1.setPortOpened(false);
}

void frmConfig::cmdOK_Click() {
    using remote::serial::bindDevice;
    using remote::serial::boundDevice;
    m_values.EchoOn = m_pendingEcho;

    const int old = MSComm1.CommPort();
    const int chosen = cboPort->currentIndex() + 1;
    const QString oldBinding = boundDevice(chosen);
    const QString newBinding = chosenDevice();
    const bool rebinding = newBinding != oldBinding;
    if (chosen != old || rebinding) {
        const bool wasOpen = MSComm1.PortOpen();
        bool ok = true;
        QString error;
        if (wasOpen) {
            ok = MSComm1.setPortOpen(false);
        }
        if (ok && rebinding) {
            ok = bindDevice(chosen, newBinding, &error);
        }
        ok = ok && MSComm1.setCommPort(chosen);
        if (ok && wasOpen) {
            ok = MSComm1.setPortOpen(true);
        }
        if (!ok) {
            checkpointFailed(error.isEmpty() ? MSComm1.errorText() : error);
            if (rebinding) {
                bindDevice(chosen, oldBinding);
            }
            MSComm1.setPortOpen(false);
            MSComm1.setCommPort(old);
            return;
        }
    }

    const QString settings = cboSpeed->currentText().trimmed() + QLatin1Char(',') +
                             cboParity->currentText().left(1) + QLatin1Char(',') +
                             cboDataBits->currentText().trimmed() + QLatin1Char(',') +
                             cboStopBits->currentText().trimmed();
    if (!MSComm1.setSettings(settings)) {
        checkpointFailed(MSComm1.errorText());
        return;
    }
    if (!MSComm1.setHandshaking(m_pendingHandshake)) {
        checkpointFailed(MSComm1.errorText());
        return;
    }
    // A dialog that reports success leaves a working link: a port left closed by an earlier
    // failure (here or at start-up) is opened on the chosen number now.
    if (!MSComm1.PortOpen() && !MSComm1.setPortOpen(true)) {
        checkpointFailed(MSComm1.errorText());
        return;
    }
    MSComm1.setPortOpened(true);

    if (!m_store) {
        m_messages.warning(QStringLiteral("The settings were applied but could not be saved: "
                                          "the settings file is not open."),
                           QString());
        return;
    }
    try {
        const auto saved = m_store->SaveSettings(static_cast<std::int16_t>(chosen),
                                                 cboSpeed->currentText().toStdString());
        m_values.CommPortNumber = saved.CommPortNumber; // an empty COMSPEED is no failure
    } catch (const remote::store::StoreError& e) {
        m_messages.warning(QStringLiteral("The settings were applied but could not be saved "
                                          "in %1:\n%2")
                               .arg(QString::fromStdString(m_store->file().string()),
                                    QString::fromStdString(e.what())),
                           QString());
        return;
    }
    accept();
}

void frmConfig::cmdCancel_Click() {
    reject();
}

bool frmConfig::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            // Enter moves to the next control, the way the settings forms always worked.
            focusNextChild();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace remote::dialogs
