#include "toolkit/ComponentModel.h"

#include "toolkit/ComponentTree.h"
#include "toolkit/GridColumns.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFont>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QMenu>
#include <QMetaProperty>
#include <QStackedWidget>
#include <QTabWidget>

namespace ComponentModel {

namespace {

const char* const kFontCharSetProperty = "fontCharSet";
const char* const kParentFontProperty = "ParentFont";
const char* const kBiDiModeProperty = "biDiMode";

bool is(const QString& name, const char* wanted)
{
    return name.compare(QLatin1String(wanted), Qt::CaseInsensitive) == 0;
}

PropertyKind kindOf(const QMetaProperty& p, const QVariant& value)
{
    if (p.isEnumType() || p.metaType().id() == QMetaType::Bool)
        return PropertyKind::Enumeration;
    switch (p.metaType().id()) {
    case QMetaType::QString:
        return PropertyKind::Text;
    case QMetaType::QStringList:
        return PropertyKind::TextList;
    case QMetaType::QFont:
        return PropertyKind::Font;
    default:
        break;
    }
    if (p.metaType().flags().testFlag(QMetaType::PointerToQObject)) {
        QObject* o = value.value<QObject*>();
        if (qobject_cast<TDBGridColumns*>(o))
            return PropertyKind::GridColumns;
        if (dynamic_cast<TCollection*>(o))
            return PropertyKind::Collection;
        return PropertyKind::Object;
    }
    return PropertyKind::Other;
}

// The object's own Qt property of that name, letter case ignored.
// The index of a class's property matched without regard to case, -1 when
// it has none. A language change asks every component for the same few
// names, so the answers are kept per class.
int propertyIndex(const QMetaObject* meta, const QString& name)
{
    static QHash<QPair<const QMetaObject*, QString>, int> known;
    const auto key = qMakePair(meta, name.toLower());
    const auto it = known.constFind(key);
    if (it != known.constEnd())
        return it.value();
    int found = -1;
    for (int i = 0; i < meta->propertyCount() && found < 0; ++i)
        if (is(name, meta->property(i).name()))
            found = i;
    known.insert(key, found);
    return found;
}

Property qtProperty(QObject* object, const QString& name)
{
    const int index = propertyIndex(object->metaObject(), name);
    if (index < 0)
        return {};
    const QMetaProperty p = object->metaObject()->property(index);
    // Only an object property needs its value to tell its kind.
    const bool holdsObject = p.metaType().flags().testFlag(QMetaType::PointerToQObject);
    const PropertyKind kind = kindOf(p, holdsObject ? p.read(object) : QVariant());
    return Property(
        kind, QString::fromLatin1(p.name()), [object, p] { return p.read(object); },
        [object, p](const QVariant& v) { p.write(object, v); });
}

Property textProperty(QObject* object, const char* qtName)
{
    Property p = qtProperty(object, QLatin1String(qtName));
    return p.kind() == PropertyKind::Text ? p : Property();
}

// The tab widget that shows a page, or null.
QTabWidget* tabWidgetOf(QWidget* page)
{
    auto* stack = qobject_cast<QStackedWidget*>(page->parentWidget());
    auto* tabs = stack ? qobject_cast<QTabWidget*>(stack->parentWidget()) : nullptr;
    return tabs && tabs->indexOf(page) >= 0 ? tabs : nullptr;
}

Property caption(QObject* object)
{
    if (qobject_cast<QAction*>(object) || qobject_cast<QLabel*>(object) ||
        qobject_cast<QAbstractButton*>(object))
        return textProperty(object, "text");
    if (qobject_cast<QGroupBox*>(object) || qobject_cast<QMenu*>(object))
        return textProperty(object, "title");
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget)
        return {};
    if (QTabWidget* tabs = tabWidgetOf(widget)) {
        return Property(
            PropertyKind::Text, QStringLiteral("tabText"),
            [tabs, widget] { return QVariant(tabs->tabText(tabs->indexOf(widget))); },
            [tabs, widget](const QVariant& v) {
                tabs->setTabText(tabs->indexOf(widget), v.toString());
            });
    }
    if (widget->isWindow())
        return textProperty(object, "windowTitle");
    return {};
}

Property columns(QObject* object)
{
    if (Property p = qtProperty(object, QStringLiteral("Columns")); p.isValid())
        return p;
    auto* cols = object->findChild<TDBGridColumns*>(QString(), Qt::FindDirectChildrenOnly);
    if (!cols)
        return {};
    return Property(
        PropertyKind::GridColumns, QStringLiteral("Columns"),
        [cols] { return QVariant::fromValue<QObject*>(cols); }, nullptr);
}

Property biDiMode(QWidget* widget)
{
    return Property(
        PropertyKind::Enumeration, QStringLiteral("layoutDirection"),
        [widget] {
            const bool rtl = widget->layoutDirection() == Qt::RightToLeft;
            const QVariant stored = widget->property(kBiDiModeProperty);
            if (stored.isValid() && (stored.toInt() != 0) == rtl)
                return stored;
            return QVariant(rtl ? 1 : 0);
        },
        [widget](const QVariant& v) {
            const int mode = v.toInt();
            widget->setLayoutDirection(mode == 0 ? Qt::LeftToRight : Qt::RightToLeft);
            widget->setProperty(kBiDiModeProperty, mode);
        });
}

Property parentBiDiMode(QWidget* widget)
{
    return Property(
        PropertyKind::Enumeration, QStringLiteral("parentLayoutDirection"),
        [widget] { return QVariant(!widget->testAttribute(Qt::WA_SetLayoutDirection)); },
        [widget](const QVariant& v) {
            if (v.toBool())
                widget->unsetLayoutDirection();
            else
                widget->setLayoutDirection(widget->layoutDirection());
        });
}

Property parentFont(QWidget* widget)
{
    return Property(
        PropertyKind::Enumeration, QLatin1String(kParentFontProperty),
        [widget] {
            const QVariant stored = widget->property(kParentFontProperty);
            return stored.isValid() ? QVariant(stored.toBool())
                                    : QVariant(!widget->testAttribute(Qt::WA_SetFont));
        },
        [widget](const QVariant& v) { widget->setProperty(kParentFontProperty, v.toBool()); });
}

// A menu item answers its text as its tooltip when it has none of its own;
// its hint is then empty, as a menu item's hint is until one is given.
Property actionHint(QAction* action)
{
    return Property(
        PropertyKind::Text, QStringLiteral("toolTip"),
        [action] {
            QString shown = action->text();
            shown.remove(u'&');
            if (shown.endsWith(QLatin1String("...")))
                shown.chop(3);
            return action->toolTip() == shown ? QVariant(QString()) : QVariant(action->toolTip());
        },
        [action](const QVariant& v) { action->setToolTip(v.toString()); });
}

Property mapped(QObject* object, const QString& name)
{
    if (is(name, "Caption"))
        return caption(object);
    if (is(name, "Hint")) {
        if (auto* action = qobject_cast<QAction*>(object))
            return actionHint(action);
        return textProperty(object, "toolTip");
    }
    if (is(name, "Columns"))
        return columns(object);
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget)
        return {};
    if (is(name, "BiDiMode"))
        return biDiMode(widget);
    if (is(name, "ParentBiDiMode"))
        return parentBiDiMode(widget);
    if (is(name, "ParentFont"))
        return parentFont(widget);
    return {};
}

