#include "platform/db/DataSource.h"

#include "platform/db/Dataset.h"

#include <algorithm>

namespace db {

namespace {

bool contains(const std::vector<DataLink*>& links, const DataLink* link)
{
    return std::find(links.begin(), links.end(), link) != links.end();
}

} // namespace

DataSource::DataSource(QObject* parent) : QObject(parent) {}

DataSource::~DataSource()
{
    setDataset(nullptr);
    for (DataLink* link : std::vector<DataLink*>(m_links))
        link->setDataSource(nullptr);
}

void DataSource::setDataset(Dataset* dataset)
{
    if (m_dataset == dataset)
        return;
    notifyLinks(DataEvent::AboutToReset, -1);
    if (m_dataset)
        m_dataset->removeDataSource(this);
    m_dataset = dataset;
    if (m_dataset)
        m_dataset->addDataSource(this);
    notifyLinks(DataEvent::DatasetChanged, -1);
}

void DataSource::datasetDestroyed()
{
    // The dataset is being destroyed; its fields are still there while the
    // links let go of it.
    notifyLinks(DataEvent::AboutToReset, -1);
    m_dataset = nullptr;
    notifyLinks(DataEvent::DatasetChanged, -1);
}

void DataSource::addLink(DataLink* link)
{
    if (!contains(m_links, link))
        m_links.push_back(link);
}

void DataSource::removeLink(DataLink* link)
{
    m_links.erase(std::remove(m_links.begin(), m_links.end(), link), m_links.end());
}

// A link may unbind itself or another link while it is told of a change; the
// ones gone by then hear nothing more.
void DataSource::notifyLinks(DataEvent event, int row)
{
    const std::vector<DataLink*> links = m_links;
    for (DataLink* link : links) {
        if (contains(m_links, link))
            link->dataEvent(event, row);
    }
}

void DataSource::updateRecord()
{
    const std::vector<DataLink*> links = m_links;
    for (DataLink* link : links) {
        if (contains(m_links, link))
            link->updateRecord();
    }
}

DataLink::~DataLink()
{
    if (m_source)
        m_source->removeLink(this);
}

void DataLink::setDataSource(DataSource* source)
{
    if (m_source == source)
        return;
    // The link forgets the old dataset before it learns of the new one, so a
    // model bound through it resets once for each.
    if (m_source) {
        dataEvent(DataEvent::AboutToReset, -1);
        m_source->removeLink(this);
        m_source = nullptr;
        dataEvent(DataEvent::DatasetChanged, -1);
    }
    if (source) {
        dataEvent(DataEvent::AboutToReset, -1);
        m_source = source;
        source->addLink(this);
        dataEvent(DataEvent::DatasetChanged, -1);
    }
}

Dataset* DataLink::dataset() const { return m_source ? m_source->dataset() : nullptr; }

bool DataLink::isActive() const
{
    const Dataset* ds = dataset();
    return ds && ds->isActive();
}

bool DataLink::isEditing() const
{
    const Dataset* ds = dataset();
    return ds && ds->isEditing();
}

} // namespace db
