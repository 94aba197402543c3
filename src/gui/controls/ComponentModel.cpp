#include "gui/controls/ComponentModel.h"

#include "core/component/ComponentTree.h"
#include "core/component/GridColumns.h"

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

const QString kText = QStringLiteral("text");
const QString kTitle = QStringLiteral("title");
const QString kWindowTitle = QStringLiteral("windowTitle");
const QString kToolTip = QStringLiteral("toolTip");
const QString kColumns = QStringLiteral("Columns");

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
    // Kept under the name as asked: the same few spellings come again and
    // again, and folding the name first would cost as much as the search.
    static QHash<QPair<const QMetaObject*, QString>, int> known;
    const auto key = qMakePair(meta, name);
    const auto it = known.constFind(key);
    if (it != known.constEnd())
        return it.value();
    // From the most derived class down: a class that declares a property of
    // its base's name anew is asked for its own.
    int found = -1;
    for (int i = meta->propertyCount() - 1; i >= 0 && found < 0; --i)
        if (is(name, meta->property(i).name()))
            found = i;
    known.insert(key, found);
    return found;
}

// Qt's own text properties that a language change reads and writes by the
// hundred, through their functions rather than the meta-object system; only
// where the class that declares the property is the one whose functions are
// called (a class of ours may declare a property of the same name anew).
Property directText(QObject* object, const QMetaProperty& p)
{
    const QMetaObject* declaring = p.enclosingMetaObject();
    const QByteArrayView name(p.name());
    const QString qtName = QString::fromLatin1(p.name());
    if (declaring == &QWidget::staticMetaObject) {
        auto* w = static_cast<QWidget*>(object);
        if (name == "toolTip")
            return Property::textAccess(
                qtName, [w] { return w->toolTip(); }, [w](const QString& t) { w->setToolTip(t); });
        if (name == "windowTitle")
            return Property::textAccess(
                qtName, [w] { return w->windowTitle(); },
                [w](const QString& t) { w->setWindowTitle(t); });
    } else if (declaring == &QLabel::staticMetaObject && name == "text") {
        auto* l = static_cast<QLabel*>(object);
        return Property::textAccess(
            qtName, [l] { return l->text(); }, [l](const QString& t) { l->setText(t); });
    } else if (declaring == &QAbstractButton::staticMetaObject && name == "text") {
        auto* b = static_cast<QAbstractButton*>(object);
        return Property::textAccess(
            qtName, [b] { return b->text(); }, [b](const QString& t) { b->setText(t); });
    } else if (declaring == &QAction::staticMetaObject && name == "text") {
        auto* a = static_cast<QAction*>(object);
        return Property::textAccess(
            qtName, [a] { return a->text(); }, [a](const QString& t) { a->setText(t); });
    } else if (declaring == &QGroupBox::staticMetaObject && name == "title") {
        auto* g = static_cast<QGroupBox*>(object);
        return Property::textAccess(
            qtName, [g] { return g->title(); }, [g](const QString& t) { g->setTitle(t); });
    } else if (declaring == &QMenu::staticMetaObject && name == "title") {
        auto* m = static_cast<QMenu*>(object);
        return Property::textAccess(
            qtName, [m] { return m->title(); }, [m](const QString& t) { m->setTitle(t); });
    }
    return {};
}

Property qtProperty(QObject* object, const QString& name)
{
    const int index = propertyIndex(object->metaObject(), name);
    if (index < 0)
        return {};
    const QMetaProperty p = object->metaObject()->property(index);
    if (p.metaType().id() == QMetaType::QString && p.isWritable())
        if (Property direct = directText(object, p); direct.isValid())
            return direct;
    // Only an object property needs its value to tell its kind.
    const bool holdsObject = p.metaType().flags().testFlag(QMetaType::PointerToQObject);
    const PropertyKind kind = kindOf(p, holdsObject ? p.read(object) : QVariant());
    return Property(
        kind, QString::fromLatin1(p.name()), [object, p] { return p.read(object); },
        [object, p](const QVariant& v) { p.write(object, v); }, holdsObject);
}

Property textProperty(QObject* object, const QString& qtName)
{
    Property p = qtProperty(object, qtName);
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
        return textProperty(object, kText);
    if (qobject_cast<QGroupBox*>(object) || qobject_cast<QMenu*>(object))
        return textProperty(object, kTitle);
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget)
        return {};
    if (QTabWidget* tabs = tabWidgetOf(widget)) {
        return Property::textAccess(
            QStringLiteral("tabText"),
            [tabs, widget] { return tabs->tabText(tabs->indexOf(widget)); },
            [tabs, widget](const QString& t) { tabs->setTabText(tabs->indexOf(widget), t); });
    }
    if (widget->isWindow())
        return textProperty(object, kWindowTitle);
    return {};
}

Property columns(QObject* object)
{
    if (Property p = qtProperty(object, kColumns); p.isValid())
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
    return Property::textAccess(
        QStringLiteral("toolTip"),
        [action] {
            QString shown = action->text();
            shown.remove(u'&');
            if (shown.endsWith(QLatin1String("...")))
                shown.chop(3);
            return action->toolTip() == shown ? QString() : action->toolTip();
        },
        [action](const QString& t) { action->setToolTip(t); });
}

Property mapped(QObject* object, const QString& name)
{
    if (is(name, "Caption"))
        return caption(object);
    if (is(name, "Hint")) {
        if (auto* action = qobject_cast<QAction*>(object))
            return actionHint(action);
        return textProperty(object, kToolTip);
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
