#pragma once

// The library's boundary for hosts that find it by its identifiers: four plain exports, a
// class factory and a dispatch interface addressed by numbers. The shapes follow the
// component conventions hosts of in-process controls expect (reference counts, interface
// queries by identifier, result codes), so a host can load the library with dlopen and
// reach the button without linking against it.

#include "torvelbutton/buttontypes.h"
#include "torvelbutton/com/identifiers.h"

#include <cstdint>

namespace torvelbutton::com {

using HRESULT = std::int32_t;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003u);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = static_cast<HRESULT>(0x8002000Eu);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);
inline constexpr HRESULT DISP_E_OVERFLOW = static_cast<HRESULT>(0x8002000Au);
inline constexpr HRESULT SELFREG_E_CLASS = static_cast<HRESULT>(0x80040201u);

struct IUnknown {
    virtual HRESULT QueryInterface(const Guid& iid, void** object) = 0;
    virtual std::uint32_t AddRef() = 0;
    virtual std::uint32_t Release() = 0;

protected:
    ~IUnknown() = default; // released through Release only
};

struct IClassFactory : IUnknown {
    virtual HRESULT CreateInstance(IUnknown* outer, const Guid& iid, void** object) = 0;
    virtual HRESULT LockServer(bool lock) = 0;

protected:
    ~IClassFactory() = default;
};

// A value passed through the dispatch interface: a number, a text or nothing.
struct Variant {
    enum Kind : std::int32_t { Empty = 0, Integer = 1, Boolean = 2, Text = 3 };
    Kind kind = Empty;
    std::int64_t integer = 0;       // Integer; Boolean as -1 or 0
    const char16_t* text = nullptr; // Text (in): UTF-16, zero-terminated
    char16_t buffer[256] = {};      // Text (out): zero-terminated, cut to fit
};

inline constexpr std::uint16_t DISPATCH_METHOD = 1;
inline constexpr std::uint16_t DISPATCH_PROPERTYGET = 2;
inline constexpr std::uint16_t DISPATCH_PROPERTYPUT = 4;

// The button's default interface, reached by number.
struct IDispatch : IUnknown {
    virtual HRESULT Invoke(std::int32_t dispId, std::uint16_t flags, const Variant* args,
                           std::uint32_t argCount, Variant* result) = 0;
    // The control's window (a QWidget*) for the host to place.
    virtual void* Window() = 0;

protected:
    ~IDispatch() = default;
};

} // namespace torvelbutton::com

// The four exports, by these names.
extern "C" {
TORVELBUTTON_EXPORT torvelbutton::com::HRESULT DllCanUnloadNow();
TORVELBUTTON_EXPORT torvelbutton::com::HRESULT
DllGetClassObject(const torvelbutton::com::Guid* clsid, const torvelbutton::com::Guid* iid,
                  void** object);
TORVELBUTTON_EXPORT torvelbutton::com::HRESULT DllRegisterServer();
TORVELBUTTON_EXPORT torvelbutton::com::HRESULT DllUnregisterServer();
}
