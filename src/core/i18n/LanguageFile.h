#pragma once

#include "core/i18n/MemIniFile.h"

// One language file held in memory. Every value read is decoded and every
// value written is encoded, so that texts keep their outer blanks, control
// characters and quotes on the way through a line-based file.
class TQLanguageFile : public TMemIniFile
{
public:
    using TMemIniFile::TMemIniFile;

    QString ReadString(const QString& section, const QString& name,
                       const QString& defaultValue) const override;
    void WriteString(const QString& section, const QString& name, const QString& value) override;
    QStringList ReadSectionValues(const QString& section) const override;

    // The stored form: the text in double quotes (inner quotes doubled), with
    // control characters written outside the quotes as #code.
    static QString EncodeValue(const QString& text);
    // "name=" followed by the stored form of the text.
    static QString EncodedLine(const QString& name, const QString& text);
    static QString DecodeValue(const QString& stored);
};
