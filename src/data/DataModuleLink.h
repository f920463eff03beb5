#pragma once

#include <stdexcept>
#include <string>

class TSpecData;

// A window's link to the data module, which the session makes after the
// windows and binds to them: asking for it before then is a fault of the
// program's wiring, not something a user can cause.
class DataModuleLink {
public:
    explicit DataModuleLink(const char* window) : m_window(window) {}

    void bind(TSpecData& data) { m_data = &data; }

    TSpecData& get() const
    {
        if (!m_data)
            throw std::logic_error(std::string("the ") + m_window + " is not bound to the data module");
        return *m_data;
    }

private:
    const char* m_window;
    TSpecData* m_data = nullptr;
};
