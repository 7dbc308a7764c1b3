// A form saved by Qt Designer with two image buttons, built by QUiLoader through the
// designer plugin.
#include "torvelbutton/com/toolbox.h"
#include "torvelbutton/model/torvelimagebutton_p.h"

#include <QFile>
#include <QUiLoader>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(DesignerPlugin, QUiLoaderBuildsAFormWithTwoButtons) {
    QUiLoader loader;
    loader.clearPluginPaths();
    loader.addPluginPath(TORVELBUTTON_DESIGNER_DIR);
    ASSERT_TRUE(loader.availableWidgets().contains("TorvelImageButton"))
        << loader.errorString().toStdString();

    QFile file(TEST_DATA_DIR "/twobuttons.ui");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    std::unique_ptr<QWidget> form(loader.load(&file));
    ASSERT_NE(form, nullptr) << loader.errorString().toStdString();

    auto* ok = form->findChild<TorvelImageButton*>("cmdOK");
    auto* cancel = form->findChild<TorvelImageButton*>("cmdCancel");
    ASSERT_NE(ok, nullptr);
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(ok->caption(), QString("확인"));
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(ok->buttonAttrib(), TorvelImageButton::btnOutLine);
    EXPECT_EQ(ok->alphaNormal(), 60);
    EXPECT_EQ(ok->geometry(), QRect(10, 10, 100, 30));
    EXPECT_EQ(cancel->caption(), QString("Cancel"));
    EXPECT_TRUE(cancel->isCancel());
    EXPECT_EQ(cancel->checkOption(), TorvelImageButton::btnChecked);
    // What the form does not say keeps the new-instance value.
    EXPECT_EQ(cancel->alphaNormal(), 80);
    EXPECT_EQ(cancel->gap(), 4);

    form->show();
    EXPECT_TRUE(torvelbutton::buttonMembers(*ok).Painted) << "shown: the first pass has run";
    EXPECT_EQ(ok->surface().size(), QSize(100, 30));
}

TEST(DesignerPlugin, TheToolboxPictureIsSixteenByFifteen) {
    const QImage picture = torvelbutton::typeinfo::toolboxPicture();
    EXPECT_EQ(picture.size(), QSize(16, 15));
    EXPECT_FALSE(picture.hasAlphaChannel());
}

} // namespace
