#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

class TDBGridColumns;
class TCollection;

// Properties by name, as the language files and the localizer name them,
// mapped onto Qt's. Names match without regard to letter case:
//
//   Caption         text of labels, buttons, check boxes and actions; title of
//                   group boxes and menus; the tab text of a page of a tab
//                   widget; windowTitle of a window
//   Hint            toolTip
//   Font            font (the character set is kept beside it, see below)
//   BiDiMode        layoutDirection (0 left to right, 1..3 right to left)
//   ParentBiDiMode  whether the direction follows the parent
//   ParentFont      whether the font follows the parent
//   Columns         a data grid's TDBGridColumns: a Q_PROPERTY "Columns"
//                   holding it, or a child object of that class
//   anything else   the object's own Q_PROPERTY of that name
//
// A font has no character set in Qt. The number a language gives is kept on
// the component as the dynamic property "fontCharSet" (1, DEFAULT_CHARSET,
// when never set), so that it can be read back. ParentFont likewise is kept as
// a dynamic property once written: Qt fonts carry no character set that a
// control would have to keep apart from its parent, and detaching every font
// would stop later window-wide font changes (scaling) from reaching it.
namespace ComponentModel {

enum class PropertyKind
{
    None,        // the object has no such property
    Text,        // read and written as text
    TextList,    // a list of texts
    GridColumns, // the column collection of a data grid
    Collection,  // any other collection
    Font,
    Object,      // a reference to another object
    Enumeration, // enumerations, flags and booleans: written as a number
    Other
};

class Property
{
public:
    Property() = default;
    Property(PropertyKind kind, QString name, std::function<QVariant()> read,
             std::function<void(const QVariant&)> write, bool followsValue = false)
        : m_kind(kind), m_name(std::move(name)), m_read(std::move(read)), m_write(std::move(write)),
          m_followsValue(followsValue)
    {
    }
    // A text property read and written as text, without a QVariant between.
    static Property textAccess(QString name, std::function<QString()> read,
                               std::function<void(const QString&)> write)
    {
        Property p(PropertyKind::Text, std::move(name), nullptr, nullptr);
        p.m_readText = std::move(read);
        p.m_writeText = std::move(write);
        return p;
    }

    bool isValid() const { return m_kind != PropertyKind::None; }
    PropertyKind kind() const { return m_kind; }
    // Whether the kind was told from the value held now (an object property:
    // a collection, a grid's columns or another object), so that it may be
    // another kind once the value changes. Every other kind is the class's.
    bool followsValue() const { return m_followsValue; }
    // The Qt name behind the property ("text", "toolTip", ...).
    const QString& name() const { return m_name; }

    QVariant read() const
    {
        if (m_readText)
            return m_readText();
        return m_read ? m_read() : QVariant();
    }
    void write(const QVariant& value) const
    {
        if (m_writeText)
            m_writeText(value.toString());
        else if (m_write)
            m_write(value);
    }
    QString text() const { return m_readText ? m_readText() : read().toString(); }
    void writeText(const QString& value) const
    {
        if (m_writeText)
            m_writeText(value);
        else
            write(value);
    }
    QStringList lines() const { return read().toStringList(); }
    int number() const { return read().toInt(); }
    QObject* object() const;
    TDBGridColumns* columns() const;
    // Items of a collection or of a grid's columns.
    int count() const;
    QObject* item(int index) const;

private:
    PropertyKind m_kind = PropertyKind::None;
    QString m_name;
    std::function<QVariant()> m_read;
    std::function<void(const QVariant&)> m_write;
    std::function<QString()> m_readText;
    std::function<void(const QString&)> m_writeText;
    bool m_followsValue = false;
};

Property property(QObject* object, const QString& name);

// The character set kept on a component with a font (1 when never set).
int fontCharSet(const QObject* object);
void setFontCharSet(QObject* object, int charSet);

// The character set of the three screen-wide fonts (hints, menus, icons).
enum class ScreenFont
{
    Hint,
    Menu,
    Icon
};
int screenFontCharSet(ScreenFont font);
void setScreenFontCharSet(ScreenFont font, int charSet);

} // namespace ComponentModel
