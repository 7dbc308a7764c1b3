// A host that knows the library only by its file and its identifiers: it loads it with
// dlopen and reaches the button through the class factory and dispatch numbers.
#include "torvelbutton/com/comserver.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

#include <dlfcn.h>

namespace {

using namespace torvelbutton::com;

struct Library {
    Library() {
        handle = dlopen(TORVELBUTTON_LIBRARY_FILE, RTLD_NOW | RTLD_LOCAL);
        if (handle) {
            canUnloadNow = reinterpret_cast<HRESULT (*)()>(dlsym(handle, "DllCanUnloadNow"));
            getClassObject = reinterpret_cast<HRESULT (*)(const Guid*, const Guid*, void**)>(
                dlsym(handle, "DllGetClassObject"));
            registerServer = reinterpret_cast<HRESULT (*)()>(dlsym(handle, "DllRegisterServer"));
            unregisterServer =
                reinterpret_cast<HRESULT (*)()>(dlsym(handle, "DllUnregisterServer"));
        }
    }
    // Not closed: the library registers its resources and types with Qt for the process.

    void* handle = nullptr;
    HRESULT (*canUnloadNow)() = nullptr;
    HRESULT (*getClassObject)(const Guid*, const Guid*, void**) = nullptr;
    HRESULT (*registerServer)() = nullptr;
    HRESULT (*unregisterServer)() = nullptr;
};

Library& library() {
    static Library lib;
    return lib;
}

class Host : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(library().handle, nullptr) << dlerror();
        ASSERT_TRUE(library().canUnloadNow && library().getClassObject &&
                    library().registerServer && library().unregisterServer);
    }

    IClassFactory* factory() {
        void* object = nullptr;
        EXPECT_EQ(library().getClassObject(&CLSID_TorvelImageButton, &IID_IClassFactory, &object),
                  S_OK);
        return static_cast<IClassFactory*>(object);
    }

    static Variant integer(std::int64_t v) {
        Variant x;
        x.kind = Variant::Integer;
        x.integer = v;
        return x;
    }

    static HRESULT put(IDispatch* d, std::int32_t id, const Variant& v) {
        return d->Invoke(id, DISPATCH_PROPERTYPUT, &v, 1, nullptr);
    }
    static Variant get(IDispatch* d, std::int32_t id, HRESULT* hr = nullptr) {
        Variant out;
        const HRESULT r = d->Invoke(id, DISPATCH_PROPERTYGET, nullptr, 0, &out);
        if (hr) {
            *hr = r;
        }
        return out;
    }
};

constexpr std::int32_t kValue = 0x68030020;
constexpr std::int32_t kGap = 0x6803001D;
constexpr std::int32_t kButtonAttrib = 0x68030016;
constexpr std::int32_t kCaption = 0x68030013;
constexpr std::int32_t kAlphaNormal = 0x6803000B;
constexpr std::int32_t kAlphaUp = 0x6803000A;
constexpr std::int32_t kMousePointer = 0x68030000;
constexpr std::int32_t kHWnd = 0x6803002B;
constexpr std::int32_t kForeColor = 0x6803001F;
constexpr std::int32_t kCheckedDisable = 0x60030057;
constexpr std::int32_t kReturnContanerHwnd = 0x60030055;

