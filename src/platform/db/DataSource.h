#pragma once

#include "platform/db/DataLink.h"

#include <QObject>

#include <vector>

namespace db {

class Dataset;

// Binds data-aware controls (grid, navigator) to a dataset, as a named
// component of the data module ("STruba", "SVTruba"). The dataset tells its
// data sources of every change; each passes it on to its links, in the order
// they were bound.
class DataSource : public QObject {
    Q_OBJECT
public:
    explicit DataSource(QObject* parent = nullptr);
    ~DataSource() override;

    Dataset* dataset() const { return m_dataset; }
    void setDataset(Dataset* dataset);

private:
    friend class DataLink;
    friend class Dataset;
    void addLink(DataLink* link);
    void removeLink(DataLink* link);
    void notifyLinks(DataEvent event, int row);
    void updateRecord();
    void datasetDestroyed();

    Dataset* m_dataset = nullptr;
    std::vector<DataLink*> m_links;
};

} // namespace db
