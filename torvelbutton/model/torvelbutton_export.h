#pragma once

#include <QtCore/qglobal.h>

// Marks the library's public classes and functions; the library's own sources are built
// with TORVELBUTTON_LIBRARY defined.
#if defined(TORVELBUTTON_LIBRARY)
#define TORVELBUTTON_EXPORT Q_DECL_EXPORT
#else
#define TORVELBUTTON_EXPORT Q_DECL_IMPORT
#endif
