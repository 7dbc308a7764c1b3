#include "remote/dialogs/messagesink.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using remote::dialogs::MessageBoxSink;
using remote::dialogs::MessageSink;

namespace {

// Runs look on the box once it is up, then presses the button of the given role.
void whileUp(std::function<void(QMessageBox&)> look, QMessageBox::ButtonRole press) {
    QTimer::singleShot(0, [look = std::move(look), press] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr) << "no box is up";
        look(*box);
        for (QAbstractButton* button : box->buttons()) {
            if (box->buttonRole(button) == press) {
                button->click();
                return;
            }
        }
        box->reject();
    });
}

int redPixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            count += qRed(p) > 200 && qGreen(p) < 80 && qBlue(p) < 80 ? 1 : 0;
        }
    }
    return count;
}

TEST(MessageBoxSink, ShowsMarkupAsItsCharacters) {
    const QString text = QStringLiteral(
        "<table><tr><td bgcolor=#ff0000 width=300 height=60>X</td></tr></table>\n<b>x</b> "
        "<img src=x>");
    MessageBoxSink sink;
    using Show = MessageSink::Answer (MessageBoxSink::*)(const QString&, const QString&);
    const Show shows[] = {&MessageBoxSink::information, &MessageBoxSink::warning,
                          &MessageBoxSink::critical, &MessageBoxSink::question};
    for (const Show show : shows) {
        bool looked = false;
        whileUp(
            [&](QMessageBox& box) {
                looked = true;
                EXPECT_EQ(box.textFormat(), Qt::PlainText);
                auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
                ASSERT_NE(label, nullptr);
                EXPECT_EQ(label->textFormat(), Qt::PlainText);
                EXPECT_EQ(label->text(), text);
                // The label alone: the icons of some boxes are red themselves.
                const QImage painted =
                    label->grab().toImage().convertToFormat(QImage::Format_RGB32);
                EXPECT_EQ(redPixels(painted), 0) << "a table cell was drawn";
            },
            QMessageBox::YesRole);
        const MessageSink::Answer answer = (sink.*show)(text, QString());
        EXPECT_TRUE(looked);
        if (show == &MessageBoxSink::question) {
            EXPECT_EQ(answer, MessageSink::Answer::Yes);
        }
    }
}

} // namespace
