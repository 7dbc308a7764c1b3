#include "buttontestsupport.h"

#include "common/propertybag.h"

#include <QHash>
#include <QMetaEnum>
#include <QMetaProperty>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

namespace {

using namespace buttontest;
using common::FilePropertyBag;

QVariant i16(int v) {
    return QVariant::fromValue(static_cast<qint16>(v));
}
QVariant i32(int v) {
    return QVariant::fromValue(static_cast<qint32>(v));
}
QVariant u32(quint32 v) {
    return QVariant::fromValue(v);
}

// Every stored key: its place in the read and the write order, the default it is read and
// written with (stored type included), and a value that differs from it.
struct StoredKey {
    const char* key;
    int readOrder;
    int writeOrder;
    QVariant storedDefault;
    QVariant other;
};

QFont hostFont() {
    return QFont("DejaVu Sans", 9);
}

QList<StoredKey> storedKeys() {
    QFont bold = hostFont();
    bold.setBold(true);
    const QVariant name = QString("cmdGo");
    return {
        {"Enabled", 1, 1, true, false},
        {"Caption", 2, 2, name, QString("확인")},
        {"CaptionChecked", 3, 3, name, QString("On")},
        {"Font", 4, 4, hostFont(), bold},
        {"MousePointer", 5, 5, i16(0), i16(11)},
        {"Picture", 6, 6, QVariant(), solid(4, 3, qRgb(1, 0, 0))},
        {"PictureOVER", 7, 7, QVariant(), solid(4, 3, qRgb(2, 0, 0))},
        {"PictureDOWN", 8, 8, QVariant(), solid(4, 3, qRgb(3, 0, 0))},
        {"PictureChecked", 9, 9, QVariant(), solid(4, 3, qRgb(4, 0, 0))},
        {"PictureSelected", 10, 10, QVariant(), solid(4, 3, qRgb(5, 0, 0))},
        {"ImageList", 11, 11, QVariant(), solid(144, 21, qRgb(6, 0, 0))},
        {"TransparentPicture", 12, 12, QVariant(), solid(4, 3, qRgb(7, 0, 0))},
        {"Gap", 13, 14, i16(4), i16(9)},
        {"PictureOffsetX", 14, 15, i16(2), i16(-3)},
        {"PictureOffsetY", 15, 16, i16(2), i16(6)},
        {"CaptionOffsetX", 16, 17, i16(0), i16(1)},
        {"CaptionOffsetY", 17, 18, i16(0), i16(-1)},
        {"PictureAlignment", 18, 19, i32(1), i32(4)},
        {"Alignment", 19, 20, i32(0), i32(2)},
        {"ButtonAttrib", 20, 21, i32(0), i32(3)},
        {"ButtonTransparent", 21, 22, i32(0), i32(2)},
        {"Value", 22, 13, false, true},
        {"Default", 23, 24, false, true},
        {"Cancel", 24, 25, false, true},
        {"OwnerDraw", 25, 26, false, true},
        {"AutoReDraw", 26, 27, false, true},
        {"CaptionCheckedUSE", 27, 28, false, true},
        {"CheckOption", 28, 23, i32(0), i32(2)},
        {"ForeColor", 29, 29, u32(0x80000012u), u32(0x000000FFu)},
        {"BackColor", 30, 30, u32(0x8000000Fu), u32(0x00FFFFFFu)},
        {"AlphaNormal", 31, 31, i16(80), i16(40)},
        {"AlphaUp", 32, 32, i16(100), i16(41)},
        {"AlphaDown", 33, 33, i16(100), i16(42)},
        {"AlphaDisable", 34, 34, i16(100), i16(43)},
        {"AlphaColor", 35, 35, u32(0x8000000Fu), u32(0x00000000u)},
        {"ImgOutLineSize", 36, 36, i16(2), i16(5)},
        {"ImgUpOutLineSize", 37, 37, i16(3), i16(6)},
        {"ImgDownOutLineSize", 38, 38, i16(3), i16(7)},
        {"ImgDisableOutLineSize", 39, 39, i16(3), i16(8)},
        {"ImageListWidth", 40, 40, i16(18), i16(30)},
        {"ImageListHeight", 41, 41, i16(21), i16(25)},
    };
}

QStringList keysInOrder(int StoredKey::*order) {
    QList<StoredKey> keys = storedKeys();
    std::sort(keys.begin(), keys.end(),
              [order](const StoredKey& a, const StoredKey& b) { return a.*order < b.*order; });
    QStringList out;
    for (const StoredKey& k : keys) {
        out << k.key;
    }
    return out;
}

// Same kind and same value: the stored width is part of what a host keeps.
void expectSameStored(const QVariant& actual, const QVariant& expected, const QString& key) {
    EXPECT_EQ(actual.typeId(), expected.typeId()) << key.toStdString();
    EXPECT_TRUE(actual == expected) << key.toStdString() << ": " << actual.toString().toStdString()
                                    << " vs " << expected.toString().toStdString();
}

// A bag that records the order of reads and writes and the defaults they carry.
class RecordingBag : public common::PropertyBag {
public:
    QVariant readProperty(const QString& key, const QVariant& defaultValue) const override {
        reads << key;
        readDefaults.insert(key, defaultValue);
        return inner.readProperty(key, defaultValue);
    }
    void writeProperty(const QString& key, const QVariant& value,
                       const QVariant& defaultValue) override {
        writes << key;
        writeDefaults.insert(key, defaultValue);
        inner.writeProperty(key, value, defaultValue);
    }
    void writeProperty(const QString& key, const QVariant& value) override {
        writes << key;
        inner.writeProperty(key, value);
    }

