// Writes to a data folder through the record store until it is killed:
// contacts, family members, renames and deletes of contacts with their family
// members, chosen at random. Every step is announced on standard output
// before it starts ("B ...") and reported once it has returned, so that the
// one who kills this process knows what must be on disk and what may be
// half-way.
//
//     crash_child <data folder> <seed>
//     crash_child --serve <data folder>     (see serve)
//
//   R n            record number n was drawn (its Regnr row is posted)
//   B C n          contact n is being posted
//   C n            contact n is posted (Navn "K<n>", Telefon "<n>")
//   B F n name     a family member of contact n is being posted
//   F n name
//   B N n navn     contact n is being renamed, its family members with it
//   N n navn
//   B D n          contact n is being deleted, its family members with it
//   D n

#include "CrashChild.h"

#include "core/data/DM.h"
#include "core/store/Field.h"
#include "core/store/Table.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstring>
#include <random>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

void report(const QString& line)
{
    const QByteArray bytes = (line + u'\n').toUtf8();
    // Unbuffered: a line written is in the pipe before the next step begins.
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(1, bytes.constData() + done, size_t(bytes.size() - done));
        if (n <= 0)
            std::_Exit(3);
        done += n;
    }
}

void setField(TTable& table, const char* name, const QString& value)
{
    table.FieldByName(QLatin1String(name)).SetAsString(value);
}

class Writer
{
public:
    Writer(const QString& folder, unsigned seed)
        : m_dm(nullptr, folder), m_random(seed), m_seed(seed)
    {
        // The tables the writes go to, and no more: every trial opens them.
        for (TTable* t : {m_dm.RegTable, m_dm.TelefonTable, m_dm.FamilieTable})
            t->Open();
        TTable& contacts = *m_dm.TelefonTable;
        for (contacts.First(); !contacts.Eof(); contacts.Next())
            m_contacts.push_back(int(contacts.FieldByName(QStringLiteral("Regnr")).AsInteger()));
    }

    void step()
    {
        const int dice = int(m_random() % 100);
        if (m_contacts.size() < 3 || dice < 35)
            addContact();
        else if (dice < 70)
            addMember(pick());
        else if (dice < 88)
            rename(pick());
        else
            remove(pick());
    }

private:
    int pick() { return m_contacts[m_random() % m_contacts.size()]; }

    void moveTo(int regnr)
    {
        if (!m_dm.TelefonTable->Locate(QStringLiteral("Regnr"), regnr))
            std::_Exit(4);
    }

    void addContact()
    {
        TTable& contacts = *m_dm.TelefonTable;
        contacts.Insert();
        const int regnr = int(contacts.FieldByName(QStringLiteral("Regnr")).AsInteger());
        report(QStringLiteral("R %1").arg(regnr));
        setField(contacts, "Navn", QStringLiteral("K%1").arg(regnr));
        setField(contacts, "Telefon", QString::number(regnr));
        setField(contacts, "Adresse1", CrashChild::address(regnr));
        report(QStringLiteral("B C %1").arg(regnr));
        contacts.Post();
        report(QStringLiteral("C %1").arg(regnr));
        m_contacts.push_back(regnr);
    }

    void addMember(int regnr)
    {
        moveTo(regnr);
        const QString name = QStringLiteral("M%1-%2").arg(m_seed).arg(++m_members);
        TTable& members = *m_dm.FamilieTable;
        members.Insert();
        setField(members, "FamNavn", name);
        setField(members, "Relation", CrashChild::relation(name));
        report(QStringLiteral("B F %1 %2").arg(regnr).arg(name));
        members.Post();
        report(QStringLiteral("F %1 %2").arg(regnr).arg(name));
    }

    void rename(int regnr)
    {
        moveTo(regnr);
        TTable& contacts = *m_dm.TelefonTable;
        const QString navn = QStringLiteral("K%1-%2").arg(regnr).arg(m_random() % 100000);
        contacts.Edit();
        setField(contacts, "Navn", navn);
        report(QStringLiteral("B N %1 %2").arg(regnr).arg(navn));
        contacts.Post();
        report(QStringLiteral("N %1 %2").arg(regnr).arg(navn));
    }

    void remove(int regnr)
    {
        moveTo(regnr);
        report(QStringLiteral("B D %1").arg(regnr));
        m_dm.TelefonTable->Delete();
        report(QStringLiteral("D %1").arg(regnr));
        std::erase(m_contacts, regnr);
    }

    TDM m_dm;
    std::mt19937 m_random;
    unsigned m_seed;
    std::vector<int> m_contacts;
    int m_members = 0;
};

// Serves trials: for each seed read from standard input, a writer of its
// own is forked, which tells its process number ("P pid") and writes until
// it is killed; then "X status" tells how it ended. The program starts once,
// so that a trial costs the killing and not the starting of a process.
int serve(const QString& folder)
{
    char line[64];
    while (std::fgets(line, sizeof line, stdin)) {
        const unsigned seed = unsigned(std::strtoul(line, nullptr, 10));
        const pid_t writer = ::fork();
        if (writer < 0)
            return 5;
        if (writer == 0) {
            report(QStringLiteral("P %1").arg(::getpid()));
            Writer w(folder, seed);
            report(QStringLiteral("ready"));
            for (;;)
                w.step();
        }
        int status = 0;
        ::waitpid(writer, &status, 0);
        report(QStringLiteral("X %1").arg(WIFSIGNALED(status) ? WTERMSIG(status)
                                                              : -WEXITSTATUS(status)));
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--serve") == 0)
        return serve(QString::fromLocal8Bit(argv[2]));
    if (argc != 3)
        return 2;
    Writer writer(QString::fromLocal8Bit(argv[1]), unsigned(std::stoul(argv[2])));
    report(QStringLiteral("ready"));
    for (;;)
        writer.step();
}
