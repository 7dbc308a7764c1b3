#pragma once

#include <QDialog>
#include <QList>
#include <QPointer>
#include <QString>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace remote::dialogs {

class MessageSink;

// The access-code dialog. A code the station accepts enables the main window's nine save
// buttons for the rest of the run and closes the dialog; any other code leaves them locked
// and shows a prompt line, which goes as soon as the operator edits the code.
class frmSecurity : public QDialog {
    Q_OBJECT

public:
    // saveButtons: FREQSAVE(0) to FREQSAVE(8) of the main window.
    frmSecurity(MessageSink& messages, QList<QPointer<QWidget>> saveButtons,
                QWidget* parent = nullptr);

    // True only for the two accepted forms, exactly as typed.
    static bool accepts(const QString& code);

    QLabel* SSPanel1 = nullptr;
    QLabel* SSPanel2 = nullptr;
    QLabel* SSPanel5 = nullptr;
    QLineEdit* NewPass = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

    // ---- Handlers ----
    void Form_Load();
    void cmdOK_Click();
    void NewPass_Change();
    void cmdCancel_Click();

    static constexpr char kCaption[] = "비밀번호 입력";
    static constexpr char kCompany[] = "Quendral";
    static constexpr char kPrompt[] = "  패스워드를 다시 입력해 주세요.";
    static constexpr char kErrorTitle[] = "에러코드 # ";
    static constexpr char kCancelErrorTitle[] = "Error # ";

    // A failure inside a handler: its number goes into the box's title.
    struct HandlerError {
        int number;
        QString description;
    };
    static constexpr int kControlGone = 1; // a control the handler works on no longer exists

private:
    // Runs one handler; a failure is shown in an error box and the dialog stays as it is.
    void guarded(const char* title, const std::function<void()>& handler);

    MessageSink& m_messages;
    QList<QPointer<QWidget>> m_saveButtons;
};

} // namespace remote::dialogs
