#include "remote/automation/automationbridge.h"

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QLocalSocket>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using remote::automation::AutomationBridge;

namespace {

// A small window with named controls of the kinds the station has.
class Form : public testing::Test {
protected:
    Form() {
        auto* layout = new QVBoxLayout(&window);
        label = new QLabel(QStringLiteral("two\nlines"), &window);
        label->setObjectName(QStringLiteral("BSCREEN_0"));
        edit = new QLineEdit(&window);
        edit->setObjectName(QStringLiteral("IDIN"));
        edit->setMaxLength(6);
        loop = new QCheckBox(&window);
        loop->setObjectName(QStringLiteral("LOOPSW"));
        save = new QPushButton(QStringLiteral("Save"), &window);
        save->setObjectName(QStringLiteral("FREQSAVE_1"));
        save->setEnabled(false);
        for (QWidget* w : std::initializer_list<QWidget*>{label, edit, loop, save}) {
            layout->addWidget(w);
        }
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, QColor(192, 0, 0));
        label->setPalette(p);
        window.setObjectName(QStringLiteral("frmMain"));
        window.show();
    }

    QString run(const QString& line) {
        const QString answer = bridge.execute(line);
        QCoreApplication::processEvents(); // clicks and typing run after the answer
        return answer;
    }

    QWidget window;
    QLabel* label;
    QLineEdit* edit;
    QCheckBox* loop;
    QPushButton* save;
    AutomationBridge bridge;
};

} // namespace

TEST_F(Form, ReadsControlsByName) {
    EXPECT_EQ(run("text BSCREEN_0"), "ok two\\nlines");
    EXPECT_EQ(run("color BSCREEN_0"), "ok #c00000");
    EXPECT_EQ(run("checked LOOPSW"), "ok 0");
    EXPECT_EQ(run("enabled FREQSAVE_1"), "ok 0");
    EXPECT_EQ(run("exists FREQSAVE_1"), "ok 1");
    EXPECT_EQ(run("exists FREQSAVE_9"), "ok 0");
    EXPECT_EQ(run("text FREQSAVE_9"), "error no control FREQSAVE_9");
    EXPECT_EQ(run("text"), "error no control ");
    EXPECT_EQ(run("launch LOOPSW"), "error unknown command launch");
    EXPECT_EQ(run("windows"), "ok frmMain");
}

TEST_F(Form, ClicksAndTypesAsAnOperatorWould) {
    EXPECT_EQ(run("click LOOPSW"), "ok");
    EXPECT_TRUE(loop->isChecked());
    EXPECT_EQ(run("type IDIN ABC 1234"), "ok");
    EXPECT_EQ(edit->text(), "ABC 12"); // the field's length limit holds
    int clicks = 0;
    QObject::connect(save, &QPushButton::clicked, [&clicks] { ++clicks; });
    run("click FREQSAVE_1");
    EXPECT_EQ(clicks, 0); // disabled
    save->setEnabled(true);
    run("click FREQSAVE_1");
    EXPECT_EQ(clicks, 1);
}

// A click that opens a modal dialog is answered first; the dialog is then found by its
// class name and driven while it runs its own event loop.
TEST_F(Form, ModalDialogsDoNotHoldTheAnswerUp) {
    QString seenWindows;
    QString okAnswer;
    bool closed = false;
    QObject::connect(save, &QPushButton::clicked, [&] {
        QDialog dialog(&window);
        auto* ok = new QPushButton(QStringLiteral("OK"), &dialog);
        ok->setObjectName(QStringLiteral("cmdOK"));
        QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
        QTimer::singleShot(0, &dialog, [&] {
            seenWindows = bridge.execute("windows");
            okAnswer = bridge.execute("click cmdOK");
        });
        dialog.exec();
        closed = true;
    });
    save->setEnabled(true);
    EXPECT_EQ(bridge.execute("click FREQSAVE_1"), "ok");
    QTRY_VERIFY_WITH_TIMEOUT(closed, 10000);
    EXPECT_TRUE(seenWindows.contains("QDialog")) << seenWindows.toStdString();
    EXPECT_EQ(okAnswer, "ok");
}

TEST(AutomationBridge, AnswersOverItsSocketOnlyWhenTheVariableNamesOne) {
    qunsetenv(AutomationBridge::kEnvironmentVariable);
    EXPECT_EQ(AutomationBridge::startFromEnvironment(), nullptr);

    QTemporaryDir dir;
    const QString name = dir.filePath("bridge");
    qputenv(AutomationBridge::kEnvironmentVariable, name.toLocal8Bit());
    const auto bridge = AutomationBridge::startFromEnvironment();
    qunsetenv(AutomationBridge::kEnvironmentVariable);
    ASSERT_NE(bridge, nullptr);

    QLocalSocket socket;
    socket.connectToServer(name);
    ASSERT_TRUE(socket.waitForConnected(5000));
    socket.write("exists nothing\nbogus\n");
    QTRY_VERIFY_WITH_TIMEOUT(socket.canReadLine() && socket.bytesAvailable() >= 23, 10000);
    EXPECT_EQ(socket.readLine(), "ok 0\n");
    QTRY_VERIFY(socket.canReadLine());
    EXPECT_EQ(socket.readLine(), "error no control \n");
}
