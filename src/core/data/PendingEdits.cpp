#include "core/data/PendingEdits.h"

#include "core/data/DM.h"
#include "core/store/Table.h"

void postPendingEdits(TDM& dm)
{
    for (TTable* table : {dm.TelefonTable, dm.FamilieTable, dm.NogleTable})
        if (table->Active())
            table->CheckBrowseMode();
}