    FilePropertyBag inner;
    mutable QStringList reads;
    mutable QHash<QString, QVariant> readDefaults;
    QStringList writes;
    QHash<QString, QVariant> writeDefaults;
};

using Persistence = HostedButton;

TEST_F(Persistence, NewInstanceSavesOnlyTheOutlineSizeWhoseStoredDefaultDiffers) {
    FilePropertyBag bag;
    button->writeProperties(bag);
    ASSERT_EQ(bag.keys(), QStringList{"ImgOutLineSize"});
    expectSameStored(bag.readProperty("ImgOutLineSize", {}), i16(3), "ImgOutLineSize");
}

TEST_F(Persistence, KeysAreReadAndWrittenInTheirOrdersWithTheirDefaults) {
    RecordingBag bag;
    button->readProperties(bag);
    EXPECT_EQ(bag.reads, keysInOrder(&StoredKey::readOrder));
    button->writeProperties(bag);
    EXPECT_EQ(bag.writes, keysInOrder(&StoredKey::writeOrder));
    for (const StoredKey& k : storedKeys()) {
        expectSameStored(bag.readDefaults.value(k.key), k.storedDefault, k.key);
        expectSameStored(bag.writeDefaults.value(k.key), k.storedDefault, k.key);
    }
}

TEST_F(Persistence, EveryStoredValueSurvivesLoadAndSaveInWriteOrder) {
    FilePropertyBag input;
    for (const StoredKey& k : storedKeys()) {
        input.writeProperty(k.key, k.other);
    }
    button->readProperties(input);
    FilePropertyBag output;
    button->writeProperties(output);
    EXPECT_EQ(output.keys(), keysInOrder(&StoredKey::writeOrder));
    for (const StoredKey& k : storedKeys()) {
        expectSameStored(output.readProperty(k.key, {}), k.other, k.key);
    }
}

TEST_F(Persistence, MissingKeysReadAsTheirDefaults) {
    // Start far from the defaults so each one has to be set by the load.
    FilePropertyBag other;
    for (const StoredKey& k : storedKeys()) {
        other.writeProperty(k.key, k.other);
    }
    button->readProperties(other);

    button->readProperties(FilePropertyBag());
    EXPECT_TRUE(button->isButtonEnabled());
    EXPECT_EQ(m().ButtonState, Btn::bNormal);
    EXPECT_EQ(m().Caption, "cmdGo");
    EXPECT_EQ(m().CaptionChecked, "cmdGo");
    EXPECT_EQ(m().Font, hostFont());
    EXPECT_EQ(button->mousePointer(), 0);
    EXPECT_TRUE(m().Picture.isNull());
    EXPECT_TRUE(m().ImageList.isNull());
    EXPECT_TRUE(m().TransparentPicture.isNull());
    EXPECT_EQ(m().Gap, 4);
    EXPECT_EQ(m().PictureOffsetX, 2);
    EXPECT_EQ(m().CaptionOffsetY, 0);
    EXPECT_EQ(m().PictureAlignment, Btn::btnLeft);
    EXPECT_EQ(m().ButtonTransparent, Btn::None_Transparent);
    EXPECT_FALSE(m().Value);
    EXPECT_FALSE(m().AutoReDraw);
    EXPECT_FALSE(m().CaptionCheckedUSE);
    EXPECT_EQ(m().CheckOption, Btn::Not_Used);
    EXPECT_EQ(m().ForeColor, 0x80000012u);
    EXPECT_EQ(m().AlphaNormal, 80);
    EXPECT_EQ(m().AlphaDisable, 100);
    EXPECT_EQ(m().AlphaColor, 0x8000000Fu);
    EXPECT_EQ(m().ImgOutLineSize, 2) << "the stored default, not the new-instance value";
    EXPECT_EQ(m().ImgUpOutLineSize, 3);
    EXPECT_EQ(m().ImageListWidth, 18);
    EXPECT_EQ(m().ImageListHeight, 21);
    EXPECT_EQ(m().CurrentOutLineSize, 2);
}

TEST_F(Persistence, OutlineSizeTwoIsLeftOutAndLoadsBackAsTwo) {
    button->setImgOutLineSize(2);
    FilePropertyBag bag;
    button->writeProperties(bag);
    EXPECT_FALSE(bag.contains("ImgOutLineSize"));
    TorvelImageButton other(host.get());
    other.readProperties(bag);
    EXPECT_EQ(other.imgOutLineSize(), 2);
}

TEST_F(Persistence, LoadingTakesOutOfRangeValuesUnchanged) {
    FilePropertyBag bag;
    bag.writeProperty("AlphaNormal", i16(150));
    bag.writeProperty("AlphaUp", i16(-7));
    bag.writeProperty("ImgDownOutLineSize", i16(50));
    bag.writeProperty("ImageListWidth", i16(-4));
    bag.writeProperty("PictureAlignment", i32(9));
    bag.writeProperty("ButtonAttrib", i32(12));
    bag.writeProperty("CheckOption", i32(7));
    button->readProperties(bag);
    EXPECT_EQ(button->alphaNormal(), 150);
    EXPECT_EQ(button->alphaUp(), -7);
    EXPECT_EQ(button->imgDownOutLineSize(), 50);
    EXPECT_EQ(button->imageListWidth(), -4);
    EXPECT_EQ(static_cast<int>(button->pictureAlignment()), 9);
    EXPECT_EQ(static_cast<int>(button->buttonAttrib()), 12);
    EXPECT_EQ(static_cast<int>(button->checkOption()), 7);
}

TEST_F(Persistence, ValuesThatCannotStandForTheMemberAreSkippedAndLoadingGoesOn) {
    const QImage before = solid(2, 2, qRgb(9, 9, 9));
    button->setPicture(before);
    button->setGap(7);
    FilePropertyBag bag;
    bag.writeProperty("Picture", QString("not a picture"));
    bag.writeProperty("Gap", 40000); // does not fit 16 bits
    bag.writeProperty("AlphaUp", QString("abc"));
    bag.writeProperty("Caption", 12);
    bag.writeProperty("PictureOffsetX", 3.5);                         // nearest, halves to even
    bag.writeProperty("BackColor", static_cast<qint32>(-2147483633)); // 0x8000000F signed
    bag.writeProperty("Value", 1);
    bag.writeProperty("ImageListHeight", i16(30));
    button->readProperties(bag);
    EXPECT_EQ(button->picture(), before);
    EXPECT_EQ(button->gap(), 7);
    EXPECT_EQ(button->alphaUp(), 100);
    EXPECT_EQ(button->caption(), "cmdGo");
    EXPECT_EQ(button->pictureOffsetX(), 4);
    EXPECT_EQ(button->backColor(), 0x8000000Fu);
    EXPECT_TRUE(button->value());
    EXPECT_EQ(button->imageListHeight(), 30);
}

TEST_F(Persistence, RoundTripThroughAFileKeepsPicturesAndFont) {
    QImage picture(5, 4, QImage::Format_RGB32);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 5; ++x) {
            picture.setPixel(x, y, qRgb(40 * x, 50 * y, 7));
        }
    }
    QFont font("DejaVu Sans", 12);
    font.setItalic(true);
    button->setPicture(picture);
    button->setPictureOVER(solid(3, 3, qRgb(0, 200, 0)));
    button->setButtonFont(font);
    button->setCaption("열기 Open");
    button->setButtonAttrib(Btn::btnOutLine);
    button->setAlphaColor(common::bgr(10, 20, 30));

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    FilePropertyBag bag;
    button->writeProperties(bag);
    QString error;
    ASSERT_TRUE(bag.save(dir.filePath("form.props"), &error)) << error.toStdString();
    const auto loaded = FilePropertyBag::load(dir.filePath("form.props"), &error);
    ASSERT_TRUE(loaded) << error.toStdString();

    TorvelImageButton other(host.get());
    other.setObjectName("cmdGo");
    other.readProperties(*loaded);
    EXPECT_EQ(other.picture(), picture);
    EXPECT_EQ(other.pictureOVER(), solid(3, 3, qRgb(0, 200, 0)));
    EXPECT_EQ(other.buttonFont(), font);
    EXPECT_EQ(other.font(), font) << "the control window takes the loaded font";
    EXPECT_EQ(other.caption(), "열기 Open");
    EXPECT_EQ(other.captionChecked(), "cmdGo");
    EXPECT_EQ(other.buttonAttrib(), Btn::btnOutLine);
    EXPECT_EQ(other.alphaColor(), common::bgr(10, 20, 30));
}

