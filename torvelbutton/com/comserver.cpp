// The class factory, the dispatch object around one button, the unload rule and the
// registration file.
#include "comserver.h"

#include "common/numeric.h"
#include "torvelbutton/model/torvelimagebutton.h"
#include "typeinfo.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>

#include <dlfcn.h>

#include <atomic>
#include <limits>

using namespace torvelbutton;
using namespace torvelbutton::com;

namespace {

// What decides whether the library may be unloaded. The loader asks the library itself,
// with no object at hand, so the counts live with the library.
struct ServerCounts {
    std::atomic<int> objects{0};
    std::atomic<int> locks{0};
};

ServerCounts& counts() {
    static ServerCounts c;
    return c;
}

// The properties that are 16-bit in the window or the store: a number outside 16 bits is an
// overflow, not a silent refusal.
bool isSixteenBit(const char* name) {
    static const QStringList names = {"Gap",
                                      "CaptionOffsetX",
                                      "CaptionOffsetY",
                                      "PictureOffsetX",
                                      "PictureOffsetY",
                                      "AlphaNormal",
                                      "AlphaUp",
                                      "AlphaDown",
                                      "AlphaDisable",
                                      "ImgOutLineSize",
                                      "ImgUpOutLineSize",
                                      "ImgDownOutLineSize",
                                      "ImgDisableOutLineSize",
                                      "ImageListWidth",
                                      "ImageListHeight",
                                      "MousePointer"};
    return names.contains(QLatin1String(name));
}

HRESULT toVariant(const QVariant& v, Variant* out) {
    switch (v.typeId()) {
    case QMetaType::Bool:
        out->kind = Variant::Boolean;
        out->integer = v.toBool() ? -1 : 0;
        return S_OK;
    case QMetaType::QString: {
        out->kind = Variant::Text;
        const QString text = v.toString().left(255);
        std::fill(std::begin(out->buffer), std::end(out->buffer), u'\0');
        for (qsizetype i = 0; i < text.size(); ++i) {
            out->buffer[i] = static_cast<char16_t>(text.at(i).unicode());
        }
        out->text = out->buffer;
        return S_OK;
    }
    default:
        break;
    }
    bool ok = false;
    const qlonglong n = v.toLongLong(&ok);
    if (!ok) {
        return DISP_E_TYPEMISMATCH; // pictures and fonts do not travel by number
    }
    out->kind = Variant::Integer;
    out->integer = n;
    return S_OK;
}

std::optional<QVariant> fromVariant(const Variant& v) {
    switch (v.kind) {
    case Variant::Boolean:
        return QVariant(v.integer != 0);
    case Variant::Integer:
        // Enumerated properties take only plain int; colours above 0x7FFFFFFF need more.
        if (v.integer >= std::numeric_limits<int>::min() &&
            v.integer <= std::numeric_limits<int>::max()) {
            return QVariant(static_cast<int>(v.integer));
        }
        return QVariant::fromValue(static_cast<qlonglong>(v.integer));
    case Variant::Text: {
        if (!v.text) {
            return std::nullopt;
        }
        return QString::fromUtf16(v.text);
    }
    default:
        return std::nullopt;
    }
}

// Reference counting and interface lookup shared by the library's objects: an object answers
// for IUnknown and the interfaces it accepts, and is deleted with its last reference.
template <typename Interface>
class CountedObject : public Interface {
public:
    HRESULT QueryInterface(const Guid& iid, void** object) override {
        if (!object) {
            return E_POINTER;
        }
        *object = nullptr;
        if (iid == IID_IUnknown || accepts(iid)) {
            *object = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }

    std::uint32_t AddRef() override { return ++m_references; }

    std::uint32_t Release() override {
        const std::uint32_t left = --m_references;
        if (left == 0) {
            delete this;
        }
        return left;
    }

protected:
    virtual ~CountedObject() = default;
    virtual bool accepts(const Guid& iid) const = 0;

private:
    std::atomic<std::uint32_t> m_references{1};
};

class ButtonObject final : public CountedObject<IDispatch> {
public:
    ButtonObject()
        : button(new TorvelImageButton) {
        ++counts().objects;
        button->initProperties();
    }

    bool accepts(const Guid& iid) const override {
        return iid == IID_IDispatch || iid == IID__TorvelImageButton;
    }

    void* Window() override { return button.data(); }

