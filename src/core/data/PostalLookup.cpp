#include "core/data/PostalLookup.h"

#include "core/data/DM.h"
#include "core/util/RestoreOnError.h"

namespace {

constexpr int MaxCodeLength = 4;
const QString CodeField = QStringLiteral("Postnr");
const QString TownField = QStringLiteral("Bynavn");

} // namespace

void PostalLookup::TownFromCode(TDM& dm, const QString& code, const QString& townField)
{
    TTable& contacts = *dm.TelefonTable;
    if (!contacts.IsEditing() || code.size() > MaxCodeLength)
        return;
    TTable& postal = *dm.PostTable;
    if (postal.FindKey(code))
        contacts.FieldByName(townField).SetAsString(postal.FieldByName(TownField).AsString());
}

void PostalLookup::CodeFromTown(TDM& dm, const QString& code, const QString& town,
                                const QString& codeField)
{
    if (code.size() > MaxCodeLength)
        return;
    TTable& contacts = *dm.TelefonTable;
    if (!contacts.IsEditing())
        contacts.Edit();
    TTable& postal = *dm.PostTable;
    postal.SetIndexName(QStringLiteral("IndexBy"));
    {
        const auto byCode = restoreOnError([&postal] { postal.SetIndexName(QString()); });
        if (postal.FindKey(town))
            contacts.FieldByName(codeField).SetAsString(postal.FieldByName(CodeField).AsString());
    }
    postal.SetIndexName(QString());
}
