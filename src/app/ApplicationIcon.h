#pragma once

#include <QIcon>

// The program's icon at every size it was rendered at from
// src/app/icon/vedoris.svg (16 to 256 pixels), so that a title bar, a task
// bar and a task switcher each take a picture drawn for their size instead
// of a scaled one.
QIcon applicationIcon();
