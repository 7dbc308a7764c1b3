#pragma once

class QWidget;

namespace remote::dialogs {

// Moves a top-level window to the middle of the primary screen's free area.
void centreOnScreen(QWidget& window);

} // namespace remote::dialogs
