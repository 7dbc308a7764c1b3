#include "typeinfo.h"

#include <QStringList>

#include <array>

namespace torvelbutton::typeinfo {

namespace {

using K = MemberKind;

// Properties count down from 0x6803002B; the numbers 0x6803000C and 0x6803000D are not
// used, so AlphaNormal goes on at 0x6803000B.
constexpr std::array<Member, 45> kMembers = {{
    {"hWnd", 0x6803002B, K::ReadOnlyProperty, "long"},
    {"HasDC", 0x6803002A, K::ReadOnlyProperty, "long"},
    {"hdc", 0x68030029, K::ReadOnlyProperty, "long"},
    {"ReturnContanerHwnd", 0x60030055, K::Method, "long"},
    {"CheckedDisable", 0x60030057, K::Method, "void"},
    {"ImageList", 0x68030028, K::Property, "Picture*"},
    {"Picture", 0x68030027, K::Property, "Picture*"},
    {"PictureOVER", 0x68030026, K::Property, "Picture*"},
    {"PictureDOWN", 0x68030025, K::Property, "Picture*"},
    {"PictureChecked", 0x68030024, K::Property, "Picture*"},
    {"PictureSelected", 0x68030023, K::Property, "Picture*"},
    {"ButtonSelected", 0x68030022, K::Property, "VARIANT_BOOL"},
    {"CheckOption", 0x68030021, K::Property, "eChecked"},
    {"Value", 0x68030020, K::Property, "VARIANT_BOOL"},
    {"ForeColor", 0x6803001F, K::Property, "OLE_COLOR"},
    {"BackColor", 0x6803001E, K::Property, "OLE_COLOR"},
    {"Gap", 0x6803001D, K::Property, "short"},
    {"CaptionOffsetX", 0x6803001C, K::Property, "long"},
    {"CaptionOffsetY", 0x6803001B, K::Property, "long"},
    {"PictureOffsetX", 0x6803001A, K::Property, "short"},
    {"PictureOffsetY", 0x68030019, K::Property, "short"},
    {"PictureAlignment", 0x68030018, K::Property, "eBtnAlignment"},
    {"Alignment", 0x68030017, K::Property, "eBtnAlignment"},
    {"ButtonAttrib", 0x68030016, K::Property, "eBtnAttribute"},
    {"ButtonTransparent", 0x68030015, K::Property, "eTransparent"},
    {"Enabled", 0x68030014, K::Property, "VARIANT_BOOL"},
    {"Caption", 0x68030013, K::Property, "BSTR"},
    {"CaptionChecked", 0x68030012, K::Property, "BSTR"},
    {"Font", 0x68030011, K::Property, "Font*"},
    {"Default", 0x68030010, K::Property, "VARIANT_BOOL"},
    {"Cancel", 0x6803000F, K::Property, "VARIANT_BOOL"},
    {"OwnerDraw", 0x6803000E, K::Property, "VARIANT_BOOL"},
    {"AlphaNormal", 0x6803000B, K::Property, "short"},
    {"AlphaUp", 0x6803000A, K::Property, "short"},
    {"AlphaDown", 0x68030009, K::Property, "short"},
    {"AlphaDisable", 0x68030008, K::Property, "short"},
    {"AlphaColor", 0x68030007, K::Property, "OLE_COLOR"},
    {"ImgOutLineSize", 0x68030006, K::Property, "short"},
    {"ImgUpOutLineSize", 0x68030005, K::Property, "short"},
    {"ImgDownOutLineSize", 0x68030004, K::Property, "short"},
    {"ImgDisableOutLineSize", 0x68030003, K::Property, "short"},
    {"ImageListWidth", 0x68030002, K::Property, "short"},
    {"ImageListHeight", 0x68030001, K::Property, "short"},
    {"Refresh", 0x60030058, K::Method, "void"},
    {"MousePointer", 0x68030000, K::Property, "MousePointerConstants"},
}};

constexpr std::array<Event, 16> kEvents = {{
    {"Click", -600, ""},
    {"DblClick", 1, ""},
    {"MouseExit", 2, ""},
    {"MouseMove", 3, "short* Button, short* Shift, float* X, float* Y"},
    {"MouseUp", 4, "short* Button, short* Shift, float* X, float* Y"},
    {"MouseDown", 5, "short* Button, short* Shift, float* X, float* Y"},
    {"KeyDown", -602, "short* KeyCode, short* Shift"},
    {"KeyPress", -603, "short* KeyAscii"},
    {"KeyUp", -604, "short* KeyCode, short* Shift"},
    {"OwnerDraw", 6, "long hdc, eBtnState ButtonState"},
    {"OLECompleteDrag", 7, "long* Effect"},
    {"OLEDragOver", 8,
     "DataObject** Data, long* Effect, short* Button, short* Shift, float* X, float* Y, "
     "short* State"},
    {"OLEDragDrop", 9,
     "DataObject** Data, long* Effect, short* Button, short* Shift, float* X, float* Y"},
    {"OLEGiveFeedback", 10, "long* Effect, VARIANT_BOOL* DefaultCursors"},
    {"OLESetData", 11, "DataObject** Data, short* DataFormat"},
    {"OLEStartDrag", 12, "DataObject** Data, long* AllowedEffects"},
}};

constexpr std::array<Enumeration, 5> kEnums = {{
    {"eBtnState",
     {0x0C3BFBF2, 0x67E4, 0x4222, {0x95, 0xC2, 0xAF, 0x57, 0x54, 0x64, 0xDA, 0xD6}},
     "bNormal = 0, bDown = 1, bDisable = 2, bUp = 3"},
    {"eBtnAlignment",
     {0x448EA658, 0x84AC, 0x452E, {0x94, 0xC5, 0x98, 0x01, 0xAC, 0x06, 0x20, 0x81}},
     "btnAuto = 0, btnLeft = 1, btnRight = 2, btnTop = 3, btnBottom = 4, btnCenter = 5"},
    {"eBtnAttribute",
     {0x2ECC4B64, 0x53A3, 0x4687, {0x83, 0x89, 0xFE, 0xB0, 0x70, 0xA3, 0x3D, 0xFE}},
     "btnNormal = 0, btnNormal_In = 1, btnOutLine = 2, btnOutLine_In = 3, btnImage = 4, "
     "btnImage_In = 5, btnImage_Only = 6"},
    {"eTransparent",
     {0x03A7639D, 0x2BD0, 0x4C3B, {0xA6, 0x1B, 0xB7, 0x7A, 0xDA, 0x63, 0x1E, 0x0B}},
     "None_Transparent = 0, Transparent = 1, Transparent_IN = 2"},
    {"eChecked",
     {0xDEC85574, 0xAA57, 0x4C72, {0xBB, 0x29, 0xF2, 0xB8, 0x9B, 0x3E, 0xAB, 0xC2}},
     "Not_Used = 0, btnChecked = 1, btnOption = 2"},
}};

} // namespace

std::span<const Member> interfaceMembers() {
    return kMembers;
}

std::span<const Event> events() {
    return kEvents;
}

std::span<const Enumeration> enumerations() {
    return kEnums;
}

const Member* memberById(std::int32_t dispId) {
    for (const Member& m : kMembers) {
        if (m.dispId == dispId) {
            return &m;
        }
    }
    return nullptr;
}

QString guidText(const com::Guid& g) {
    QString tail;
    for (int i = 2; i < 8; ++i) {
        tail += QStringLiteral("%1").arg(g.Data4[i], 2, 16, QLatin1Char('0'));
    }
    return QStringLiteral("{%1-%2-%3-%4%5-%6}")
        .arg(g.Data1, 8, 16, QLatin1Char('0'))
        .arg(g.Data2, 4, 16, QLatin1Char('0'))
        .arg(g.Data3, 4, 16, QLatin1Char('0'))
        .arg(g.Data4[0], 2, 16, QLatin1Char('0'))
        .arg(g.Data4[1], 2, 16, QLatin1Char('0'))
        .arg(tail)
        .toUpper();
}

QImage toolboxPicture() {
    return QImage(QStringLiteral(":/torvelbutton/toolbox.bmp"));
}

QString describe() {
    auto hex = [](std::int32_t id) {
        return QStringLiteral("0x%1").arg(static_cast<std::uint32_t>(id), 8, 16, QLatin1Char('0'));
    };
    QStringList out;
    out << QStringLiteral("library %1 \"%1\" %2 version %3.%4 lcid 0x%5")
               .arg(QLatin1String(kLibraryName), guidText(com::LIBID_TorvelButton))
               .arg(kLibraryMajor)
               .arg(kLibraryMinor)
               .arg(kLocale, 4, 16, QLatin1Char('0'));
    for (const Enumeration& e : kEnums) {
        out << QStringLiteral("enum %1 %2 { %3 }")
                   .arg(QLatin1String(e.name), guidText(e.guid), QLatin1String(e.members));
    }
    out << QStringLiteral("interface _%1 %2 dual hidden nonextensible oleautomation")
               .arg(QLatin1String(kClassName), guidText(com::IID__TorvelImageButton));
    for (const Member& m : kMembers) {
        const char* kind = m.kind == MemberKind::Method             ? "method"
                           : m.kind == MemberKind::ReadOnlyProperty ? "propget"
                                                                    : "propget propput";
        out << QStringLiteral("  [id(%1) %2] %3 %4")
                   .arg(hex(m.dispId), QLatin1String(kind), QLatin1String(m.type),
                        QLatin1String(m.name));
    }
    out << QStringLiteral("dispinterface __%1 %2 source")
               .arg(QLatin1String(kClassName), guidText(com::DIID___TorvelImageButton));
    for (const Event& e : kEvents) {
        out << QStringLiteral("  [id(%1)] void %2(%3)")
                   .arg(QString::number(e.dispId), QLatin1String(e.name),
                        QLatin1String(e.parameters));
    }
    out << QStringLiteral("coclass %1 %2 control default _%1 source __%1")
               .arg(QLatin1String(kClassName), guidText(com::CLSID_TorvelImageButton));
    return out.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace torvelbutton::typeinfo
