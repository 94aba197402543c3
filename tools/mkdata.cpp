// Builds the delivered data folder of the program folder. An existing data
// folder is left untouched: it holds the user's contacts.
#include "core/store/DataFolder.h"
#include "core/store/DatabaseError.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: kalvindo-mkdata POSTNUMRE.CSV DATAFOLDER\n");
        return 2;
    }
    if (QFileInfo::exists(args[2]))
        return 0;
    try {
        DataFolder::createDelivered(args[2], args[1]);
    } catch (const Exception& e) {
        std::fprintf(stderr, "kalvindo-mkdata: %s\n", e.what());
        return 1;
    }
    return 0;
}
