#pragma once

#include "remote/dialogs/frmsplash.h"
#include "remote/store/settingsstore.h"
#include "remote/process/singleinstance.h"
#include "stationcontext.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace remote::startup {

class frmMain;

// The station's start-up module and its program-wide values. main() owns the one
// instance; the main window reaches the values through the context it implements.
class modControl : public QObject, public StationContext {
    Q_OBJECT

public:
    using Folders = StationFolders;

    // The folders a real run uses: the program's own, the user's data and runtime folders.
    static Folders defaultFolders();

    // The pause the loading step takes between its counts; tests pass their own.
    using Pause = std::function<void(int milliseconds)>;

    modControl(remote::dialogs::MessageSink& messages, Folders folders, QObject* parent = nullptr);
    modControl(remote::dialogs::MessageSink& messages, Folders folders, Pause pause,
               QObject* parent = nullptr);
    ~modControl() override;

    // Refuses a second copy, opens the settings file, shows the splash window. False when
    // the program has to end (a message has been shown).
    bool StartProgram();
    // The loading step, run by the splash window's load timer.
    void RunLoadingProgress();
    // A second settings connection replaces SharedConnection.
    void OpenSharedConnection();
    // Enter (13) becomes a move to the next control and is consumed (set to 0); any other
    // key code is left as it is.
    static void EnterAsTab(std::int16_t& keyCode);
    // Ends the program without asking, as the exit confirmation's Yes does (a termination
    // signal): the main window closes the port, then programEnded(). Before the main window
    // a start-up message box that is up is closed, so start-up returns.
    void EndProgram();

    // ---- StationContext ----
    remote::store::SettingsStore* settings() const override { return m_store.get(); }
    const Folders& folders() const override { return m_folders; }
    remote::dialogs::MessageSink& messages() const override { return m_messages; }

    std::int16_t LoadProgress = 0;

    remote::dialogs::frmSplash* splash() const { return m_splash; }
    frmMain* mainWindow() const { return m_main.get(); }

    // The title of the boxes start-up shows before any window exists.
    static constexpr char kRunningText[] = "프로그램이 이미 실행중입니다.";
    static constexpr char kRunningTitle[] = "실행중";

signals:
    // The operator confirmed the exit; the program ends.
    void programEnded();

private:
    void ShowMainWindow();
    void repaintSplash();

    remote::dialogs::MessageSink& m_messages;
    Folders m_folders;
    Pause m_pause;
    remote::process::SingleInstance m_instance;
    std::unique_ptr<remote::store::SettingsStore> m_store;
    QPointer<remote::dialogs::frmSplash> m_splash;
    std::unique_ptr<frmMain> m_main;
};

} // namespace remote::startup
