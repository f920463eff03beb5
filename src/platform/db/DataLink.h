#pragma once

namespace db {

class DataSource;
class Dataset;

// What a dataset tells the controls bound to it. Every change of the row list
// is told twice: once before the dataset changes it, once after, so that an
// item model can wrap it in Qt's begin…/end… pair and a view never sees a
// row list it was not told about.
enum class DataEvent {
    AboutToReset,  // the rows as a whole are about to change: open, close, re-sort, reload
    Reset,         // …they have changed
    AboutToInsert, // a row is about to enter the list at `row`
    Inserted,      // …it has
    AboutToRemove, // the row at `row` is about to leave the list
    Removed,       // …it has
    RowChanged,    // the values shown for `row` changed (a field set, a post, a cancel)
    StateChanged,  // browse, edit, insert or closed
    CurrentChanged, // the current row is now `row` (-1: none)
    DatasetChanged, // the link reaches another dataset, or none (always after an AboutToReset)
};

// A data-aware control's connection to a dataset, through a data source. The
// link follows its data source to whatever dataset that source is bound to,
// now or later. The control overrides dataEvent() for the changes it shows,
// and updateRecord() when it can hold input that is not yet in a field.
//
// A link is told nothing while the dataset's controls are disabled (a bulk
// write); it hears AboutToReset when they are disabled and Reset once they are
// enabled again.
class DataLink {
public:
    DataLink() = default;
    virtual ~DataLink();
    DataLink(const DataLink&) = delete;
    DataLink& operator=(const DataLink&) = delete;

    DataSource* dataSource() const { return m_source; }
    void setDataSource(DataSource* source);
    Dataset* dataset() const;
    bool isActive() const;  // bound to an open dataset
    bool isEditing() const; // the dataset's current row is in edit or insert state

protected:
    friend class DataSource;
    virtual void dataEvent(DataEvent event, int row) = 0;
    // The dataset is about to post, move, or otherwise end an edit: write any
    // input the control holds into the current row's fields now. A control
    // whose input cannot go into its field shows why and throws SilentAbort,
    // which stops the dataset's operation where it stands.
    virtual void updateRecord() {}

private:
    DataSource* m_source = nullptr;
};

} // namespace db