    HRESULT Invoke(std::int32_t dispId, std::uint16_t flags, const Variant* args,
                   std::uint32_t argCount, Variant* result) override {
        const typeinfo::Member* member = typeinfo::memberById(dispId);
        if (!member) {
            return DISP_E_MEMBERNOTFOUND;
        }
        if (!button) {
            return E_FAIL; // the host's form has ended the window
        }
        if (argCount > 0 && !args) {
            return E_POINTER;
        }
        const QByteArray name(member->name);
        if (member->kind == typeinfo::MemberKind::Method) {
            if (!(flags & DISPATCH_METHOD) || argCount != 0) {
                return argCount != 0 ? DISP_E_BADPARAMCOUNT : DISP_E_MEMBERNOTFOUND;
            }
            if (name == "ReturnContanerHwnd") {
                const qint64 h = button->ReturnContanerHwnd();
                return result ? toVariant(QVariant::fromValue(static_cast<qlonglong>(h)), result)
                              : S_OK;
            }
            QMetaObject::invokeMethod(button.data(), name.constData(), Qt::DirectConnection);
            return S_OK;
        }
        if (flags & DISPATCH_PROPERTYGET) {
            if (!result) {
                return E_POINTER;
            }
            if (name == "hWnd") {
                return toVariant(QVariant::fromValue(static_cast<qlonglong>(button->hWnd())),
                                 result);
            }
            if (name == "HasDC" || name == "hdc") {
                // No device context of its own: the face is drawn into a kept image.
                return toVariant(QVariant::fromValue(0LL), result);
            }
            return toVariant(button->property(name.constData()), result);
        }
        if (flags & DISPATCH_PROPERTYPUT) {
            if (member->kind == typeinfo::MemberKind::ReadOnlyProperty) {
                return DISP_E_MEMBERNOTFOUND;
            }
            if (argCount != 1) {
                return DISP_E_BADPARAMCOUNT;
            }
            const auto value = fromVariant(args[0]);
            if (!value) {
                return DISP_E_TYPEMISMATCH;
            }
            if (args[0].kind == Variant::Integer && isSixteenBit(member->name) &&
                !common::fitsInt16(args[0].integer)) {
                return DISP_E_OVERFLOW;
            }
            if (!button->setProperty(name.constData(), *value)) {
                return DISP_E_TYPEMISMATCH;
            }
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    ~ButtonObject() override {
        // The host lets go of the instance: the control ends with it.
        delete button.data();
        --counts().objects;
    }

    QPointer<TorvelImageButton> button;
};

class ClassFactory final : public CountedObject<IClassFactory> {
public:
    bool accepts(const Guid& iid) const override { return iid == IID_IClassFactory; }

    HRESULT CreateInstance(IUnknown* outer, const Guid& iid, void** object) override {
        if (!object) {
            return E_POINTER;
        }
        *object = nullptr;
        if (outer) {
            return CLASS_E_NOAGGREGATION;
        }
        if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
            return E_FAIL; // a window needs the host's widget application
        }
        auto* instance = new ButtonObject; // owned by its reference count
        const HRESULT hr = instance->QueryInterface(iid, object);
        instance->Release(); // the query's reference stays, or the object goes
        return hr;
    }

    HRESULT LockServer(bool lock) override {
        if (lock) {
            ++counts().locks;
        } else if (counts().locks > 0) {
            --counts().locks;
        }
        return S_OK;
    }

private:
    ~ClassFactory() override = default;
};

// ---- registration -----------------------------------------------------------------------

// The registry file: TORVELBUTTON_REGISTRY names it (tests use that), otherwise it lies in
// the user's configuration folder.
QString registryPath() {
    const QString overridden = qEnvironmentVariable("TORVELBUTTON_REGISTRY");
    if (!overridden.isEmpty()) {
        return overridden;
    }
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/TorvelButton/registry.ini");
}

QString typeLibraryPath() {
    return QFileInfo(registryPath()).absolutePath() + QStringLiteral("/TorvelButton-%1.%2.typelib")
                                                          .arg(typeinfo::kLibraryMajor)
                                                          .arg(typeinfo::kLibraryMinor);
}

QString libraryPath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&DllRegisterServer), &info) == 0 || !info.dli_fname) {
        return {};
    }
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absoluteFilePath();
}

QStringList registeredGroups() {
    using namespace typeinfo;
    QStringList groups = {
        QStringLiteral("CLSID/") + guidText(CLSID_TorvelImageButton),
        QLatin1String(kProgId),
        QStringLiteral("TypeLib/") + guidText(LIBID_TorvelButton),
        QStringLiteral("Interface/") + guidText(IID__TorvelImageButton),
        QStringLiteral("Interface/") + guidText(DIID___TorvelImageButton),
    };
    return groups;
}

} // namespace