TEST_F(Host, TheFactoryMakesButtonsAndRefusesOtherClasses) {
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(library().getClassObject(&IID_IDispatch, &IID_IClassFactory, &object),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);

    IClassFactory* f = factory();
    ASSERT_NE(f, nullptr);
    void* instance = nullptr;
    // Any outer object asks for aggregation, which the class does not support.
    EXPECT_EQ(f->CreateInstance(f, IID_IDispatch, &instance), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(f->CreateInstance(nullptr, IID_IClassFactory, &instance), E_NOINTERFACE);
    EXPECT_EQ(instance, nullptr);
    EXPECT_EQ(library().canUnloadNow(), S_OK) << "the refused instance is gone again";

    ASSERT_EQ(f->CreateInstance(nullptr, IID__TorvelImageButton, &instance), S_OK);
    auto* button = static_cast<IDispatch*>(instance);
    void* same = nullptr;
    EXPECT_EQ(button->QueryInterface(IID_IDispatch, &same), S_OK);
    EXPECT_EQ(same, instance);
    static_cast<IUnknown*>(same)->Release();
    auto* window = static_cast<QWidget*>(button->Window());
    ASSERT_NE(window, nullptr);
    EXPECT_STREQ(window->metaObject()->className(), "TorvelImageButton");
    button->Release();
    f->Release();
}

TEST_F(Host, PropertiesAndMethodsByDispatchNumber) {
    IClassFactory* f = factory();
    void* instance = nullptr;
    ASSERT_EQ(f->CreateInstance(nullptr, IID__TorvelImageButton, &instance), S_OK);
    f->Release();
    auto* b = static_cast<IDispatch*>(instance);

    EXPECT_EQ(get(b, kAlphaNormal).integer, 80);
    EXPECT_EQ(get(b, kAlphaUp).integer, 100);
    EXPECT_EQ(put(b, kAlphaNormal, integer(55)), S_OK);
    EXPECT_EQ(get(b, kAlphaNormal).integer, 55);
    EXPECT_EQ(put(b, kAlphaNormal, integer(101)), S_OK) << "refused silently";
    EXPECT_EQ(get(b, kAlphaNormal).integer, 55);
    EXPECT_EQ(put(b, kGap, integer(40000)), DISP_E_OVERFLOW);
    EXPECT_EQ(get(b, kGap).integer, 4);
    EXPECT_EQ(put(b, kButtonAttrib, integer(2)), S_OK);
    EXPECT_EQ(get(b, kButtonAttrib).integer, 2);
    EXPECT_EQ(put(b, kForeColor, integer(0x8000000F)), S_OK);
    EXPECT_EQ(get(b, kForeColor).integer, 0x8000000F);
    EXPECT_EQ(put(b, kMousePointer, integer(11)), S_OK);
    EXPECT_EQ(get(b, kMousePointer).integer, 11);

    Variant text;
    text.kind = Variant::Text;
    text.text = u"확인";
    EXPECT_EQ(put(b, kCaption, text), S_OK);
    const Variant caption = get(b, kCaption);
    ASSERT_EQ(caption.kind, Variant::Text);
    EXPECT_EQ(std::u16string(caption.text), u"확인");

    Variant on;
    on.kind = Variant::Boolean;
    on.integer = -1;
    EXPECT_EQ(put(b, kValue, on), S_OK);
    EXPECT_EQ(get(b, kValue).integer, -1);
    EXPECT_EQ(b->Invoke(kCheckedDisable, DISPATCH_METHOD, nullptr, 0, nullptr), S_OK);
    EXPECT_EQ(get(b, kValue).integer, 0);
    Variant group;
    EXPECT_EQ(b->Invoke(kReturnContanerHwnd, DISPATCH_METHOD, nullptr, 0, &group), S_OK);
    EXPECT_EQ(group.integer, -1);

    EXPECT_EQ(put(b, kHWnd, integer(1)), DISP_E_MEMBERNOTFOUND) << "read only";
    EXPECT_NE(get(b, kHWnd).integer, 0);
    HRESULT hr = S_OK;
    get(b, 0x6803000C, &hr);
    EXPECT_EQ(hr, DISP_E_MEMBERNOTFOUND) << "a number the interface does not use";
    get(b, 0x6803002C, &hr);
    EXPECT_EQ(hr, DISP_E_MEMBERNOTFOUND);
    // Every other number of the range names a property.
    for (std::int32_t id = 0x68030000; id <= 0x6803002B; ++id) {
        if (id == 0x6803000C || id == 0x6803000D) {
            continue;
        }
        get(b, id, &hr);
        EXPECT_TRUE(hr == S_OK || hr == DISP_E_TYPEMISMATCH) << std::hex << id;
    }
    b->Release();
}

TEST_F(Host, UnloadFollowsInstancesAndLocks) {
    ASSERT_EQ(library().canUnloadNow(), S_OK);
    IClassFactory* f = factory();
    EXPECT_EQ(library().canUnloadNow(), S_OK) << "a factory alone does not hold the library";
    f->LockServer(true);
    EXPECT_EQ(library().canUnloadNow(), S_FALSE);
    f->LockServer(false);
    EXPECT_EQ(library().canUnloadNow(), S_OK);

    void* first = nullptr;
    void* second = nullptr;
    ASSERT_EQ(f->CreateInstance(nullptr, IID_IUnknown, &first), S_OK);
    ASSERT_EQ(f->CreateInstance(nullptr, IID_IDispatch, &second), S_OK);
    f->Release();
    EXPECT_EQ(library().canUnloadNow(), S_FALSE);
    auto* one = static_cast<IUnknown*>(first);
    one->AddRef();
    one->Release();
    one->Release();
    EXPECT_EQ(library().canUnloadNow(), S_FALSE);
    static_cast<IUnknown*>(second)->Release();
    EXPECT_EQ(library().canUnloadNow(), S_OK);
}

TEST_F(Host, RegisterWritesTheEntriesAndUnregisterRemovesThemOnly) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath("config/registry.ini");
    qputenv("TORVELBUTTON_REGISTRY", file.toLocal8Bit());
    QDir().mkpath(dir.filePath("config"));
    {
        QSettings other(file, QSettings::IniFormat);
        other.setValue("CLSID/{00000000-1111-2222-3333-444444444444}/Name", "Someone else");
    }

    ASSERT_EQ(library().registerServer(), S_OK);
    {
        QSettings reg(file, QSettings::IniFormat);
        const QString clsid = "CLSID/{7AEBAAD2-821D-4B50-A535-7F2A0087247B}/";
        EXPECT_EQ(reg.value(clsid + "ProgID").toString(), "TorvelButton.TorvelImageButton");
        EXPECT_EQ(reg.value(clsid + "MiscStatus").toString(), "0x00021191");
        EXPECT_TRUE(reg.value(clsid + "Control").toBool());
        EXPECT_EQ(reg.value(clsid + "TypeLib").toString(),
                  "{1C636623-3093-4147-A822-EBF40B4E415C}");
        const QString server = reg.value(clsid + "InprocServer32").toString();
        EXPECT_EQ(QFileInfo(server).canonicalFilePath(),
                  QFileInfo(TORVELBUTTON_LIBRARY_FILE).canonicalFilePath());
        EXPECT_EQ(reg.value(clsid + "ToolboxBitmap32").toString(), server + ", 30000");
        EXPECT_EQ(reg.value("TorvelButton.TorvelImageButton/CLSID").toString(),
                  "{7AEBAAD2-821D-4B50-A535-7F2A0087247B}");
        const QString lib = "TypeLib/{1C636623-3093-4147-A822-EBF40B4E415C}/";
        EXPECT_EQ(reg.value(lib + "Version").toString(), "6.0");
        EXPECT_EQ(reg.value(lib + "Locale").toString(), "0x0409");
        EXPECT_EQ(reg.value(lib + "FileVersion").toString(), "1.0.0.0");
        EXPECT_EQ(reg.value("Interface/{5DF3A3C5-1F28-4DCD-B84C-2BE02BBBE69C}/Name").toString(),
                  "_TorvelImageButton");
        EXPECT_EQ(reg.value("Interface/{3E6074BF-B64B-402C-A0A2-A62323348CE0}/Name").toString(),
                  "__TorvelImageButton");

        QFile description(reg.value(lib + "Path").toString());
        ASSERT_TRUE(description.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(description.readAll());
        EXPECT_TRUE(text.contains("[id(0x6803000b) propget propput] short AlphaNormal"));
        EXPECT_TRUE(text.contains("[id(0x68030000) propget propput] MousePointerConstants"));
        EXPECT_TRUE(text.contains("[id(-600)] void Click()"));
        EXPECT_TRUE(text.contains("enum eChecked {DEC85574-AA57-4C72-BB29-F2B89B3EABC2}"));
    }

    ASSERT_EQ(library().unregisterServer(), S_OK);
    QSettings reg(file, QSettings::IniFormat);
    EXPECT_FALSE(reg.contains("CLSID/{7AEBAAD2-821D-4B50-A535-7F2A0087247B}/ProgID"));
    EXPECT_FALSE(reg.contains("TorvelButton.TorvelImageButton/CLSID"));
    EXPECT_TRUE(reg.childGroups().contains("CLSID"));
    EXPECT_EQ(reg.value("CLSID/{00000000-1111-2222-3333-444444444444}/Name").toString(),
              "Someone else");
    EXPECT_FALSE(QFile::exists(dir.filePath("config/TorvelButton-6.0.typelib")));
    qunsetenv("TORVELBUTTON_REGISTRY");
}

} // namespace
