#include "platform/dbwidgets/DBNavigator.h"

#include "platform/db/DataSource.h"
#include "platform/db/Dataset.h"

#include <QHBoxLayout>
#include <QToolButton>

namespace dbwidgets {
namespace {

struct ButtonLook {
    const char16_t* glyph;
    const char* objectName;
    QString toolTip;
};

} // namespace

DBNavigator::DBNavigator(QWidget* parent) : QWidget(parent)
{
    // Glyphs rather than theme icons: they look the same on every desktop and
    // are all present in DejaVu Sans.
    const std::array<ButtonLook, 4> looks{{
        {u"+", "InsertButton", QStringLiteral("Вставить запись")},
        {u"\u2212", "DeleteButton", QStringLiteral("Удалить запись")},
        {u"\u2713", "PostButton", QStringLiteral("Сохранить изменения")},
        {u"\u2717", "CancelButton", QStringLiteral("Отменить изменения")},
    }};
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (size_t i = 0; i < looks.size(); ++i) {
        auto* button = new QToolButton(this);
        button->setObjectName(QLatin1String(looks[i].objectName));
        button->setText(QString::fromUtf16(looks[i].glyph));
        button->setToolTip(looks[i].toolTip);
        button->setFixedSize(buttonWidth, buttonHeight);
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRaise(false);
        layout->addWidget(button);
        m_buttons[i] = button;
    }
    connect(m_buttons[Insert], &QToolButton::clicked, this, &DBNavigator::insertRecord);
    connect(m_buttons[Delete], &QToolButton::clicked, this, &DBNavigator::deleteRecord);
    connect(m_buttons[Post], &QToolButton::clicked, this, &DBNavigator::postRecord);
    connect(m_buttons[Cancel], &QToolButton::clicked, this, &DBNavigator::cancelRecord);
    setFixedSize(sizeHint());
    updateButtons();
}

DBNavigator::~DBNavigator() = default;

QSize DBNavigator::sizeHint() const
{
    return {static_cast<int>(m_buttons.size()) * buttonWidth, buttonHeight};
}

void DBNavigator::updateButtons()
{
    const db::Dataset* ds = dataset();
    const bool active = ds && ds->isActive();
    const bool editing = active && ds->isEditing();
    const bool writable = active && !ds->isReadOnly();
    m_buttons[Insert]->setEnabled(writable);
    m_buttons[Delete]->setEnabled(writable && ds->recordCount() > 0);
    m_buttons[Post]->setEnabled(editing);
    m_buttons[Cancel]->setEnabled(editing);
}

void DBNavigator::insertRecord()
{
    if (db::Dataset* ds = dataset(); ds && ds->isActive())
        messages::runEntryPoint([ds] { ds->insert(); }, errorHandler);
}

void DBNavigator::deleteRecord()
{
    if (db::Dataset* ds = dataset(); ds && ds->isActive() && ds->recordCount() > 0)
        messages::runEntryPoint([ds] { ds->deleteRecord(); }, errorHandler);
}

void DBNavigator::postRecord()
{
    if (db::Dataset* ds = dataset(); ds && ds->isActive())
        messages::runEntryPoint([ds] { ds->post(); }, errorHandler);
}

void DBNavigator::cancelRecord()
{
    if (db::Dataset* ds = dataset(); ds && ds->isActive())
        messages::runEntryPoint([ds] { ds->cancel(); }, errorHandler);
}

} // namespace dbwidgets
