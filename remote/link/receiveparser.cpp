#include "remote/link/receiveparser.h"

namespace remote::link {

std::array<std::uint8_t, 4> ReceiveParser::SyncWindow() const {
    return {static_cast<std::uint8_t>(m_window >> 24), static_cast<std::uint8_t>(m_window >> 16),
            static_cast<std::uint8_t>(m_window >> 8), static_cast<std::uint8_t>(m_window)};
}

} // namespace remote::link
