#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>

class QLabel;
namespace remote::controls {
class XP_ProgressBar;
}

namespace remote::dialogs {

// The window shown while the station loads: the product picture, title and version, and a
// progress bar counting the loading step. Its load timer asks for the loading step, then
// arms the exit timer, which closes this window and asks for the main window.
class frmSplash : public QWidget {
    Q_OBJECT

public:
    explicit frmSplash(QWidget* parent = nullptr);

    static constexpr int kLoadInterval = 2000;     // milliseconds, timLoad
    static constexpr int kExitInterval = 1000;     // milliseconds, tim_exit
    static constexpr QSize kPictureSize{507, 320}; // pixels

    // "버전 " and major.minor.revision, no blanks around the dots.
    static QString versionLabelText(int major, int minor, int revision);
    // The splash picture: drawn here rather than shipped, 24 bits per pixel.
    static QImage drawSplashPicture(const QSize& size);

    QLabel* Picture1 = nullptr;
    remote::controls::XP_ProgressBar* PgBar = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* pnlDevelopment = nullptr;
    QTimer timLoad;
    QTimer tim_exit;

    void timLoad_Timer();
    void tim_exit_Timer();
    // Stops both timers: the main window is loading.
    void stopTimers();
    // Closes and releases the window; any other close request is refused.
    void Unload();

signals:
    // The loading step is due; handled before the exit timer is armed.
    void loadingStepDue();
    // This window has closed itself; the main window is due.
    void showMainWindow();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Load();
    bool m_unloading = false;
};

} // namespace remote::dialogs
