#pragma once

#include "platform/messages/Messages.h"

// Shows the program's messages as modal message boxes titled with the
// application title, parented to the active window so they stay on top of it.
class ModalMessageService final : public messages::MessageService {
public:
    void showMessage(const QString& text) override;
    void showError(const QString& text) override;
    bool ask(const QString& text) override;
};
