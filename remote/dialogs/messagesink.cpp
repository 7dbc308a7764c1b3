#include "messagesink.h"

#include <QApplication>
#include <QMessageBox>

namespace remote::dialogs {

namespace {

QString boxTitle(const QString& title) {
    return title.isEmpty() ? QApplication::applicationName() : title;
}

MessageSink::Answer show(QMessageBox::Icon icon, const QString& text, const QString& title,
                         QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, boxTitle(title), text, buttons, QApplication::activeWindow());
    // Messages carry the system's texts, file names and device names: never markup.
    box.setTextFormat(Qt::PlainText);
    return box.exec() == QMessageBox::Yes      ? MessageSink::Answer::Yes
           : buttons.testFlag(QMessageBox::No) ? MessageSink::Answer::No
                                               : MessageSink::Answer::Ok;
}

} // namespace

MessageSink::Answer MessageBoxSink::information(const QString& text, const QString& title) {
    return show(QMessageBox::Information, text, title, QMessageBox::Ok);
}

MessageSink::Answer MessageBoxSink::warning(const QString& text, const QString& title) {
    return show(QMessageBox::Warning, text, title, QMessageBox::Ok);
}

MessageSink::Answer MessageBoxSink::critical(const QString& text, const QString& title) {
    return show(QMessageBox::Critical, text, title, QMessageBox::Ok);
}

MessageSink::Answer MessageBoxSink::question(const QString& text, const QString& title) {
    return show(QMessageBox::Question, text, title, QMessageBox::Yes | QMessageBox::No);
}

} // namespace remote::dialogs
