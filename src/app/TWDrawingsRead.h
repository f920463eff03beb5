#pragma once

#include "spec/TSpecification.h"

#include <QDialog>

#include <memory>
#include <vector>

namespace Ui {
class TWDrawingsRead;
}

// What the harvest of a project's drawings found, once some drawing could
// not be read: each drawing with its pipes or why it could not be read. The
// user stores the pipes of the drawings that were read (accept, the default
// button; not offered when none was) or keeps the table as it was (reject).
class TWDrawingsRead final : public QDialog {
    Q_OBJECT
public:
    TWDrawingsRead(const std::vector<DrawingRead>& reads, QWidget* parent = nullptr);
    ~TWDrawingsRead() override;

    Ui::TWDrawingsRead& ui() const { return *m_ui; }

private:
    std::unique_ptr<Ui::TWDrawingsRead> m_ui;
};
