#include "app/ModalMessageService.h"

#include "app/ApplicationTitle.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {

// The system's texts use a carriage return as the line break of a message
// box; a Qt label breaks lines only at a line feed.
QString asDisplayed(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

void showBox(QMessageBox::Icon icon, const QString& text)
{
    QMessageBox box(icon, applicationTitle(), asDisplayed(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace

void ModalMessageService::showMessage(const QString& text) { showBox(QMessageBox::NoIcon, text); }

void ModalMessageService::showError(const QString& text) { showBox(QMessageBox::Critical, text); }

bool ModalMessageService::ask(const QString& text)
{
    QMessageBox box(QMessageBox::Question, applicationTitle(), asDisplayed(text), QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("Да"));
    box.button(QMessageBox::No)->setText(QStringLiteral("Нет"));
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}
