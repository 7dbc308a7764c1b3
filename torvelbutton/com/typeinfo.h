#pragma once

#include "torvelbutton/buttontypes.h"
#include "torvelbutton/com/identifiers.h"
#include "torvelbutton/com/toolbox.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <span>

// The published description of the library: its interfaces, their members with their
// dispatch numbers, the events and the enumerations. One table serves the dispatcher, the
// registration and the description text.
namespace torvelbutton::typeinfo {

enum class MemberKind { Property, ReadOnlyProperty, Method };

struct Member {
    const char* name;
    std::int32_t dispId;
    MemberKind kind;
    const char* type; // as the description names it
};

struct Event {
    const char* name;
    std::int32_t dispId;
    const char* parameters;
};

struct Enumeration {
    const char* name;
    com::Guid guid;
    const char* members;
};

// _TorvelImageButton, in slot order.
std::span<const Member> interfaceMembers();
// __TorvelImageButton, in slot order.
std::span<const Event> events();
std::span<const Enumeration> enumerations();

const Member* memberById(std::int32_t dispId);

// "{7AEBAAD2-821D-4B50-A535-7F2A0087247B}"
QString guidText(const com::Guid& guid);

// The whole description as text, the way it is published beside the registration.
QString describe();

inline constexpr const char* kLibraryName = "TorvelButton";
inline constexpr const char* kClassName = "TorvelImageButton";
inline constexpr const char* kProgId = "TorvelButton.TorvelImageButton";
inline constexpr int kLibraryMajor = 6;
inline constexpr int kLibraryMinor = 0;
inline constexpr std::uint32_t kLocale = 0x0409;
inline constexpr std::uint32_t kMiscStatus = 0x00021191;
inline constexpr int kToolboxBitmap = 30000;
inline constexpr const char* kFileVersion = "1.0.0.0";
inline constexpr const char* kVersionText = "1.00";

} // namespace torvelbutton::typeinfo
