#pragma once

#include "remote/link/commandframe.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace remote::link {

class MonitorView;

// Key character of keypad button Button(index): indexes 1 to 19 and 24 to 26.
std::optional<std::uint8_t> KeypadKey(int index);
// Key character of arrow button Button2(index): indexes 20 to 23.
std::optional<std::uint8_t> ArrowKey(int index);

// The characters of a UTF-8 text. A byte that does not start a well-formed sequence counts
// as one character of its own, with the code InvalidCharacter.
inline constexpr char32_t InvalidCharacter = 0xFFFFFFFF;
std::vector<char32_t> DecodeUtf8(std::string_view text);
std::size_t CharacterCount(std::string_view text);

// A queued save that cannot be sent: a field holds a value that does not fit its byte.
struct SaveRefusal {
    std::string message; // names the field and its allowed range
};

// The setting command for PendingSave 1 to 9 from the input fields and switches as they
// are now, or why it cannot be sent. Upper limits are applied ("made 60 if larger"); a
// value below 0, a date field above 255, an overflowing date field, or a character of the
// ID or serial number outside 0 to 255 refuses the whole command, so no wrong byte is sent.
std::variant<CommandFrame, SaveRefusal> BuildSettingCommand(int pendingSave,
                                                            const MonitorView& view);

} // namespace remote::link