TEST_F(Persistence, CaptionFollowsTheHostsNameWhenNotStored) {
    FilePropertyBag bag;
    button->writeProperties(bag);
    TorvelImageButton renamed(host.get());
    renamed.setObjectName("cmdStop");
    renamed.readProperties(bag);
    EXPECT_EQ(renamed.caption(), "cmdStop");
    EXPECT_EQ(renamed.captionChecked(), "cmdStop");
}

TEST_F(Persistence, StoredSeeThroughStartsTheWatchAndPlainStopsIt) {
    auto* watch = button->findChild<QTimer*>("Timer2");
    ASSERT_NE(watch, nullptr);
    EXPECT_EQ(watch->interval(), 100);
    FilePropertyBag bag;
    bag.writeProperty("ButtonTransparent", i32(1));
    button->readProperties(bag);
    EXPECT_TRUE(watch->isActive());
    button->readProperties(FilePropertyBag());
    EXPECT_FALSE(watch->isActive());
}

TEST_F(Persistence, OutlineSizeAfterLoadingFollowsTheState) {
    FilePropertyBag bag;
    bag.writeProperty("Enabled", false);
    bag.writeProperty("ImgDisableOutLineSize", i16(7));
    button->readProperties(bag);
    EXPECT_EQ(m().ButtonState, Btn::bDisable);
    EXPECT_EQ(m().CurrentOutLineSize, 7);
    EXPECT_FALSE(button->isButtonEnabled());
}

