#pragma once

#include <QImage>
#include <QString>

class QLabel;
class TTable;

// The picture of a contact: a JPEG file in the picture folder, named by the
// contact's record number, shown in the details page's picture box; the
// placeholder picture ("Ingen.jpg") stands in for contacts without a
// readable one.
class ContactPicture
{
public:
    ContactPicture(QLabel* box, TTable* contacts, QString pictureFolder, QString placeholder);

    QString PictureFolder() const { return m_folder; }
    QString PicturePath(qint64 regnr) const;

    // Shows the current contact's picture, or the placeholder picture.
    // A contact with an empty name leaves the box as it is. Throws when the
    // placeholder picture itself cannot be loaded.
    void Billede();
    // Shows the placeholder picture; throws when it cannot be loaded.
    void ShowPlaceholder();
    // Copies a chosen JPEG file to the current contact's picture file and
    // shows it. The file must decode as a JPEG first, and it is written to a
    // temporary file that is renamed into place, so that a failed copy never
    // destroys the picture that was there. Throws with what went wrong.
    void Fetch(const QString& chosenFile);

    // The picture shown now (tests).
    QImage Shown() const { return m_shown; }
    QString ShownPath() const { return m_shownPath; }

private:
    void Show(const QImage& image, const QString& path);

    QLabel* m_box;
    TTable* m_contacts;
    QString m_folder;
    QString m_placeholder;
    QImage m_shown;
    QString m_shownPath;
    // The contact picture last asked for, shown or stood in for by the
    // placeholder, and the stamp of its file then.
    QString m_triedPath;
    QString m_triedStamp;
};
