#include "app/Session.h"

#include "about/TWAbout.h"
#include "app/TWMain.h"
#include "data/TSpecData.h"
#include "reports/TWSumTruba.h"

template <class T>
std::unique_ptr<T> Session::create(const char* name, std::unique_ptr<T> object) const
{
    if (m_options.created)
        m_options.created(QString::fromLatin1(name));
    return object;
}

Session::Session(SessionOptions options)
    : m_options(std::move(options)),
      m_platform(m_options.platform),
      m_messages(&messages::setService, m_options.messages ? m_options.messages : &m_messageBoxes),
      m_main(WMain, create("WMain", std::make_unique<TWMain>())),
      m_data(SpecData, create("SpecData", std::make_unique<TSpecData>())),
      m_totals(WSumTruba, create("WSumTruba", std::make_unique<TWSumTruba>(&*m_main))),
      m_about(WAbout, create("WAbout", std::make_unique<TWAbout>(&*m_main))),
      m_progressWindow(&*m_main),
      m_progress(&progress::setDisplay, &m_progressWindow)
{
    if (!m_options.connectionString.isEmpty())
        m_data->ADOConnection.setConnectionString(m_options.connectionString);
    // The windows name the data module's data sources; the module exists now.
    m_main->bindDataModule(*m_data);
    m_totals->bindDataModule(*m_data);
}

Session::~Session() = default;