TEST_F(Persistence, ParentEnabledFollowsTheHost) {
    button->readProperties(FilePropertyBag());
    EXPECT_EQ(m().ParentEnabled, 1);
    host->setEnabled(false);
    button->readProperties(FilePropertyBag());
    EXPECT_EQ(m().ParentEnabled, 0);
    EXPECT_TRUE(button->isButtonEnabled()) << "a disabled form leaves the button's own state";
}

// ---- the new instance ------------------------------------------------------------------

using NewInstance = HostedButton;

TEST_F(NewInstance, TakesItsPublishedStartingValues) {
    const struct {
        const char* property;
        QVariant value;
    } rows[] = {
        {"Enabled", true},
        {"Caption", "cmdGo"},
        {"CaptionChecked", "cmdGo"},
        {"MousePointer", 0},
        {"ButtonSelected", false},
        {"CheckOption", 0},
        {"Value", false},
        {"ForeColor", 0x80000012u},
        {"BackColor", 0x8000000Fu},
        {"Gap", 4},
        {"CaptionOffsetX", 0},
        {"CaptionOffsetY", 0},
        {"PictureOffsetX", 2},
        {"PictureOffsetY", 2},
        {"PictureAlignment", 1},
        {"Alignment", 0},
        {"ButtonAttrib", 0},
        {"ButtonTransparent", 0},
        {"Default", false},
        {"Cancel", false},
        {"OwnerDraw", false},
        {"AlphaNormal", 80},
        {"AlphaUp", 100},
        {"AlphaDown", 100},
        {"AlphaDisable", 100},
        {"AlphaColor", 0x8000000Fu},
        {"ImgOutLineSize", 3},
        {"ImgUpOutLineSize", 3},
        {"ImgDownOutLineSize", 3},
        {"ImgDisableOutLineSize", 3},
        {"ImageListWidth", 18},
        {"ImageListHeight", 21},
    };
    for (const auto& row : rows) {
        const QVariant actual = button->property(row.property);
        ASSERT_TRUE(actual.isValid()) << row.property;
        if (row.value.typeId() == QMetaType::QString) {
            EXPECT_EQ(actual.toString(), row.value.toString()) << row.property;
        } else if (row.value.typeId() == QMetaType::Bool) {
            EXPECT_EQ(actual.toBool(), row.value.toBool()) << row.property;
        } else {
            EXPECT_EQ(actual.toLongLong(), row.value.toLongLong()) << row.property;
        }
    }
    for (const char* picture : {"Picture", "PictureOVER", "PictureDOWN", "PictureChecked",
                                "PictureSelected", "ImageList"}) {
        EXPECT_TRUE(button->property(picture).value<QImage>().isNull()) << picture;
    }
    EXPECT_EQ(button->property("Font").value<QFont>(), hostFont());
    EXPECT_EQ(lbl()->font(), hostFont());
    EXPECT_EQ(lbl()->text(), "cmdGo");
    EXPECT_EQ(m().ButtonState, Btn::bNormal);
    EXPECT_FALSE(m().Painted);
    EXPECT_EQ(m().ParentEnabled, 0);
}

