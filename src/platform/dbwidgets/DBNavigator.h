#pragma once

#include "platform/messages/EntryPoint.h"

#include "platform/db/DataLink.h"

#include <QToolButton>
#include <QWidget>

#include <array>

namespace dbwidgets {

// A bar of four buttons acting on a data source's dataset, left to right:
// insert a row at the current one, delete the current row (no question),
// post the row's changes, cancel them. The buttons are enabled as the
// dataset's state allows and never take the focus, so a grid being edited
// keeps it. No exception leaves the bar: failures go to errorHandler, or to
// the program's one failure reporter (messages::reportFailure) when it is empty.
class DBNavigator : public QWidget {
    Q_OBJECT
public:
    enum Button { Insert, Delete, Post, Cancel };
    static constexpr int buttonWidth = 56;
    static constexpr int buttonHeight = 25;

    explicit DBNavigator(QWidget* parent = nullptr);
    ~DBNavigator() override;

    db::DataSource* dataSource() const { return m_link.dataSource(); }
    // May be called any time after construction; the bar follows the data
    // source to whatever dataset it is bound to later.
    void setDataSource(db::DataSource* source) { m_link.setDataSource(source); }
    db::Dataset* dataset() const { return m_link.dataset(); }

    QToolButton* button(Button which) const { return m_buttons[which]; }

    // The buttons' actions, each run as an entry point.
    void insertRecord();
    void deleteRecord();
    void postRecord();
    void cancelRecord();

    // Failures of the bar's actions (empty: the program's reporter).
    messages::FailureHandler errorHandler;

    QSize sizeHint() const override;

private:
    // Any change of the dataset may change which buttons apply.
    class Link final : public db::DataLink {
    public:
        explicit Link(DBNavigator& bar) : m_bar(bar) {}

    protected:
        void dataEvent(db::DataEvent /*event*/, int /*row*/) override { m_bar.updateButtons(); }

    private:
        DBNavigator& m_bar;
    };

    void updateButtons();

    std::array<QToolButton*, 4> m_buttons{};
    Link m_link{*this};
};

} // namespace dbwidgets
