#pragma once

#include <QObject>
#include <QString>

class TQCustomLanguageSource;

enum TBiDiMode : int
{
    bdLeftToRight = 0,
    bdRightToLeft = 1,
    bdRightToLeftNoAlign = 2,
    bdRightToLeftReadingOnly = 3
};

// Windows character-set codes by name, as language files name them.
namespace CharSets {
constexpr int kDefaultCharSet = 1;
// The code of a name (matched upper-cased), or kDefaultCharSet for an unknown name.
int fromName(const QString& name);
// The name of a code; "DEFAULT_CHARSET" for a code the table does not name.
QString toName(int code);
} // namespace CharSets

// The text direction and character set of the active language. With the
// original language active they are the stored values; otherwise they come
// from the "General Settings" section of the active language's file.
class TQLanguageSettings : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int BiDiMode READ BiDiMode WRITE SetBiDiMode)
    Q_PROPERTY(int FontCharSet READ FontCharSet WRITE SetFontCharSet)

public:
    // The source is required ("Language source must be specified!").
    explicit TQLanguageSettings(TQCustomLanguageSource* source);

    virtual TBiDiMode BiDiMode() const;
    virtual int FontCharSet() const;
    virtual void SetBiDiMode(int mode);
    virtual void SetFontCharSet(int charSet);

    static const QString& GeneralSection();

private:
    QString readSetting(const QString& key, const QString& defaultValue) const;
    void writeSetting(const QString& key, const QString& value);

    TQCustomLanguageSource* m_source;
    int m_biDiMode = bdLeftToRight;
    int m_fontCharSet = CharSets::kDefaultCharSet;
};