TEST(PublishedModel, EnumerationsCarryTheirMembersAndValues) {
    const struct {
        const char* enumeration;
        const char* member;
        int value;
    } rows[] = {
        {"eBtnState", "bNormal", 0},           {"eBtnState", "bDown", 1},
        {"eBtnState", "bDisable", 2},          {"eBtnState", "bUp", 3},
        {"eBtnAlignment", "btnAuto", 0},       {"eBtnAlignment", "btnLeft", 1},
        {"eBtnAlignment", "btnRight", 2},      {"eBtnAlignment", "btnTop", 3},
        {"eBtnAlignment", "btnBottom", 4},     {"eBtnAlignment", "btnCenter", 5},
        {"eBtnAttribute", "btnNormal", 0},     {"eBtnAttribute", "btnNormal_In", 1},
        {"eBtnAttribute", "btnOutLine", 2},    {"eBtnAttribute", "btnOutLine_In", 3},
        {"eBtnAttribute", "btnImage", 4},      {"eBtnAttribute", "btnImage_In", 5},
        {"eBtnAttribute", "btnImage_Only", 6}, {"eTransparent", "None_Transparent", 0},
        {"eTransparent", "Transparent", 1},    {"eTransparent", "Transparent_IN", 2},
        {"eChecked", "Not_Used", 0},           {"eChecked", "btnChecked", 1},
        {"eChecked", "btnOption", 2},
    };
    const QMetaObject& mo = TorvelImageButton::staticMetaObject;
    for (const auto& row : rows) {
        const int index = mo.indexOfEnumerator(row.enumeration);
        ASSERT_GE(index, 0) << row.enumeration;
        EXPECT_EQ(mo.enumerator(index).keyToValue(row.member), row.value) << row.member;
    }
    // Enumerated properties are shown by name in a form designer.
    const struct {
        const char* property;
        const char* enumeration;
    } typed[] = {{"PictureAlignment", "eBtnAlignment"},
                 {"Alignment", "eBtnAlignment"},
                 {"ButtonAttrib", "eBtnAttribute"},
                 {"ButtonTransparent", "eTransparent"},
                 {"CheckOption", "eChecked"}};
    for (const auto& t : typed) {
        const QMetaProperty p = mo.property(mo.indexOfProperty(t.property));
        ASSERT_TRUE(p.isValid()) << t.property;
        EXPECT_TRUE(p.isEnumType()) << t.property;
        EXPECT_STREQ(p.enumerator().name(), t.enumeration);
    }
}

// ---- setters ---------------------------------------------------------------------------

using Setters = HostedButton;

struct RangedCase {
    const char* property;
    int value;
    bool accepted;
};

class RangedSetter : public HostedButton, public ::testing::WithParamInterface<RangedCase> {};

using RangedSetterCall = std::function<bool(TorvelImageButton&, int)>;

RangedSetterCall rangedSetter(const QString& property) {
    static const QHash<QString, RangedSetterCall> setters = {
        {"AlphaNormal", [](Btn& b, int v) { return b.setAlphaNormal(v); }},
        {"AlphaUp", [](Btn& b, int v) { return b.setAlphaUp(v); }},
        {"AlphaDown", [](Btn& b, int v) { return b.setAlphaDown(v); }},
        {"AlphaDisable", [](Btn& b, int v) { return b.setAlphaDisable(v); }},
        {"ImgOutLineSize", [](Btn& b, int v) { return b.setImgOutLineSize(v); }},
        {"ImgUpOutLineSize", [](Btn& b, int v) { return b.setImgUpOutLineSize(v); }},
        {"ImgDownOutLineSize", [](Btn& b, int v) { return b.setImgDownOutLineSize(v); }},
        {"ImgDisableOutLineSize", [](Btn& b, int v) { return b.setImgDisableOutLineSize(v); }},
        {"ImageListWidth", [](Btn& b, int v) { return b.setImageListWidth(v); }},
        {"ImageListHeight", [](Btn& b, int v) { return b.setImageListHeight(v); }},
    };
    return setters.value(property);
}

