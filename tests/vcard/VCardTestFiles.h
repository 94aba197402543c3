#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// The hand-written vCards of tests/data/vcard and the bytes of any file.
inline QString corpusFile(const QString& name)
{
    return QStringLiteral(KALVINDO_TEST_DATA "/vcard/") + name;
}

inline QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return f.readAll();
}
