#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

inline void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    f.write(bytes);
}

inline QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Test classes, run one after another by main.cpp.
int runLanguageFileTests(int argc, char** argv);
int runLanguageSourceTests(int argc, char** argv);
int runFormLocalizerTests(int argc, char** argv);
int runComponentModelTests(int argc, char** argv);
int runInCodeTextTests(int argc, char** argv);
