#pragma once

#include "platform/db/DataLink.h"
#include "platform/db/DataSource.h"

#include <algorithm>
#include <functional>
#include <vector>

// A bound control that only writes down what its dataset tells it, bound
// through a data source of its own. onEvent looks at the dataset while it is
// being told; onUpdateRecord stands for a control holding pending input.
class DataEventLog final : public db::DataLink {
public:
    struct Entry {
        db::DataEvent event;
        int row;
        bool operator==(const Entry&) const = default;
    };

    explicit DataEventLog(db::Dataset& dataset)
    {
        m_source.setDataset(&dataset);
        setDataSource(&m_source);
        entries.clear();
    }
    // Whatever the callbacks look at may be gone already.
    ~DataEventLog() override
    {
        onEvent = nullptr;
        onUpdateRecord = nullptr;
        setDataSource(nullptr);
    }

    int count(db::DataEvent event) const
    {
        return int(std::count_if(entries.begin(), entries.end(), [&](const Entry& e) { return e.event == event; }));
    }
    std::vector<db::DataEvent> events() const
    {
        std::vector<db::DataEvent> result;
        for (const Entry& e : entries)
            result.push_back(e.event);
        return result;
    }

    std::vector<Entry> entries;
    std::function<void(db::DataEvent, int)> onEvent;
    std::function<void()> onUpdateRecord;

protected:
    void dataEvent(db::DataEvent event, int row) override
    {
        entries.push_back({event, row});
        if (onEvent)
            onEvent(event, row);
    }
    void updateRecord() override
    {
        if (onUpdateRecord)
            onUpdateRecord();
    }

private:
    db::DataSource m_source;
};
