#include "gui/pages/details/ContactPicture.h"

#include "core/store/Table.h"
#include "core/util/Exception.h"
#include "core/util/JpegLoader.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPixmap>
#include <QSaveFile>

ContactPicture::ContactPicture(QLabel* box, TTable* contacts, QString pictureFolder)
    : m_box(box), m_contacts(contacts), m_folder(std::move(pictureFolder))
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
    const QString path = QDir(m_folder).filePath(PlaceholderName());
    Show(JpegLoader::load(path), path);
}

void ContactPicture::Billede()
{
    try {
        if (!m_contacts->Active())
            return;
        if (m_contacts->FieldByName(QStringLiteral("Navn")).AsString().isEmpty())
            return;
        const QString path =
            PicturePath(m_contacts->FieldByName(QStringLiteral("Regnr")).AsInteger());
        Show(JpegLoader::load(path), path);
        return;
    } catch (const Exception&) {
        // Any trouble with the contact's own picture: the placeholder stands in.
    }
    ShowPlaceholder();
}

void ContactPicture::Fetch(const QString& chosenFile)
{
    if (!m_contacts->Active() || m_contacts->CurrentIndex() < 0)
        throw Exception(QStringLiteral("There is no contact to fetch a picture for"));
    const qint64 regnr = m_contacts->FieldByName(QStringLiteral("Regnr")).AsInteger();
    QFile source(chosenFile);
    if (!source.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Cannot read %1: %2").arg(chosenFile, source.errorString()));
    const QByteArray data = source.readAll();
    QImage image;
    try {
        image = JpegLoader::decode(data);
    } catch (const Exception& e) {
        throw Exception(QStringLiteral("%1 is not a picture that can be used: %2")
                            .arg(chosenFile, e.message()));
    }
    const QString target = PicturePath(regnr);
    if (!QDir(m_folder).exists())
        throw Exception(QStringLiteral("The picture folder %1 does not exist").arg(m_folder));
    QSaveFile copy(target);
    if (!copy.open(QIODevice::WriteOnly) || copy.write(data) != data.size() || !copy.commit())
        throw Exception(QStringLiteral("Cannot write %1: %2").arg(target, copy.errorString()));
    Show(image, target);
}
