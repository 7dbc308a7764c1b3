#pragma once

// The identifiers of the library, its class and its interfaces: what the server answers to
// and what the published description names.

#include <cstdint>

namespace torvelbutton::com {

/// A 128-bit identifier of a class, an interface or the library, in its four parts.
struct Guid {
    std::uint32_t Data1;   ///< the first 32 bits
    std::uint16_t Data2;   ///< the next 16 bits
    std::uint16_t Data3;   ///< the next 16 bits
    std::uint8_t Data4[8]; ///< the last 64 bits, byte by byte

    /// Identifiers are equal when all their parts are.
    friend constexpr bool operator==(const Guid& a, const Guid& b) {
        if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) {
            return false;
        }
        for (int i = 0; i < 8; ++i) {
            if (a.Data4[i] != b.Data4[i]) {
                return false;
            }
        }
        return true;
    }
};

// Identifiers hosts store with their forms; they never change.
inline constexpr Guid IID_IUnknown = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr Guid IID_IClassFactory = {
    0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr Guid IID_IDispatch = {
    0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr Guid LIBID_TorvelButton = {
    0x1C636623, 0x3093, 0x4147, {0xA8, 0x22, 0xEB, 0xF4, 0x0B, 0x4E, 0x41, 0x5C}};
inline constexpr Guid CLSID_TorvelImageButton = {
    0x7AEBAAD2, 0x821D, 0x4B50, {0xA5, 0x35, 0x7F, 0x2A, 0x00, 0x87, 0x24, 0x7B}};
inline constexpr Guid IID__TorvelImageButton = {
    0x5DF3A3C5, 0x1F28, 0x4DCD, {0xB8, 0x4C, 0x2B, 0xE0, 0x2B, 0xBB, 0xE6, 0x9C}};
inline constexpr Guid DIID___TorvelImageButton = {
    0x3E6074BF, 0xB64B, 0x402C, {0xA0, 0xA2, 0xA6, 0x23, 0x23, 0x34, 0x8C, 0xE0}};

} // namespace torvelbutton::com
