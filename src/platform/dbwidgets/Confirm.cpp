#include "platform/dbwidgets/Confirm.h"

#include <QApplication>
#include <QMessageBox>

namespace dbwidgets {
namespace {

bool askWithMessageBox(QWidget* parent, const QString& question)
{
    const auto answer = QMessageBox::question(parent, QApplication::applicationDisplayName(), question,
                                              QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
    return answer == QMessageBox::Ok;
}

Asker& hook()
{
    static Asker current = askWithMessageBox;
    return current;
}

} // namespace

Asker setConfirmHook(Asker asker)
{
    Asker previous = std::move(hook());
    hook() = asker ? std::move(asker) : Asker(askWithMessageBox);
    return previous;
}

const Asker& confirmHook()
{
    return hook();
}

bool confirm(const Asker& asker, QWidget* parent, const QString& question)
{
    return asker ? asker(parent, question) : hook()(parent, question);
}

} // namespace dbwidgets
