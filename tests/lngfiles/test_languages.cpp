#include "RecordingDialogs.h"
#include "TestSupport.h"
#include "core/component/GridColumns.h"
#include "core/data/DM.h"
#include "core/i18n/LanguageFile.h"
#include "core/i18n/LanguageSource.h"
#include "core/util/ProgramFolder.h"
#include "gui/controls/ComponentModel.h"
#include "gui/controls/ShadowLabel.h"
#include "gui/i18n/FormLocalizer.h"
#include "gui/pages/details/DetailsPage.h"
#include "gui/windows/NogleForm.h"
#include "gui/windows/PhoneForm.h"
#include "ui_DetailsPage.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

namespace {

const QStringList LanguageFiles = {"English.lng", "Norsk.lng", "Svensk.lng", "Deutsch.lng"};
const QStringList ProgramFilled = {"Help.Hint", "Label46.Caption", "Label47.Caption",
                                   "Sproget.Caption"};

QString shippedFile(const QString& name)
{
    return QStringLiteral(KALVINDO_SOURCE_DIR "/resources/lng/") + name;
}

// Every caption, hint, tab text and column title of a window, by its key.
QMap<QString, QString> snapshot(QObject* window, const QStringList& props)
{
    QMap<QString, QString> texts;
    for (QObject* o : window->findChildren<QObject*>()) {
        if (o->objectName().isEmpty())
            continue;
        for (const QString& p : props) {
            const ComponentModel::Property property = ComponentModel::property(o, p);
            QString v;
            if (property.kind() == ComponentModel::PropertyKind::GridColumns) {
                for (int i = 0; i < property.count(); ++i)
                    v += qobject_cast<TColumn*>(property.item(i))->Title() + u'|';
            } else if (property.kind() == ComponentModel::PropertyKind::Text) {
                v = property.text();
            }
            if (!v.isEmpty())
                texts.insert(o->objectName() + u'.' + p, v);
        }
    }
    texts.insert(QStringLiteral("Caption"), window->property("windowTitle").toString());
    return texts;
}

// One run of the program on a data folder, in a working directory that holds
// the language files.
struct Run
{
    TPhoneForm form;
    TDM dm;
    TNogleForm keywords;
    explicit Run(const QString& dataFolder)
        : dm(nullptr, dataFolder), keywords(&dm, form.QLanguageSource1())
    {
        form.SetDataModule(&dm);
        form.SetKeywordWindow(&keywords);
        form.ShowMain();
    }
    ~Run() { form.close(); }
    QString tab(const char* name) const
    {
        auto* tabs = form.PageControl1();
        return tabs->tabText(tabs->indexOf(form.findChild<QWidget*>(QLatin1String(name))));
    }
    void checkedOnly(int index) const
    {
        for (int i = -1; i <= 3; ++i)
            QCOMPARE(form.LanguageItem(i)->isChecked(), i == index);
    }
};

} // namespace

class TestLanguages : public QObject
{
    Q_OBJECT
    std::unique_ptr<TempDataFolder> m_folder;
    std::unique_ptr<RecordingDialogs> m_dialogs;
    QString m_previousDir;

private slots:
    void init()
    {
        m_folder = std::make_unique<TempDataFolder>();
        m_dialogs = std::make_unique<RecordingDialogs>();
        for (const QString& f : LanguageFiles)
            QVERIFY(QFile::copy(shippedFile(f), m_folder->root() + u'/' + f));
        QDir().mkpath(m_folder->root() + QStringLiteral("/Billeder"));
        QFile::copy(testPicture("valid.jpg"),
                    m_folder->root() + QStringLiteral("/Billeder/Ingen.jpg"));
        ProgramFolder::setPath(m_folder->root());
        m_previousDir = QDir::currentPath();
        QDir::setCurrent(m_folder->root());
    }
    void cleanup()
    {
        QDir::setCurrent(m_previousDir);
        ProgramFolder::setPath(QString());
        m_dialogs.reset();
        m_folder.reset();
    }

