#include "gui/pages/details/ContactPicture.h"

#include "core/i18n/InCodeText.h"
#include "core/store/Table.h"
#include "core/util/Exception.h"
#include "core/util/JpegLoader.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPixmap>
#include <QSaveFile>

#include <sys/stat.h>

namespace {

// What a failed fetch tells the user, in Dansk, English, Norsk, Svensk, Deutsch.
const InCodeTexts NoContact = {
    QStringLiteral("Der er ingen kontakt at hente et billede til"),
    QStringLiteral("There is no contact to choose a picture for"),
    QStringLiteral("Det er ingen kontakt å hente et bilde til"),
    QStringLiteral("Det finns ingen kontakt att hämta en bild till"),
    QStringLiteral("Es gibt keinen Kontakt, für den ein Bild geladen werden kann")};
const InCodeTexts CannotRead = {
    QStringLiteral("%1 kan ikke læses: %2"), QStringLiteral("Cannot read %1: %2"),
    QStringLiteral("%1 kan ikke leses: %2"), QStringLiteral("%1 kan inte läsas: %2"),
    QStringLiteral("%1 kann nicht gelesen werden: %2")};
const InCodeTexts NotAPicture = {QStringLiteral("%1 er ikke et billede, der kan bruges"),
                                 QStringLiteral("%1 is not a picture that can be used"),
                                 QStringLiteral("%1 er ikke et bilde som kan brukes"),
                                 QStringLiteral("%1 är inte en bild som kan användas"),
                                 QStringLiteral("%1 ist kein Bild, das verwendet werden kann")};
const InCodeTexts NoPictureFolder = {QStringLiteral("Billedmappen %1 findes ikke"),
                                     QStringLiteral("The picture folder %1 does not exist"),
                                     QStringLiteral("Bildemappen %1 finnes ikke"),
                                     QStringLiteral("Bildmappen %1 finns inte"),
                                     QStringLiteral("Der Bilderordner %1 existiert nicht")};
const InCodeTexts CannotWrite = {
    QStringLiteral("%1 kan ikke skrives: %2"), QStringLiteral("Cannot write %1: %2"),
    QStringLiteral("%1 kan ikke skrives: %2"), QStringLiteral("%1 kan inte skrivas: %2"),
    QStringLiteral("%1 kann nicht geschrieben werden: %2")};

// What tells a picture file from the one read before: its size and time of
// change; empty when there is no such file. One stat, as every search and
// every move asks.
QString fileStamp(const QString& path)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return QString();
    return QString::number(qint64(info.st_size)) + u'/' +
           QString::number(qint64(info.st_mtim.tv_sec)) + u'.' +
           QString::number(qint64(info.st_mtim.tv_nsec));
}

} // namespace

ContactPicture::ContactPicture(QLabel* box, TTable* contacts, QString pictureFolder,
                               QString placeholder)
    : m_box(box), m_contacts(contacts), m_folder(std::move(pictureFolder)),
      m_placeholder(std::move(placeholder))
{
}

QString ContactPicture::PicturePath(qint64 regnr) const
{
    return QDir(m_folder).filePath(QString::number(regnr) + QStringLiteral(".jpg"));
}

void ContactPicture::Show(const QImage& image, const QString& path)
{
    m_shown = image;
    m_shownPath = path;
    if (m_box) {
        // At its own size at the top left; the scroll box shows scroll bars
        // for a picture larger than itself.
        m_box->setPixmap(QPixmap::fromImage(image));
        m_box->resize(image.size());
    }
}

void ContactPicture::ShowPlaceholder()
{
    m_triedPath.clear();
    // Most contacts have no picture of their own, and every move between
    // them would decode the same placeholder again and hand it to the box.
    if (m_shownPath == m_placeholder && !m_shown.isNull())
        return;
    Show(JpegLoader::load(m_placeholder), m_placeholder);
}

void ContactPicture::Billede()
{
    QString path;
    QString stamp;
    try {
        if (!m_contacts->Active())
            return;
        if (m_contacts->FieldByName(QStringLiteral("Navn")).AsString().isEmpty())
            return;
        path = PicturePath(m_contacts->FieldByName(QStringLiteral("Regnr")).AsInteger());
        // Every search asks again for the picture of the contact it leaves
        // current, mostly the one shown already: its file is read again only
        // when it changed (a restore, another program) since.
        stamp = fileStamp(path);
        if (path == m_triedPath && stamp == m_triedStamp && !m_shown.isNull())
            return;
        Show(JpegLoader::load(path), path);
        m_triedPath = path;
        m_triedStamp = stamp;
        return;
    } catch (const Exception&) {
        // Any trouble with the contact's own picture: the placeholder stands in.
    }
    ShowPlaceholder();
    m_triedPath = path;
    m_triedStamp = stamp;
}

void ContactPicture::Fetch(const QString& chosenFile)
{
    if (!m_contacts->Active() || m_contacts->CurrentIndex() < 0)
        throw Exception(inCodeText(NoContact));
    const qint64 regnr = m_contacts->FieldByName(QStringLiteral("Regnr")).AsInteger();
    QFile source(chosenFile);
    if (!source.open(QIODevice::ReadOnly))
        throw Exception(inCodeText(CannotRead).arg(chosenFile, source.errorString()));
    const QByteArray data = source.readAll();
    QImage image;
    try {
        image = JpegLoader::decode(data);
    } catch (const Exception&) {
        // The decoder's reason is a technical English text; the user needs
        // to know only that this file will not do.
        throw Exception(inCodeText(NotAPicture).arg(chosenFile));
    }
    const QString target = PicturePath(regnr);
    if (!QDir(m_folder).exists())
        throw Exception(inCodeText(NoPictureFolder).arg(m_folder));
    QSaveFile copy(target);
    if (!copy.open(QIODevice::WriteOnly) || copy.write(data) != data.size() || !copy.commit())
        throw Exception(inCodeText(CannotWrite).arg(target, copy.errorString()));
    Show(image, target);
    m_triedPath = target;
    m_triedStamp = fileStamp(target);
}