extern "C" {

HRESULT DllCanUnloadNow() {
    return counts().objects == 0 && counts().locks == 0 ? S_OK : S_FALSE;
}

HRESULT DllGetClassObject(const Guid* clsid, const Guid* iid, void** object) {
    if (!object) {
        return E_POINTER;
    }
    *object = nullptr;
    if (!clsid || !iid) {
        return E_INVALIDARG;
    }
    if (!(*clsid == CLSID_TorvelImageButton)) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    auto* factory = new ClassFactory; // owned by its reference count
    const HRESULT hr = factory->QueryInterface(*iid, object);
    factory->Release();
    return hr;
}

HRESULT DllRegisterServer() {
    using namespace typeinfo;
    const QString path = registryPath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        return SELFREG_E_CLASS;
    }
    const QString library = libraryPath();
    const QString version = QStringLiteral("%1.%2").arg(kLibraryMajor).arg(kLibraryMinor);
    {
        QSettings reg(path, QSettings::IniFormat);
        const QString clsid = QStringLiteral("CLSID/") + guidText(CLSID_TorvelImageButton);
        reg.beginGroup(clsid);
        reg.setValue(QStringLiteral("Name"), QLatin1String(kClassName));
        reg.setValue(QStringLiteral("ProgID"), QLatin1String(kProgId));
        reg.setValue(QStringLiteral("InprocServer32"), library);
        reg.setValue(QStringLiteral("Control"), true);
        reg.setValue(QStringLiteral("MiscStatus"),
                     QStringLiteral("0x%1").arg(kMiscStatus, 8, 16, QLatin1Char('0')));
        reg.setValue(QStringLiteral("ToolboxBitmap32"),
                     QStringLiteral("%1, %2").arg(library).arg(kToolboxBitmap));
        reg.setValue(QStringLiteral("TypeLib"), guidText(LIBID_TorvelButton));
        reg.setValue(QStringLiteral("Version"), version);
        reg.endGroup();

        reg.beginGroup(QLatin1String(kProgId));
        reg.setValue(QStringLiteral("CLSID"), guidText(CLSID_TorvelImageButton));
        reg.endGroup();

        reg.beginGroup(QStringLiteral("TypeLib/") + guidText(LIBID_TorvelButton));
        reg.setValue(QStringLiteral("Name"), QLatin1String(kLibraryName));
        reg.setValue(QStringLiteral("Version"), version);
        reg.setValue(QStringLiteral("Locale"),
                     QStringLiteral("0x%1").arg(kLocale, 4, 16, QLatin1Char('0')));
        reg.setValue(QStringLiteral("Path"), typeLibraryPath());
        reg.setValue(QStringLiteral("FileVersion"), QLatin1String(kFileVersion));
        reg.setValue(QStringLiteral("VersionText"), QLatin1String(kVersionText));
        reg.endGroup();

        for (const auto& [iid, name] :
             {std::pair{IID__TorvelImageButton, QStringLiteral("_TorvelImageButton")},
              std::pair{DIID___TorvelImageButton, QStringLiteral("__TorvelImageButton")}}) {
            reg.beginGroup(QStringLiteral("Interface/") + guidText(iid));
            reg.setValue(QStringLiteral("Name"), name);
            reg.setValue(QStringLiteral("TypeLib"), guidText(LIBID_TorvelButton));
            reg.setValue(QStringLiteral("Version"), version);
            reg.endGroup();
        }
        reg.sync();
        if (reg.status() != QSettings::NoError) {
            return SELFREG_E_CLASS;
        }
    }
    QSaveFile description(typeLibraryPath());
    if (!description.open(QIODevice::WriteOnly)) {
        return SELFREG_E_CLASS;
    }
    description.write(describe().toUtf8());
    return description.commit() ? S_OK : SELFREG_E_CLASS;
}

HRESULT DllUnregisterServer() {
    const QString path = registryPath();
    if (QFileInfo::exists(path)) {
        // Only what registration wrote; other entries of the file stay.
        QSettings reg(path, QSettings::IniFormat);
        for (const QString& group : registeredGroups()) {
            reg.remove(group);
        }
        reg.sync();
        if (reg.status() != QSettings::NoError) {
            return SELFREG_E_CLASS;
        }
    }
    QFile::remove(typeLibraryPath());
    return S_OK;
}

} // extern "C"