TEST_P(RangedSetter, RefusesOutOfRangeWithFalseButStillGivesTheNotice) {
    const RangedCase c = GetParam();
    const int before = button->property(c.property).toInt();
    const auto set = rangedSetter(c.property);
    ASSERT_TRUE(set) << c.property;
    bool answer = false;
    const QStringList notices = noticesDuring([&] { answer = set(*button, c.value); });
    EXPECT_EQ(notices, QStringList{c.property});
    EXPECT_EQ(button->property(c.property).toInt(), c.accepted ? c.value : before);
    // Only a value out of range is a refusal; the present value is already what was asked.
    EXPECT_EQ(answer, c.accepted || c.value == before);
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, RangedSetter,
    ::testing::Values(
        RangedCase{"AlphaUp", 101, false}, RangedCase{"AlphaUp", -1, false},
        RangedCase{"AlphaUp", 100, false}, // its present value
        RangedCase{"AlphaUp", 0, true}, RangedCase{"AlphaNormal", 100, true},
        RangedCase{"AlphaDown", 55, true}, RangedCase{"AlphaDisable", 200, false},
        RangedCase{"ImgDownOutLineSize", 21, false}, RangedCase{"ImgDownOutLineSize", 20, true},
        RangedCase{"ImgDownOutLineSize", 0, true}, RangedCase{"ImgOutLineSize", -1, false},
        RangedCase{"ImgUpOutLineSize", 3, false}, RangedCase{"ImgDisableOutLineSize", 12, true},
        RangedCase{"ImageListWidth", 1000, true}, RangedCase{"ImageListWidth", -5, false},
        RangedCase{"ImageListHeight", 0, true}, RangedCase{"ImageListHeight", 21, false}),
    [](const auto& info) {
        return std::string(info.param.property) + "_" +
               (info.param.value < 0 ? "minus" + std::to_string(-info.param.value)
                                     : std::to_string(info.param.value));
    });

TEST_F(Setters, SixteenBitOverflowFailsAndKeepsTheOldValue) {
    using Set = bool (TorvelImageButton::*)(int);
    using Get = int (TorvelImageButton::*)() const;
    const struct {
        const char* name;
        Set set;
        Get get;
        int value;
    } rows[] = {
        {"CaptionOffsetY", &Btn::setCaptionOffsetY, &Btn::captionOffsetY, 40000},
        {"CaptionOffsetX", &Btn::setCaptionOffsetX, &Btn::captionOffsetX, -32769},
        {"MousePointer", &Btn::setMousePointer, &Btn::mousePointer, 70000},
        {"Gap", &Btn::setGap, &Btn::gap, 32768},
        {"PictureOffsetX", &Btn::setPictureOffsetX, &Btn::pictureOffsetX, 1 << 20},
        {"AlphaNormal", &Btn::setAlphaNormal, &Btn::alphaNormal, 65536 + 50},
        {"ImageListWidth", &Btn::setImageListWidth, &Btn::imageListWidth, 40000},
    };
    for (const auto& row : rows) {
        const int before = (button->*row.get)();
        bool accepted = true;
        TorvelImageButton* b = button;
        const QStringList notices =
            noticesDuring([b, &row, &accepted] { accepted = (b->*row.set)(row.value); });
        EXPECT_FALSE(accepted) << row.name;
        EXPECT_TRUE(notices.isEmpty()) << row.name;
        EXPECT_EQ((button->*row.get)(), before) << row.name;
    }
    EXPECT_TRUE(button->setCaptionOffsetY(-32768));
    EXPECT_EQ(button->captionOffsetY(), -32768);
}

TEST_F(Setters, MousePointerTakesTheWindowsCodesOnly) {
    EXPECT_TRUE(button->setMousePointer(11));
    EXPECT_EQ(button->mousePointer(), 11);
    EXPECT_EQ(button->cursor().shape(), Qt::WaitCursor);
    EXPECT_FALSE(button->setMousePointer(16));
    EXPECT_FALSE(button->setMousePointer(-1));
    EXPECT_EQ(button->mousePointer(), 11);
    EXPECT_TRUE(button->setMousePointer(0));
    EXPECT_FALSE(button->testAttribute(Qt::WA_SetCursor));
    EXPECT_TRUE(button->setMousePointer(99));
    EXPECT_EQ(button->mousePointer(), 99);
}