const char* screenFontProperty(ScreenFont font)
{
    switch (font) {
    case ScreenFont::Hint:
        return "hintFontCharSet";
    case ScreenFont::Menu:
        return "menuFontCharSet";
    case ScreenFont::Icon:
        break;
    }
    return "iconFontCharSet";
}

} // namespace

QObject* Property::object() const
{
    return read().value<QObject*>();
}

TDBGridColumns* Property::columns() const
{
    return qobject_cast<TDBGridColumns*>(object());
}

int Property::count() const
{
    if (TDBGridColumns* cols = columns())
        return cols->Count();
    if (auto* c = dynamic_cast<TCollection*>(object()))
        return c->Count();
    return 0;
}

QObject* Property::item(int index) const
{
    if (index < 0 || index >= count())
        return nullptr;
    if (TDBGridColumns* cols = columns())
        return cols->Items(index);
    return dynamic_cast<TCollection*>(object())->Item(index);
}

Property property(QObject* object, const QString& name)
{
    if (!object || name.trimmed().isEmpty())
        return {};
    // Our own classes declare the properties Qt lacks under the old names;
    // those come first, then the mapping onto Qt's names.
    if (Property own = qtProperty(object, name); own.isValid())
        return own;
    return mapped(object, name);
}

int fontCharSet(const QObject* object)
{
    const QVariant v = object->property(kFontCharSetProperty);
    return v.isValid() ? v.toInt() : 1;
}

void setFontCharSet(QObject* object, int charSet)
{
    object->setProperty(kFontCharSetProperty, charSet);
}

int screenFontCharSet(ScreenFont font)
{
    const QVariant v = qApp ? qApp->property(screenFontProperty(font)) : QVariant();
    return v.isValid() ? v.toInt() : 1;
}

void setScreenFontCharSet(ScreenFont font, int charSet)
{
    if (qApp)
        qApp->setProperty(screenFontProperty(font), charSet);
}

} // namespace ComponentModel
