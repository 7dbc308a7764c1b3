#pragma once

#include "torvelbutton/buttontypes.h"

#include <QImage>

namespace torvelbutton::typeinfo {

// The 16 x 15 picture hosts show for the class in their toolbox (resource 30000).
TORVELBUTTON_EXPORT QImage toolboxPicture();

} // namespace torvelbutton::typeinfo
