#include "app/ProgramInstances.h"

#include "about/TWAbout.h"
#include "app/TWMain.h"
#include "data/TSpecData.h"
#include "reports/TWSumTruba.h"

namespace {

template <class T>
std::unique_ptr<T> made(const std::function<void(const QString&)>& created, const char* name, std::unique_ptr<T> object)
{
    if (created)
        created(QString::fromLatin1(name));
    return object;
}

} // namespace

ProgramInstances::ProgramInstances(const QString& connectionString,
                                   const std::function<void(const QString& name)>& created)
    : m_main(WMain, made(created, "WMain", std::make_unique<TWMain>())),
      m_data(SpecData, made(created, "SpecData", std::make_unique<TSpecData>())),
      m_totals(WSumTruba, made(created, "WSumTruba", std::make_unique<TWSumTruba>(&*m_main))),
      m_about(WAbout, made(created, "WAbout", std::make_unique<TWAbout>(&*m_main)))
{
    if (!connectionString.isEmpty())
        m_data->ADOConnection.setConnectionString(connectionString);
    // The windows name the data module's data sources; the module exists now.
    m_main->bindDataModule(*m_data);
    m_totals->bindDataModule(*m_data);
}

ProgramInstances::~ProgramInstances() = default;