TEST_F(Setters, ValueDoesNothingAtAllWhenEqual) {
    button->setOwnerDraw(true);
    int passes = 0;
    QStringList notices =
        noticesDuring([&] { passes = redrawsDuring([&] { button->setValue(false); }); });
    EXPECT_TRUE(notices.isEmpty());
    EXPECT_EQ(passes, 0);
    notices = noticesDuring([&] { passes = redrawsDuring([&] { button->setValue(true); }); });
    EXPECT_EQ(notices, QStringList{"Value"});
    EXPECT_EQ(passes, 1);
    button->CheckedDisable();
    EXPECT_FALSE(button->value());
}

TEST_F(Setters, PictureLookTurnsSeeThroughOffAndStopsTheWatch) {
    FilePropertyBag bag;
    bag.writeProperty("ButtonTransparent", i32(1));
    button->readProperties(bag);
    auto* watch = button->findChild<QTimer*>("Timer2");
    ASSERT_TRUE(watch->isActive());

    const QStringList notices = noticesDuring([&] { button->setButtonAttrib(Btn::btnImage_Only); });
    EXPECT_EQ(notices, (QStringList{"ButtonAttrib", "ButtonTransparent"}));
    EXPECT_EQ(button->buttonTransparent(), Btn::None_Transparent);
    EXPECT_FALSE(watch->isActive());

    button->setButtonTransparent(Btn::Transparent);
    EXPECT_EQ(button->buttonTransparent(), Btn::Transparent);

    // Outline looks leave see-through alone.
    button->setButtonAttrib(Btn::btnOutLine);
    EXPECT_EQ(button->buttonTransparent(), Btn::Transparent);
}

TEST_F(Setters, EnabledMovesTheState) {
    button->setButtonState(Btn::bUp);
    button->setButtonEnabled(false);
    EXPECT_EQ(m().ButtonState, Btn::bDisable);
    EXPECT_FALSE(button->isButtonEnabled());
    button->setButtonState(Btn::bUp); // the cursor is over it
    button->setButtonEnabled(true);
    EXPECT_EQ(m().ButtonState, Btn::bNormal);
    EXPECT_TRUE(button->isButtonEnabled());
    EXPECT_TRUE(lbl()->isEnabled());
    EXPECT_TRUE(imgTemp()->isEnabled());
}

TEST_F(Setters, EnumeratedPropertiesStoreAnyNumber) {
    button->setProperty("CheckOption", 7);
    EXPECT_EQ(static_cast<int>(button->checkOption()), 7);
    button->setAlignment(static_cast<Btn::eBtnAlignment>(-3));
    EXPECT_EQ(static_cast<int>(button->alignment()), -3);
}

TEST_F(Setters, FontGoesToTheWindowAndTheLabel) {
    QFont big("DejaVu Sans", 20);
    EXPECT_EQ(noticesDuring([&] { button->setButtonFont(big); }), QStringList{"Font"});
    EXPECT_EQ(button->buttonFont(), big);
    EXPECT_EQ(button->font(), big);
    EXPECT_EQ(lbl()->font(), big);
}

enum class Redraws { Always, IfPainted, Never };

struct RedrawCase {
    const char* name;
    std::function<void(TorvelImageButton&)> apply;
    Redraws redraws;
};

class RedrawGating : public HostedButton, public ::testing::WithParamInterface<RedrawCase> {};

TEST_P(RedrawGating, BeforeTheFirstPaint) {
    // Owner-drawn from the start: never painted, so only the "always" setters redraw.
    button->setOwnerDraw(true);
    ASSERT_FALSE(m().Painted);
    const int passes = redrawsDuring([&] { GetParam().apply(*button); });
    EXPECT_EQ(passes, GetParam().redraws == Redraws::Always ? 1 : 0);
}

