#pragma once

#include <QString>

namespace messages {

// Every text the program shows the user passes through one service: a modal
// message box in the running program, a recorder in tests. The texts are the
// system's own and are shown exactly as given.
class MessageService {
public:
    virtual ~MessageService() = default;
    // A plain modal message, titled with the application title.
    virtual void showMessage(const QString& text) = 0;
    // The top-level handler's modal error box, titled with the application title.
    virtual void showError(const QString& text) = 0;
    // A modal question with the answers "Да" (true) and "Нет" (false), "Нет"
    // the default: the answer of a user who only presses Enter changes
    // nothing. A service that cannot ask answers no.
    virtual bool ask(const QString& text)
    {
        showMessage(text);
        return false;
    }
};

// Installs the service for the whole process and returns the one it replaces.
// The caller keeps ownership; nullptr restores the default, which writes each
// text to standard error, so that a message nobody could show leaves a trace.
MessageService* setService(MessageService* service);
MessageService& service();

inline void showMessage(const QString& text) { service().showMessage(text); }
inline void showError(const QString& text) { service().showError(text); }
inline bool ask(const QString& text) { return service().ask(text); }

} // namespace messages
