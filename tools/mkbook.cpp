// Makes a data folder full of made-up contacts, for trying the program and
// for the benchmarks at a size no household reaches:
//
//   kalvindo-mkbook [--seed N] [--pictures FOLDER] CONTACTS POSTNUMRE.CSV DATAFOLDER
//
// The data folder must not exist. The pictures go to FOLDER (the program
// folder's Billeder, for a program folder that is to show them).
#include "bookgen/BookGenerator.h"
#include "core/util/Exception.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

namespace {

int usage()
{
    std::fprintf(stderr, "usage: kalvindo-mkbook [--seed N] [--pictures FOLDER] CONTACTS "
                         "POSTNUMRE.CSV DATAFOLDER\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    BookGen::Options options;
    while (args.size() > 1 && args.front().startsWith(QStringLiteral("--"))) {
        const QString option = args.takeFirst();
        const QString value = args.takeFirst();
        bool ok = true;
        if (option == QStringLiteral("--seed"))
            options.seed = value.toUInt(&ok);
        else if (option == QStringLiteral("--pictures"))
            options.pictureFolder = value;
        else
            return usage();
        if (!ok)
            return usage();
    }
    bool ok = false;
    if (args.size() != 3 || (options.contacts = args[0].toInt(&ok), !ok) || options.contacts < 0)
        return usage();
    QElapsedTimer timer;
    timer.start();
    try {
        const BookGen::Summary made =
            BookGen::make(args[2], args[1], options, [](int done, int total) {
                if (done % 10000 == 0 || done == total)
                    std::fprintf(stderr, "\r%d of %d contacts", done, total);
            });
        std::fprintf(stderr,
                     "\n%d contacts, %d family members, %d keywords, %d pictures in "
                     "%.1f s\n",
                     made.contacts, made.familyMembers, made.keywords, made.pictures,
                     double(timer.elapsed()) / 1000);
    } catch (const Exception& e) {
        std::fprintf(stderr, "kalvindo-mkbook: %s\n", e.what());
        return 1;
    }
    return 0;
}
