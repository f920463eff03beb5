#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace dbwidgets {

// Asks the user a yes/no question on behalf of a control (the grid's
// "delete this row?"); true means go ahead. The question is modal in the
// program; tests install an asker that answers at once.
using Asker = std::function<bool(QWidget* parent, const QString& question)>;

// The process-wide asker, used by every control whose own asker is empty.
// The default shows a modal question box titled with the application name.
// Returns the replaced asker; an empty one restores the default.
Asker setConfirmHook(Asker asker);
const Asker& confirmHook();

// Asks through `asker`, or through the process-wide hook when it is empty.
bool confirm(const Asker& asker, QWidget* parent, const QString& question);

} // namespace dbwidgets
