#include "platform/dbwidgets/Confirm.h"

#include "platform/hooks/ProcessHook.h"

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

hooks::ProcessHook<Asker>& hook()
{
    static hooks::ProcessHook<Asker> installed(askWithMessageBox);
    return installed;
}

} // namespace

Asker setConfirmHook(Asker asker) { return hook().install(std::move(asker)); }

const Asker& confirmHook() { return hook().current(); }

bool confirm(const Asker& asker, QWidget* parent, const QString& question)
{
    return asker ? asker(parent, question) : hook().current()(parent, question);
}

} // namespace dbwidgets
