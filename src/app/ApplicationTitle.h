#pragma once

#include <QString>

namespace app {

// The application title: the taskbar text and the title of every message box.
inline QString applicationTitle() { return QStringLiteral("Ведорис"); }

} // namespace app
