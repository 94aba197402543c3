#pragma once

#include "core/store/DataSource.h"
#include "core/store/Table.h"

#include <QObject>
#include <QStringList>

class RecordRulesHost;

// The data module: every table of the program paired with the data source
// the windows' controls bind to, and the record rules, bound when it is made,
// so that every path that writes a contact, a family member or a keyword
// (a window, an import, a tool) keeps the records right. Created once,
// closed; the main window opens the tables when it is first shown.
class TDM : public QObject
{
    Q_OBJECT
public:
    // dataFolder: absolute, or relative to the working directory; the program
    // passes the one DataLocation::dataFolder() names.
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
    // Closes every table, the configuration and the module's own cursor on
    // the family members too, so that no file stays open (a restore
    // replaces the files).
    void CloseTables();

    // What the rules tell the windows goes to the host; with none (tools,
    // tests) nothing visible happens.
    void SetHost(RecordRulesHost* host) { m_host = host; }
    RecordRulesHost* Host() const { return m_host; }

    static const QString DuplicateMessage;

    // --- the record rules
    void TelefonTableBeforeInsert(TTable& table);
    void TelefonTableAfterInsert(TTable& table);
    void TelefonTableBeforePost(TTable& table);
    void TelefonTableAfterPost(TTable& table);
    void TelefonTableAfterDelete(TTable& table);
    // Within the post and the delete of a contact: its family members
    // follow a change of its Navn or Telefon, and go with it when it is
    // deleted, in the same transaction.
    void TelefonTableWithinPost(TTable& table, const std::vector<QVariant>& before);
    void TelefonTableWithinDelete(TTable& table, const std::vector<QVariant>& deleted);
    void TelefonTablePostError(TTable& table, EDatabaseError& error, DataAction& action);
    void TelefonSourceDataChange(TDataSource& source, TField* field);
    void FamilieTableAfterInsert(TTable& table);
    void FamilieTableBeforePost(TTable& table);
    void FamilieTableAfterPost(TTable& table);
    void FamilieTablePostError(TTable& table, EDatabaseError& error, DataAction& action);
    void NogleTableAfterInsert(TTable& table);
    void NogleTableBeforePost(TTable& table);
    void NogleTableAfterPost(TTable& table);
    void NogleTablePostError(TTable& table, EDatabaseError& error, DataAction& action);

    // The next record number: the last given plus one, or 1 for the first.
    int DrawRecordNumber();
    // The count text for the number of contacts shown, in the active language.
    QString CountText() const;

signals:
    // The number of contacts shown may have changed: the count text, in the
    // active language, for the pages that show it. A notice: slots must not throw.
    void countChanged(const QString& text);

private:
    void BindRecordRules();
    static void DeriveDayAndMonth(TTable& table);
    void RefusePostOnKeyViolation(EDatabaseError& error, DataAction& action);
    // The family rows of one contact, on a cursor of their own that no
    // window shows, so that the family page and the birthday search keep
    // their places, filters and orders.
    TTable& FamilyRowsOf(const QString& navn, const QString& telefon);
    TTable* m_familyRows;
    RecordRulesHost* m_host = nullptr;
    TTable* makeTable(const QString& name, const QString& file, TDataSource*& source,
                      const QString& sourceName);
    QString m_dataFolder;
};
