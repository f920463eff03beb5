#pragma once

#include <QString>

// The application title: the taskbar text and the title of every message box.
inline QString applicationTitle() { return QStringLiteral("Ведорис"); }
