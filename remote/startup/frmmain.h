#pragma once

#include "monitorpanels.h"
#include "remote/link/monitorlink.h"
#include "remote/link/monitorview.h"
#include "remote/serial/serialcomm.h"
#include "remote/startup/stationcontext.h"
#include "remote/startup/stationrecords.h"

#include <QMainWindow>
#include <QTimer>

#include <array>
#include <map>
#include <span>
#include <tuple>
#include <vector>

class QAction;
class QLabel;
class QToolButton;
namespace remote::controls {
class InstrumentLamp;
}
namespace remote::dialogs {
class MessageSink;
}

namespace remote::startup {

// The station's main window: the serial control, the 100 ms poll timer, the menu and the
// toolbar, and the monitor panels (display mirror, alarm channels, settings read back and
// entered, keypad and switches). It feeds the protocol core with received bytes, ticks and
// every operator event, and shows what the core reports.
class frmMain : public QMainWindow, public remote::link::MonitorView {
    Q_OBJECT

public:
    explicit frmMain(StationContext& context, QWidget* parent = nullptr);
    ~frmMain() override;

    // Centres the window, reads the stored port number and opens the port. loadStarted()
    // comes first and loadFinished() last, for the splash window still up.
    void Form_Load();
    void OpenPort();
    // The exit confirmation's Yes without the question (the system asks the program to end):
    // the port is closed and programEnded() follows. Does nothing once the exit is under way.
    void EndWithoutAsking();

    remote::serial::SerialComm MSComm1;
    QTimer Timer1;
    MonitorPanels ui; // every control of the monitor panels, by name
    QLabel* Label1 = nullptr;
    remote::controls::InstrumentLamp* CWButton1 = nullptr; // "TXD"
    remote::controls::InstrumentLamp* CWButton2 = nullptr; // "RXD"
    std::map<int, QToolButton*> ssrToolbar;                // indexes 0, 1 and 5
    QAction* mnuFile_Back = nullptr;
    QAction* mnuFile_Config = nullptr;
    QAction* mnuFile_Printer = nullptr;
    QAction* mnuFile_Exit = nullptr;
    QAction* mnuHelp_Help = nullptr;

    remote::link::MonitorLink& link() { return m_link; }
    // Bytes from the line (or a replay) into the link; the window then shows what they
    // changed.
    void receive(std::span<const std::uint8_t> bytes);
    // Alarm history, line recording and replay.
    StationRecords& records() { return m_records; }
    QString connectionStatus() const;

    static constexpr char kCaption[] = "REMOTE PROGRAM";
    static constexpr char kExitQuestion[] = "프로그램을 종료하시겠습니까?";
    static constexpr char kExitTitle[] = "종료";
    static constexpr int kTimer1Interval = 100; // milliseconds

    // ---- Handlers ----
    void mnuFile_Back_Click();
    void mnuFile_Config_Click();
    void mnuFile_Printer_Click();
    void mnuFile_Exit_Click();
    void mnuHelp_Help_Click();
    void ssrToolbar_Click(int index, bool value);
    void Timer1_Timer();
    void MSComm1_OnComm();

    // ---- MonitorView ----
    void setScreenCaption(int line, const std::string& caption) override;
    void setScreenOpaque(int line, bool opaque) override;
    void setHexCopy(const std::string& text) override;
    void setScanMarkVisible(bool visible) override;
    void setLampValue(Lamp lamp, bool lit) override;
    void setEventLabelColor(int channel, std::uint32_t colour) override;
    void setDisplayCaption(Display display, int index, const std::string& caption) override;
    void setSwitchValue(int index, bool on) override;
    bool switchValue(int index) const override;
    void setSwitchBackColor(int index, std::uint32_t colour) override;
    std::string inputText(Input field, int index) const override;
    void refuseSave(const std::string& message) override;

signals:
    void loadStarted();
    void loadFinished();
    // The operator confirmed the exit and the port is closed.
    void programEnded();

protected:
    void closeEvent(QCloseEvent* event) override;

    // The modal dialogs of the menu and the toolbar: the port settings dialog and the
    // access-code dialog. Each returns once its dialog has closed.
    virtual void ShowConfig();
    virtual void ShowSecurity();
    // The platform's printer set-up; cancelling it or a failure ends it quietly.
    virtual void ShowPrinterSetup();

private:
    void buildMenu();
    void buildToolbar();
    void buildCentre();
    void connectOperatorControls();
    void showScreenStyles();
    void lockSavesForReplay(bool replaying);
    void showRefusal(const QString& text);
    void showConnection();
    void warnDeviceLost(const QString& description);
    void warnSerial(const QString& text);

    StationContext& m_context;
    remote::dialogs::MessageSink& m_messages;
    // Between the link and this window: keeps alarms and records the line.
    StationRecords m_records{*this, MSComm1};
    remote::link::MonitorLink m_link;
    QLabel* m_connection = nullptr;
    bool m_exitConfirmed = false;
    bool m_refusalShown = false;
    bool m_serialWarningShown = false; // a port warning box is up
    QString m_nextRefusal;
    std::vector<bool> m_savesEnabledBeforeReplay; // the access code's unlock, kept over a replay
    // The highlight each display line is to show, applied once the link has returned.
    std::array<bool, std::tuple_size_v<decltype(MonitorPanels::BSCREEN)>> m_screenOpaque{};
    // Whether each line has been given its style once (a dynamic property is slow to read).
    std::array<bool, std::tuple_size_v<decltype(MonitorPanels::BSCREEN)>> m_screenStyled{};
    bool m_screenStylesDue = false;
};

} // namespace remote::startup