    void everyTranslatableTextHasAnEntryInEveryFile_data()
    {
        QTest::addColumn<QString>("file");
        for (const QString& f : LanguageFiles)
            QTest::newRow(qPrintable(f)) << f;
    }
    void everyTranslatableTextHasAnEntryInEveryFile()
    {
        QFETCH(QString, file);
        // The originals captured when Danish is left are exactly the texts
        // that can be translated.
        QStringList phoneKeys, keywordKeys;
        {
            QDir::setCurrent(QDir::tempPath());
            Run run(m_folder->data());
            run.form.EnglishClick();
            for (const QString& line : run.form.QFormLocalizer1()->Originals())
                phoneKeys << line.section(u'=', 0, 0);
            for (const QString& line : run.keywords.QFormLocalizer1()->Originals())
                keywordKeys << line.section(u'=', 0, 0);
            run.form.DanskClick();
        }
        QVERIFY(phoneKeys.size() > 40);
        QVERIFY(!keywordKeys.isEmpty());
        TQLanguageFile lng(shippedFile(file));
        for (const auto& [section, keys] : {std::pair{QStringLiteral("PhoneForm"), phoneKeys},
                                            std::pair{QStringLiteral("NogleForm"), keywordKeys}})
            for (const QString& key : keys)
                // Texts the program fills in itself: the help page's path in
                // the help item's hint, the count labels and the language label.
                if (!ProgramFilled.contains(key))
                    QVERIFY2(
                        !lng.ReadString(section, key, QString()).isEmpty(),
                        qPrintable(QStringLiteral("%1 lacks [%2] %3").arg(file, section, key)));
        QCOMPARE(lng.ReadString(QStringLiteral("General Settings"), QStringLiteral("FontCharSet"),
                                QString()),
                 QStringLiteral("DEFAULT_CHARSET"));
    }

    void filesAreWindows1252WithCrLf_data() { everyTranslatableTextHasAnEntryInEveryFile_data(); }
    void filesAreWindows1252WithCrLf()
    {
        QFETCH(QString, file);
        QFile f(shippedFile(file));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QVERIFY(!bytes.contains('\0'));
        QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
        // Not UTF-8: the Danish and German letters are single bytes.
        QVERIFY(QString::fromUtf8(bytes).contains(QChar::ReplacementCharacter) ||
                bytes.toStdString().find('\xc3') == std::string::npos);
    }

    void englishWhileDanishTranslatesBothWindows()
    {
        Run run(m_folder->data());
        run.form.EnglishClick();
        QCOMPARE(run.tab("TabSheet1"), QStringLiteral("Contact"));
        QCOMPARE(run.form.DetailsPage()->Form().Label2->text(), QStringLiteral("Name"));
        QCOMPARE(run.form.DetailsPage()->Form().Edit8->toolTip(),
                 QStringLiteral("Type a name and press ENTER"));
        QCOMPARE(run.keywords.windowTitle(), QStringLiteral("Keywords"));
        QCOMPARE(run.form.Sproget()->text(), QStringLiteral("English"));
        run.checkedOnly(0);
        run.form.EnglishClick();
        QCOMPARE(run.tab("TabSheet1"), QStringLiteral("Contact"));
        run.checkedOnly(0);
    }

    void danishComesBackExactlyAfterSeveralLanguages()
    {
        Run run(m_folder->data());
        const QStringList props{QStringLiteral("Caption"), QStringLiteral("Hint"),
                                QStringLiteral("Columns")};
        const auto phoneBefore = snapshot(&run.form, props);
        const auto keywordsBefore = snapshot(&run.keywords, props);
        run.form.EnglishClick();
        QVERIFY(snapshot(&run.form, props) != phoneBefore);
        run.form.NorskClick();
        QCOMPARE(run.tab("TabSheet4"), QStringLiteral("Oversikt"));
        run.form.DanskClick();
        QCOMPARE(snapshot(&run.form, props), phoneBefore);
        QCOMPARE(snapshot(&run.keywords, props), keywordsBefore);
        QCOMPARE(run.form.Sproget()->text(), QStringLiteral("Dansk"));
        run.checkedOnly(-1);
        QVERIFY(run.form.QFormLocalizer1()->Originals().isEmpty());
    }