TEST_P(RedrawGating, AfterTheFirstPaint) {
    button->Redraw();
    ASSERT_TRUE(m().Painted);
    button->setOwnerDraw(true);
    const int passes = redrawsDuring([&] { GetParam().apply(*button); });
    EXPECT_EQ(passes, GetParam().redraws == Redraws::Never ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(
    Setters, RedrawGating,
    ::testing::Values(
        RedrawCase{"Picture", [](Btn& b) { b.setPicture(solid(4, 4, 0)); }, Redraws::Always},
        RedrawCase{"PictureOVER", [](Btn& b) { b.setPictureOVER(solid(4, 4, 0)); },
                   Redraws::Always},
        RedrawCase{"PictureDOWN", [](Btn& b) { b.setPictureDOWN(solid(4, 4, 0)); },
                   Redraws::Always},
        RedrawCase{"PictureChecked", [](Btn& b) { b.setPictureChecked(solid(4, 4, 0)); },
                   Redraws::Always},
        RedrawCase{"ImageList", [](Btn& b) { b.setImageList(coordinateStrip()); }, Redraws::Always},
        RedrawCase{"PictureSelectedUnselected",
                   [](Btn& b) { b.setPictureSelected(solid(4, 4, 0)); }, Redraws::Never},
        RedrawCase{"ForeColor", [](Btn& b) { b.setForeColor(0); }, Redraws::Always},
        RedrawCase{"BackColor", [](Btn& b) { b.setBackColor(0); }, Redraws::Always},
        RedrawCase{"Value", [](Btn& b) { b.setValue(true); }, Redraws::Always},
        RedrawCase{"OwnerDraw", [](Btn& b) { b.setOwnerDraw(true); }, Redraws::Always},
        RedrawCase{"Gap", [](Btn& b) { b.setGap(9); }, Redraws::IfPainted},
        RedrawCase{"CaptionOffsetX", [](Btn& b) { b.setCaptionOffsetX(3); }, Redraws::IfPainted},
        RedrawCase{"PictureOffsetY", [](Btn& b) { b.setPictureOffsetY(3); }, Redraws::IfPainted},
        RedrawCase{"PictureAlignment", [](Btn& b) { b.setPictureAlignment(Btn::btnTop); },
                   Redraws::IfPainted},
        RedrawCase{"Alignment", [](Btn& b) { b.setAlignment(Btn::btnRight); }, Redraws::IfPainted},
        RedrawCase{"ButtonAttrib", [](Btn& b) { b.setButtonAttrib(Btn::btnOutLine); },
                   Redraws::IfPainted},
        RedrawCase{"ButtonTransparent",
                   [](Btn& b) { b.setButtonTransparent(Btn::None_Transparent); },
                   Redraws::IfPainted},
        RedrawCase{"EnabledFalse", [](Btn& b) { b.setButtonEnabled(false); }, Redraws::IfPainted},
        RedrawCase{"Caption", [](Btn& b) { b.setCaption("Go"); }, Redraws::IfPainted},
        RedrawCase{"CaptionChecked", [](Btn& b) { b.setCaptionChecked("On"); }, Redraws::IfPainted},
        RedrawCase{"Font", [](Btn& b) { b.setButtonFont(QFont("DejaVu Sans", 11)); },
                   Redraws::IfPainted},
        RedrawCase{"Default", [](Btn& b) { b.setDefault(true); }, Redraws::IfPainted},
        RedrawCase{"AlphaColor", [](Btn& b) { b.setAlphaColor(0); }, Redraws::IfPainted},
        RedrawCase{"AlphaNormalAccepted", [](Btn& b) { b.setAlphaNormal(10); }, Redraws::IfPainted},
        RedrawCase{"AlphaNormalRefused", [](Btn& b) { b.setAlphaNormal(101); }, Redraws::Never},
        RedrawCase{"ImgUpOutLineSize", [](Btn& b) { b.setImgUpOutLineSize(5); },
                   Redraws::IfPainted},
        RedrawCase{"ImageListHeight", [](Btn& b) { b.setImageListHeight(30); }, Redraws::IfPainted},
        RedrawCase{"ButtonSelected", [](Btn& b) { b.setButtonSelected(true); }, Redraws::IfPainted},
        RedrawCase{"CheckOption", [](Btn& b) { b.setCheckOption(Btn::btnChecked); },
                   Redraws::Never},
        RedrawCase{"Cancel", [](Btn& b) { b.setCancel(true); }, Redraws::Never},
        RedrawCase{"MousePointer", [](Btn& b) { b.setMousePointer(2); }, Redraws::Never}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Setters, SelectedPictureRedrawsOnlyWhileSelected) {
    button->setOwnerDraw(true);
    button->setButtonSelected(true); // not painted: stores only
    EXPECT_EQ(redrawsDuring([&] { button->setPictureSelected(solid(3, 3, 0)); }), 1);
    EXPECT_EQ(noticesDuring([&] { button->setButtonSelected(false); }), QStringList{})
        << "selection is not stored";
}

} // namespace
