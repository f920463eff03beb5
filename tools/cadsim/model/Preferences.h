#pragma once

#include "cadsim/model/ModelObject.h"

namespace cadsim {

// Application preferences; only the Files page is served.
class Preferences : public ModelObject {
public:
    explicit Preferences(std::shared_ptr<SimulatorState> state);

private:
    static const MemberTable& members();
};

// The Files page of the preferences: the support-folder list.
class PreferencesFiles : public ModelObject {
public:
    explicit PreferencesFiles(std::shared_ptr<SimulatorState> state);

private:
    static const MemberTable& members();
};

} // namespace cadsim
