#include "core/data/DM.h"

#include "core/data/RecordRulesHost.h"
#include "core/i18n/InCodeText.h"
#include "core/store/FilterText.h"
#include "core/util/Dialogs.h"
#include "core/util/Exception.h"

#include <QMetaMethod>

#include <exception>

TDM::TDM(QObject* owner, const QString& dataFolder) : QObject(owner), m_dataFolder(dataFolder)
{
    setObjectName(QStringLiteral("DM"));
    TelefonTable = makeTable(QStringLiteral("TelefonTable"), QStringLiteral("Telefon.DB"),
                             TelefonSource, QStringLiteral("TelefonSource"));
    FamilieTable = makeTable(QStringLiteral("FamilieTable"), QStringLiteral("Familie.db"),
                             FamilieSource, QStringLiteral("FamilieSource"));
    FamAllTable = makeTable(QStringLiteral("FamAllTable"), QStringLiteral("Familie.DB"),
                            FamAllSource, QStringLiteral("FamAllSource"));
    PostTable = makeTable(QStringLiteral("PostTable"), QStringLiteral("Postnr.DB"), PostSource,
                          QStringLiteral("PostSource"));
    NogleTable = makeTable(QStringLiteral("NogleTable"), QStringLiteral("Nogleord.DB"), NogleSource,
                           QStringLiteral("NogleSource"));
    RegTable = makeTable(QStringLiteral("RegTable"), QStringLiteral("Regnr.DB"), RegSource,
                         QStringLiteral("RegSource"));
    ConfigTable = makeTable(QStringLiteral("ConfigTable"), QStringLiteral("Config.DB"),
                            ConfigSource, QStringLiteral("ConfigSource"));

    m_familyRows = new TTable(this, QStringLiteral("FamilyRows"));
    m_familyRows->SetDatabaseName(m_dataFolder);
    m_familyRows->SetTableName(QStringLiteral("Familie.db"));

    FamilieTable->SetMasterSource(TelefonSource);
    FamilieTable->SetMasterFields(QStringLiteral("Navn;Telefon"));
    FamilieTable->SetIndexFieldNames(QStringLiteral("Navn;Telefon"));
    BindRecordRules();
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

void TDM::CloseTables()
{
    // The details before their masters, so that no detail follows a master
    // that is gone.
    const QList<TTable*> tables = ContactTables();
    for (auto it = tables.rbegin(); it != tables.rend(); ++it)
        (*it)->Close();
    m_familyRows->Close();
    ConfigTable->Close();
}

// --- record rules ---------------------------------------------------------------

const QString TDM::DuplicateMessage =
    QStringLiteral("Der findes en tilsvarende registrering i forvejen.");

void TDM::BindRecordRules()
{
    TelefonTable->BeforeInsert = [this](TTable& t) { TelefonTableBeforeInsert(t); };
    TelefonTable->AfterInsert = [this](TTable& t) { TelefonTableAfterInsert(t); };
    TelefonTable->BeforePost = [this](TTable& t) { TelefonTableBeforePost(t); };
    TelefonTable->AfterPost = [this](TTable& t) { TelefonTableAfterPost(t); };
    TelefonTable->AfterDelete = [this](TTable& t) { TelefonTableAfterDelete(t); };
    TelefonTable->AfterCancel = [this](TTable& t) { TelefonTableAfterDelete(t); };
    TelefonTable->WithinPost = [this](TTable& t, const std::vector<QVariant>& before) {
        TelefonTableWithinPost(t, before);
    };
    TelefonTable->WithinDelete = [this](TTable& t, const std::vector<QVariant>& deleted) {
        TelefonTableWithinDelete(t, deleted);
    };
    TelefonTable->OnPostError = [this](TTable& t, EDatabaseError& e, DataAction& a) {
        TelefonTablePostError(t, e, a);
    };
    TelefonSource->OnDataChange = [this](TDataSource& s, TField* f) {
        TelefonSourceDataChange(s, f);
    };
    FamilieTable->AfterInsert = [this](TTable& t) { FamilieTableAfterInsert(t); };
    FamilieTable->BeforePost = [this](TTable& t) { FamilieTableBeforePost(t); };
    FamilieTable->AfterPost = [this](TTable& t) { FamilieTableAfterPost(t); };
    FamilieTable->OnPostError = [this](TTable& t, EDatabaseError& e, DataAction& a) {
        FamilieTablePostError(t, e, a);
    };
    NogleTable->AfterInsert = [this](TTable& t) { NogleTableAfterInsert(t); };
    NogleTable->BeforePost = [this](TTable& t) { NogleTableBeforePost(t); };
    NogleTable->AfterPost = [this](TTable& t) { NogleTableAfterPost(t); };
    NogleTable->OnPostError = [this](TTable& t, EDatabaseError& e, DataAction& a) {
        NogleTablePostError(t, e, a);
    };
}

void TDM::TelefonTableBeforeInsert(TTable& table)
{
    // A new contact always goes into the whole table, whatever a page filtered.
    table.SetFiltered(false);
}

void TDM::TelefonTableAfterInsert(TTable& table)
{
    if (m_host)
        m_host->ContactInserted();
    table.FieldByName(QStringLiteral("FKort")).SetAsString(QStringLiteral("Nej"));
    table.FieldByName(QStringLiteral("JKort")).SetAsString(QStringLiteral("Nej"));
    table.FieldByName(QStringLiteral("Land")).SetAsString(QStringLiteral("Danmark"));
    // The number is drawn even when the placeholder picture fails: a contact
    // without a number would own no picture file at all. The picture's error
    // is shown after that.
    std::exception_ptr pictureError;
    if (m_host) {
        try {
            m_host->ShowPlaceholderPicture();
        } catch (const Exception&) {
            pictureError = std::current_exception();
        }
    }
    table.FieldByName(QStringLiteral("Regnr")).SetAsInteger(DrawRecordNumber());
    if (pictureError)
        std::rethrow_exception(pictureError);
}

int TDM::DrawRecordNumber()
{
    RegTable->Last();
    const int next = int(RegTable->FieldByName(QStringLiteral("Regnr")).AsInteger()) + 1;
    RegTable->Insert();
    RegTable->FieldByName(QStringLiteral("Regnr")).SetAsInteger(next);
    RegTable->Post();
    return next;
}

void TDM::DeriveDayAndMonth(TTable& table)
{
    // Taken from the birthday field itself at every post, so that the two
    // fields always follow it, also when the birthday was cleared.
    const QString birthday = table.FieldByName(QStringLiteral("Fodselsdag")).AsString();
    table.FieldByName(QStringLiteral("Dg"))
        .SetAsString(birthday.isEmpty() ? QString() : birthday.mid(0, 2));
    table.FieldByName(QStringLiteral("Md"))
        .SetAsString(birthday.isEmpty() ? QString() : birthday.mid(3, 2));
}

void TDM::TelefonTableBeforePost(TTable& table)
{
    DeriveDayAndMonth(table);
}
void TDM::FamilieTableBeforePost(TTable& table)
{
    DeriveDayAndMonth(table);
}

void TDM::TelefonTableAfterPost(TTable& table)
{
    table.FlushBuffers();
}
void TDM::FamilieTableAfterPost(TTable& table)
{
    table.FlushBuffers();
}
void TDM::NogleTableBeforePost(TTable& table)
{
    // An empty word is no keyword: the row is given up instead (an insert
    // stores nothing, an edit keeps the word that was there).
    if (!table.FieldByName(QStringLiteral("Nogleord")).AsString().trimmed().isEmpty())
        return;
    table.Cancel();
    throw EAbort();
}
void TDM::NogleTableAfterPost(TTable& table)
{
    table.FlushBuffers();
}

void TDM::TelefonTableAfterDelete(TTable&)
{
    if (m_host)
        m_host->ShowContactPicture();
}

TTable& TDM::FamilyRowsOf(const QString& navn, const QString& telefon)
{
    if (!m_familyRows->Active())
        m_familyRows->Open();
    m_familyRows->SetFilter(QStringLiteral("Navn = %1 and Telefon = %2")
                                .arg(FilterText::quoted(navn), FilterText::quoted(telefon)));
    m_familyRows->SetFiltered(true);
    return *m_familyRows;
}

void TDM::TelefonTableWithinPost(TTable& table, const std::vector<QVariant>& before)
{
    if (before.empty())
        return; // a new contact has no family members yet
    const TField& navn = table.FieldByName(QStringLiteral("Navn"));
    const TField& telefon = table.FieldByName(QStringLiteral("Telefon"));
    const QString oldNavn = before[size_t(navn.Index())].toString();
    const QString oldTelefon = before[size_t(telefon.Index())].toString();
    if (oldNavn == navn.AsString() && oldTelefon == telefon.AsString())
        return;
    TTable& rows = FamilyRowsOf(oldNavn, oldTelefon);
    // Each row leaves the filter when it is posted: marked first, then moved.
    std::vector<TBookmark> members;
    for (rows.First(); !rows.Eof(); rows.Next())
        members.push_back(rows.GetBookmark());
    for (const TBookmark& member : members) {
        rows.GotoBookmark(member);
        rows.Edit();
        rows.FieldByName(QStringLiteral("Navn")).SetAsString(navn.AsString());
        rows.FieldByName(QStringLiteral("Telefon")).SetAsString(telefon.AsString());
        rows.Post();
    }
}

void TDM::TelefonTableWithinDelete(TTable& table, const std::vector<QVariant>& deleted)
{
    const int navn = table.FieldByName(QStringLiteral("Navn")).Index();
    const int telefon = table.FieldByName(QStringLiteral("Telefon")).Index();
    TTable& rows =
        FamilyRowsOf(deleted[size_t(navn)].toString(), deleted[size_t(telefon)].toString());
    for (rows.First(); !rows.IsEmpty(); rows.First())
        rows.Delete();
}

void TDM::RefusePostOnKeyViolation(EDatabaseError& error, DataAction& action)
{
    const auto* engine = dynamic_cast<EDBEngineError*>(&error);
    if (!engine || engine->errorCount() == 0 ||
        engine->errorCode(0) != EDBEngineError::KeyViolation)
        return;
    Dialogs::instance().message(MessageKind::Warning, DuplicateMessage, Ok);
    action = DataAction::Abort;
}

void TDM::TelefonTablePostError(TTable&, EDatabaseError& error, DataAction& action)
{
    RefusePostOnKeyViolation(error, action);
}
void TDM::FamilieTablePostError(TTable&, EDatabaseError& error, DataAction& action)
{
    RefusePostOnKeyViolation(error, action);
}
void TDM::NogleTablePostError(TTable&, EDatabaseError& error, DataAction& action)
{
    RefusePostOnKeyViolation(error, action);
}

QString TDM::CountText() const
{
    const QString prefix = inCodeText(
        {QStringLiteral("Viste registreringer: "), QStringLiteral("Selected registrations: "),
         QStringLiteral("Viste registreringer: "), QStringLiteral("Viste registreringer: "),
         QStringLiteral("Viste registreringer: ")});
    return prefix + QString::number(TelefonTable->Active() ? TelefonTable->RecordCount() : 0);
}

void TDM::TelefonSourceDataChange(TDataSource&, TField*)
{
    // Counting costs a query after every post: only for a page that shows it.
    if (isSignalConnected(QMetaMethod::fromSignal(&TDM::countChanged)))
        emit countChanged(CountText());
}

void TDM::FamilieTableAfterInsert(TTable&)
{
    if (m_host)
        m_host->FamilyMemberInserted();
}

void TDM::NogleTableAfterInsert(TTable&)
{
    if (m_host)
        m_host->KeywordInserted();
}
