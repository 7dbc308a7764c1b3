#pragma once

#include <QString>

class QWidget;

namespace remote::dialogs {

// Where the station's message boxes go. The program shows them with QMessageBox; tests
// answer them with a recording fake. An empty title stands for "no title of its own": the
// box then carries the program's name.
class MessageSink {
public:
    enum class Answer { Ok, Yes, No };

    virtual ~MessageSink() = default;

    virtual Answer information(const QString& text, const QString& title) = 0;
    virtual Answer warning(const QString& text, const QString& title) = 0;
    virtual Answer critical(const QString& text, const QString& title) = 0;
    // Buttons Yes and No; closing the box answers No.
    virtual Answer question(const QString& text, const QString& title) = 0;
};

// Modal message boxes over the active window.
class MessageBoxSink : public MessageSink {
public:
    Answer information(const QString& text, const QString& title) override;
    Answer warning(const QString& text, const QString& title) override;
    Answer critical(const QString& text, const QString& title) override;
    Answer question(const QString& text, const QString& title) override;
};

} // namespace remote::dialogs
