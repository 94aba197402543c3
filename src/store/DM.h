#pragma once

#include "store/DataSource.h"
#include "store/Table.h"

#include <QObject>
#include <QStringList>

// The data module: every table of the program paired with the data source
// the windows' controls bind to. Created once, closed; the main window opens
// the tables when it is first shown.
class TDM : public QObject
{
    Q_OBJECT
public:
    // dataFolder is relative to the working directory: "Data" for the program.
    explicit TDM(QObject* owner = nullptr, const QString& dataFolder = QStringLiteral("Data"));
    ~TDM() override;
    TDM(const TDM&) = delete;
    TDM& operator=(const TDM&) = delete;

    TTable* TelefonTable;
    TDataSource* TelefonSource;
    TTable* FamilieTable;
    TDataSource* FamilieSource;
    TTable* FamAllTable;
    TDataSource* FamAllSource;
    TTable* PostTable;
    TDataSource* PostSource;
    TTable* NogleTable;
    TDataSource* NogleSource;
    TTable* RegTable;
    TDataSource* RegSource;
    TTable* ConfigTable;
    TDataSource* ConfigSource;

    const QString& DataFolderPath() const { return m_dataFolder; }

    // The tables in the order the main window opens them after the configuration.
    QList<TTable*> ContactTables() const;

private:
    TTable* makeTable(const QString& name, const QString& file, TDataSource*& source,
                      const QString& sourceName);
    QString m_dataFolder;
};
