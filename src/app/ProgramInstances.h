#pragma once

#include "app/ProcessWide.h"

#include <QString>

#include <functional>

class TSpecData;
class TWAbout;
class TWMain;
class TWSumTruba;

// The four process-wide instances, each a member, declared in the order they
// depend on one another so that they go in the reverse order by themselves:
// created hidden, in the order WMain, SpecData, WSumTruba, WAbout, the data
// module pointed at its file and bound to both windows that show it. Their
// names point into this object while it lives.
class ProgramInstances {
public:
    // `connectionString` empty: spec_base.mdb beside the executable.
    // `created` is told the name of each instance as it is made.
    explicit ProgramInstances(const QString& connectionString = {},
                              const std::function<void(const QString& name)>& created = {});
    ~ProgramInstances();
    ProgramInstances(const ProgramInstances&) = delete;
    ProgramInstances& operator=(const ProgramInstances&) = delete;

    TWMain& mainWindow() const { return *m_main; }
    TSpecData& data() const { return *m_data; }
    TWSumTruba& totalsWindow() const { return *m_totals; }
    TWAbout& aboutBox() const { return *m_about; }

private:
    Instance<TWMain> m_main;
    Instance<TSpecData> m_data;
    Instance<TWSumTruba> m_totals;
    Instance<TWAbout> m_about;
};
