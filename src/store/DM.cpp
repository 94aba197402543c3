#include "store/DM.h"

TDM::TDM(QObject* owner, const QString& dataFolder) : QObject(owner), m_dataFolder(dataFolder)
{
    setObjectName(QStringLiteral("DM"));
    TelefonTable = makeTable(QStringLiteral("TelefonTable"), QStringLiteral("Telefon.DB"), TelefonSource,
                             QStringLiteral("TelefonSource"));
    FamilieTable = makeTable(QStringLiteral("FamilieTable"), QStringLiteral("Familie.db"), FamilieSource,
                             QStringLiteral("FamilieSource"));
    FamAllTable = makeTable(QStringLiteral("FamAllTable"), QStringLiteral("Familie.DB"), FamAllSource,
                            QStringLiteral("FamAllSource"));
    PostTable = makeTable(QStringLiteral("PostTable"), QStringLiteral("Postnr.DB"), PostSource,
                          QStringLiteral("PostSource"));
    NogleTable = makeTable(QStringLiteral("NogleTable"), QStringLiteral("Nogleord.DB"), NogleSource,
                           QStringLiteral("NogleSource"));
    RegTable = makeTable(QStringLiteral("RegTable"), QStringLiteral("Regnr.DB"), RegSource,
                         QStringLiteral("RegSource"));
    ConfigTable = makeTable(QStringLiteral("ConfigTable"), QStringLiteral("Config.DB"), ConfigSource,
                            QStringLiteral("ConfigSource"));

    FamilieTable->SetMasterSource(TelefonSource);
    FamilieTable->SetMasterFields(QStringLiteral("Navn;Telefon"));
    FamilieTable->SetIndexFieldNames(QStringLiteral("Navn;Telefon"));
}

TDM::~TDM() = default;

TTable* TDM::makeTable(const QString& name, const QString& file, TDataSource*& source,
                       const QString& sourceName)
{
    auto* table = new TTable(this, name);
    table->SetDatabaseName(m_dataFolder);
    table->SetTableName(file);
    source = new TDataSource(this, sourceName);
    source->SetDataSet(table);
    return table;
}

QList<TTable*> TDM::ContactTables() const
{
    return {RegTable, TelefonTable, PostTable, FamilieTable, FamAllTable, NogleTable};
}