    void languageLabelNamesTheLanguageWhateverTheFileSays()
    {
        Run run(m_folder->data());
        run.form.SvenskClick();
        QCOMPARE(run.form.Sproget()->text(), QStringLiteral("Svensk"));
        run.checkedOnly(2);
    }

    void missingFileLeavesTheDanishTexts()
    {
        QVERIFY(QFile::remove(m_folder->root() + QStringLiteral("/Norsk.lng")));
        Run run(m_folder->data());
        run.form.NorskClick();
        QCOMPARE(run.tab("TabSheet1"), QStringLiteral("Registrering"));
        QCOMPARE(run.form.Sproget()->text(), QStringLiteral("Norsk"));
        run.checkedOnly(1);
        QVERIFY(m_dialogs->messages.isEmpty());
    }

    void textsComposedInCodeFollowTheNewLanguage()
    {
        Run run(m_folder->data());
        addContact(*run.dm.TelefonTable, QStringLiteral("Anna"), QStringLiteral("1"));
        QCOMPARE(run.form.DetailsPage()->Form().Label47->text(),
                 QStringLiteral("Viste registreringer: 1"));
        // A count on show follows the switch at once, on both pages.
        run.form.EnglishClick();
        QCOMPARE(run.form.DetailsPage()->Form().Label47->text(),
                 QStringLiteral("Selected registrations: 1"));
        QCOMPARE(run.form.findChild<QLabel*>(QStringLiteral("Label46"))->text(),
                 QStringLiteral("Selected registrations: 1"));
        run.dm.TelefonTable->First();
        QCOMPARE(run.form.DetailsPage()->Form().Label47->text(),
                 QStringLiteral("Selected registrations: 1"));
        run.form.DeutschClick();
        QCOMPARE(run.form.DetailsPage()->Form().Label47->text(),
                 QStringLiteral("Viste registreringer: 1"));
    }

    void linksFollowTheContactThroughLanguageSwitches()
    {
        Run run(m_folder->data());
        TTable& contacts = *run.dm.TelefonTable;
        addContact(contacts, QStringLiteral("Anna"), QStringLiteral("1"),
                   {QStringLiteral("EMail"), QStringLiteral("anna@example.dk"),
                    QStringLiteral("Hjemmeside"), QStringLiteral("www.anna.dk")});
        addContact(contacts, QStringLiteral("Bo"), QStringLiteral("2"),
                   {QStringLiteral("EMail"), QStringLiteral("bo@example.dk"),
                    QStringLiteral("Hjemmeside"), QStringLiteral("www.bo.dk")});
        Ui::DetailsPage& ui = run.form.DetailsPage()->Form();
        contacts.First();
        QCOMPARE(ui.URLLabel1->text(), QStringLiteral("anna@example.dk"));
        run.form.EnglishClick();
        contacts.Last();
        run.form.NorskClick();
        run.form.DanskClick();
        QCOMPARE(ui.URLLabel1->text(), QStringLiteral("bo@example.dk"));
        QCOMPARE(ui.URLLabel2->text(), QStringLiteral("www.bo.dk"));
        contacts.First();
        run.form.DeutschClick();
        QCOMPARE(ui.URLLabel1->text(), QStringLiteral("anna@example.dk"));
        QTest::mouseClick(ui.URLLabel1, Qt::LeftButton);
        QCOMPARE(m_dialogs->openedUrls, QStringList{QStringLiteral("mailto:anna@example.dk")});
    }

