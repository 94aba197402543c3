#include "core/i18n/QtStandardTexts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

class TQtStandardTexts::SwitchingTranslator : public QTranslator
{
public:
    QString translate(const char* context, const char* sourceText, const char* disambiguation,
                      int n) const override
    {
        return current ? current->translate(context, sourceText, disambiguation, n) : QString();
    }
    bool isEmpty() const override { return !current; }

    const QTranslator* current = nullptr;
};

TQtStandardTexts::TQtStandardTexts(QObject* owner)
    : TQCustomLocalizer(owner), m_folder(QLibraryInfo::path(QLibraryInfo::TranslationsPath))
{
}

TQtStandardTexts::~TQtStandardTexts()
{
    if (m_translator && QCoreApplication::instance())
        QCoreApplication::removeTranslator(m_translator.get());
}

QStringList TQtStandardTexts::CataloguesFor(int languageIndex)
{
    switch (languageIndex) {
    case -1:
        return {QStringLiteral("qtbase_da")};
    case 1:
        return {QStringLiteral("qtbase_nb"), QStringLiteral("qt_nb"), QStringLiteral("qtbase_da")};
    case 2:
        return {QStringLiteral("qtbase_sv"), QStringLiteral("qt_sv")};
    case 3:
        return {QStringLiteral("qtbase_de")};
    default:
        return {}; // English: Qt's own texts
    }
}

void TQtStandardTexts::Localize()
{
    Install(SourceLanguage());
}

const QTranslator* TQtStandardTexts::catalogue(const QString& fileName)
{
    const auto known = m_catalogues.constFind(fileName);
    if (known != m_catalogues.constEnd())
        return known.value().get();
    auto translator = std::make_shared<QTranslator>();
    if (!translator->load(fileName) || translator->isEmpty())
        translator.reset();
    m_catalogues.insert(fileName, translator);
    return translator.get();
}

bool TQtStandardTexts::Install(int languageIndex)
{
    const QTranslator* found = nullptr;
    QString name;
    for (const QString& c : CataloguesFor(languageIndex)) {
        if ((found = catalogue(m_folder + u'/' + c + QStringLiteral(".qm")))) {
            name = c;
            break;
        }
    }
    if (!m_translator) {
        if (!found)
            return false;
        m_translator = std::make_unique<SwitchingTranslator>();
        m_translator->current = found;
        QCoreApplication::installTranslator(m_translator.get());
    }
    m_translator->current = found;
    m_installed = name;
    return found != nullptr;
}
