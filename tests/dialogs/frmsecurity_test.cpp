#include "remote/dialogs/frmsecurity.h"
#include "tests/support/recordingmessagesink.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using remote::dialogs::frmSecurity;

namespace {

// Nine stand-ins for the main window's save buttons, locked as the window opens them.
class Security : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 9; ++i) {
            saves.push_back(std::make_unique<QPushButton>());
            saves.back()->setEnabled(false);
            pointers.append(saves.back().get());
        }
        dialog = std::make_unique<frmSecurity>(sink, pointers);
        dialog->show();
    }

    int enabledSaves() const {
        int n = 0;
        for (const auto& b : saves) {
            n += b && b->isEnabled();
        }
        return n;
    }

    void enter(const QString& code) {
        dialog->NewPass->clear();
        QTest::keyClicks(dialog->NewPass, code);
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
    }

    RecordingMessageSink sink;
    std::vector<std::unique_ptr<QPushButton>> saves;
    QList<QPointer<QWidget>> pointers;
    std::unique_ptr<frmSecurity> dialog;
};

TEST_F(Security, ShowsALogOnBoxForTheCompany) {
    EXPECT_EQ(dialog->windowTitle(), "비밀번호 입력");
    EXPECT_EQ(dialog->SSPanel1->text(), "사용자 이름");
    EXPECT_EQ(dialog->SSPanel2->text(), "Quendral");
    EXPECT_EQ(dialog->SSPanel5->text(), "패스워드");
    EXPECT_EQ(dialog->cmdOK->text(), "확인(&O)");
    EXPECT_EQ(dialog->cmdCancel->text(), "취소(&C)");
    EXPECT_TRUE(dialog->Label1->text().isEmpty());
    EXPECT_EQ(dialog->NewPass->echoMode(), QLineEdit::Password);
    EXPECT_EQ(dialog->palette().color(QPalette::Window), QColor(0xD9, 0xD9, 0xCA));
    for (const QLabel* label : dialog->findChildren<QLabel*>()) {
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->objectName().toStdString();
    }
}

class AcceptedCode : public Security, public ::testing::WithParamInterface<const char*> {};

TEST_P(AcceptedCode, UnlocksAllNineSavesAndCloses) {
    enter(QString::fromLatin1(GetParam()));
    EXPECT_EQ(enabledSaves(), 9);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(sink.messages.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Table, AcceptedCode, ::testing::Values("kt48260", "KT48260"));

class RefusedCode : public Security, public ::testing::WithParamInterface<const char*> {};

TEST_P(RefusedCode, KeepsTheSavesLockedAndPromptsAgain) {
    enter(QString::fromLatin1(GetParam()));
    EXPECT_EQ(enabledSaves(), 0);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->Label1->text(), "  패스워드를 다시 입력해 주세요.");
    EXPECT_EQ(dialog->NewPass->text(), QString::fromLatin1(GetParam())) << "left in the box";
}

INSTANTIATE_TEST_SUITE_P(Table, RefusedCode,
                         ::testing::Values("Kt48260", "kT48260", "kt48260 ", " KT48260", "",
                                           "kt4826", "kt482600"));

TEST_F(Security, TheFirstKeystrokeAfterARefusalClearsThePrompt) {
    enter(QStringLiteral("wrong"));
    ASSERT_FALSE(dialog->Label1->text().isEmpty());
    QTest::keyClick(dialog->NewPass, Qt::Key_Backspace);
    EXPECT_TRUE(dialog->Label1->text().isEmpty());
    // Then the right code still works.
    enter(QStringLiteral("KT48260"));
    EXPECT_EQ(enabledSaves(), 9);
}

TEST_F(Security, CancelLeavesTheSavesAsTheyWere) {
    QTest::keyClicks(dialog->NewPass, QStringLiteral("kt48260"));
    QTest::mouseClick(dialog->cmdCancel, Qt::LeftButton);
    EXPECT_EQ(enabledSaves(), 0);
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
}

TEST_F(Security, ASaveButtonThatIsGoneIsReportedInAnErrorBoxAndTheDialogStays) {
    saves[4].reset();
    enter(QStringLiteral("kt48260"));
    ASSERT_EQ(sink.messages.size(), 1);
    EXPECT_EQ(sink.messages[0].kind, RecordingMessageSink::Kind::Critical);
    EXPECT_EQ(sink.messages[0].title, "에러코드 # 1");
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(enabledSaves(), 8) << "the others are unlocked";
}

} // namespace
