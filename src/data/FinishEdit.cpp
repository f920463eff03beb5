#include "data/FinishEdit.h"

#include "platform/db/Dataset.h"

void FinishEdit(db::Dataset& table)
{
    table.checkActive();
    table.updateRecord();
    const db::DatasetState state = table.state();
    if (state != db::DatasetState::Edit && state != db::DatasetState::Insert)
        return;
    if (table.isModified())
        table.post();
    else
        table.cancel();
}
