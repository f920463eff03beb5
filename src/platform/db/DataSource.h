#pragma once

#include <QObject>
#include <QPointer>

namespace db {

class Dataset;

// Binds data-aware controls (grid, navigator) to a dataset, as a named
// component of the data module ("STruba", "SVTruba").
class DataSource : public QObject {
    Q_OBJECT
public:
    explicit DataSource(QObject* parent = nullptr) : QObject(parent) {}

    Dataset* dataset() const { return m_dataset; }
    void setDataset(Dataset* dataset)
    {
        if (m_dataset == dataset)
            return;
        m_dataset = dataset;
        emit datasetChanged();
    }

signals:
    void datasetChanged();

private:
    QPointer<Dataset> m_dataset;
};

} // namespace db