    // Captions, check boxes, buttons and group titles show their whole text
    // in every language, and the texts the program composes take the room
    // they need without covering their neighbours.
    void everyTextFitsItsPlace_data()
    {
        QTest::addColumn<int>("language");
        for (int i = -1; i <= 3; ++i)
            QTest::newRow(qPrintable(TPhoneForm::LanguageName(i))) << i;
    }
    void everyTextFitsItsPlace()
    {
        QFETCH(int, language);
        Run run(m_folder->data());
        run.form.QLanguageSource1()->SetActiveLanguage(language);
        // The count notice with a count as long as a household can reach.
        emit run.dm.countChanged(run.dm.CountText().section(u':', 0, 0) +
                                 QStringLiteral(": 100000"));
        for (QWidget* w : run.form.findChildren<QWidget*>()) {
            const QString name = w->objectName();
            if (name.isEmpty() || name.startsWith(QLatin1String("qt_")))
                continue;
            int needed = 0;
            if (auto* box = qobject_cast<QCheckBox*>(w))
                needed = box->sizeHint().width();
            else if (auto* button = qobject_cast<QPushButton*>(w))
                needed = button->sizeHint().width() - 8; // the style's own padding may shrink
            else if (auto* group = qobject_cast<QGroupBox*>(w))
                needed = group->fontMetrics().horizontalAdvance(group->title()) + 16;
            else if (auto* label = qobject_cast<QLabel*>(w); label && label->pixmap().isNull())
                needed = label->sizeHint().width();
            QVERIFY2(
                needed <= w->width(),
                qPrintable(
                    QStringLiteral("%1 needs %2, has %3").arg(name).arg(needed).arg(w->width())));
        }
        for (const char* composed : {"Label46", "Label47", "ShadowLabel1"}) {
            auto* label = run.form.findChild<QLabel*>(QLatin1String(composed));
            for (QWidget* other : label->parentWidget()->findChildren<QWidget*>(
                     QString(), Qt::FindDirectChildrenOnly))
                if (other != label && !other->isHidden())
                    QVERIFY2(!label->geometry().intersects(other->geometry()),
                             qPrintable(QStringLiteral("%1 covers %2")
                                            .arg(label->objectName(), other->objectName())));
        }
    }

    void titleTakesTheSizeOfItsTextInAnyFont()
    {
        Run run(m_folder->data());
        auto* title = run.form.findChild<TShadowLabel*>(QStringLiteral("ShadowLabel1"));
        for (int pixels : {96, 140}) {
            QFont f = title->font();
            f.setPixelSize(pixels);
            title->setFont(f);
            const QFontMetrics metrics(f);
            QVERIFY(title->width() >=
                    metrics.horizontalAdvance(title->text()) + title->ShadowDepth());
            QVERIFY(title->width() > metrics.boundingRect(title->text()).right());
            QVERIFY(title->height() >= metrics.height() + title->ShadowDepth());
            QCOMPARE(title->pos(), QPoint(340, 182));
        }
    }

    void restartInGerman()
    {
        {
            Run run(m_folder->data());
            run.form.DeutschClick();
        }
        Run again(m_folder->data());
        QCOMPARE(again.form.LanguageIndex(), 3);
        QCOMPARE(again.tab("TabSheet2"), QStringLiteral("Familie"));
        QCOMPARE(again.tab("TabSheet4"), QStringLiteral("Übersicht"));
        QCOMPARE(again.form.DetailsPage()->Form().Label28->text(), QStringLiteral("Geburtstag"));
        QCOMPARE(again.keywords.windowTitle(), QStringLiteral("Schlagwörter"));
        QCOMPARE(again.form.Sproget()->text(), QStringLiteral("Deutsch"));
        QCOMPARE(again.form.windowTitle(), QStringLiteral("Kalvindo"));
        again.checkedOnly(3);
    }

    void qtsOwnTextsFollowTheLanguage()
    {
        Run run(m_folder->data());
        const QString before = QCoreApplication::translate("QPlatformTheme", "Cancel");
        run.form.DeutschClick();
        const QString german = QCoreApplication::translate("QPlatformTheme", "Cancel");
        if (german == before)
            QSKIP("Qt's German catalogue is not installed");
        QCOMPARE(german, QStringLiteral("Abbrechen"));
        run.form.DanskClick();
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"),
                 QStringLiteral("Annuller"));
    }
};

QTEST_MAIN(TestLanguages)
#include "test_languages.moc"
