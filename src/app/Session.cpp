#include "app/Session.h"

#include "app/TWMain.h"

Session::Session(SessionOptions options)
    : m_options(std::move(options)),
      m_platform(m_options.platform),
      m_messages(&messages::setService, m_options.messages ? m_options.messages : &m_messageBoxes),
      m_instances(m_options.connectionString, m_options.created),
      m_progressWindow(&m_instances.mainWindow()),
      m_progress(&progress::setDisplay, &m_progressWindow)
{
}

Session::~Session() = default;
