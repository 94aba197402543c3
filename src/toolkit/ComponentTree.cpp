#include "toolkit/ComponentTree.h"

#include "toolkit/GridColumns.h"

#include <QPointer>
#include <QSet>
#include <QVariant>

namespace {

const char* const kLoadingProperty = "kalvindoLoading";

// The windows marked as forms. Asked for every object of every walk, so a
// set rather than a dynamic property (which is looked up by name each time).
QSet<const QObject*>& forms()
{
    static QSet<const QObject*> marked;
    return marked;
}

bool isNamedComponent(const QObject* object)
{
    const QString name = object->objectName();
    return !name.isEmpty() && !name.startsWith(QLatin1String("qt_"));
}

// The first component of that name below parent, in component order,
// without building the whole list.
QObject* find(const QObject* parent, const QString& name)
{
    for (QObject* child : parent->children()) {
        if (!child || ComponentTree::isCollection(child))
            continue;
        if (isNamedComponent(child) && child->objectName().compare(name, Qt::CaseInsensitive) == 0)
            return child;
        if (!child->children().isEmpty() && !ComponentTree::isForm(child))
            if (QObject* found = find(child, name))
                return found;
    }
    return nullptr;
}

void collect(const QObject* parent, QList<QObject*>& out)
{
    for (QObject* child : parent->children()) {
        if (!child || ComponentTree::isCollection(child))
            continue;
        if (isNamedComponent(child))
            out.append(child);
        if (!ComponentTree::isForm(child))
            collect(child, out);
    }
}

} // namespace

namespace ComponentTree {

namespace {
NameIndexScope*& activeIndexRef()
{
    static NameIndexScope* active = nullptr;
    return active;
}
const NameIndexScope* activeIndex()
{
    return activeIndexRef();
}
} // namespace

NameIndexScope::NameIndexScope(const QObject* window)
    : m_window(window), m_previous(activeIndexRef())
{
    for (QObject* c : components(window)) {
        const QString key = c->objectName().toLower();
        if (!m_index.contains(key))
            m_index.insert(key, c);
    }
    activeIndexRef() = this;
}

NameIndexScope::~NameIndexScope()
{
    activeIndexRef() = m_previous;
}

QList<QObject*> components(const QObject* window)
{
    QList<QObject*> out;
    if (window)
        collect(window, out);
    return out;
}

QObject* findComponent(const QObject* window, const QString& name)
{
    if (name.isEmpty() || !window)
        return nullptr;
    for (const NameIndexScope* scope = activeIndex(); scope; scope = scope->previous())
        if (scope->window() == window)
            return scope->find(name);
    return find(window, name);
}

bool isComponentOf(const QObject* object, const QObject* window)
{
    if (!object || !window || object == window || !isNamedComponent(object))
        return false;
    for (const QObject* p = object->parent(); p; p = p->parent()) {
        if (p == window)
            return true;
        if (isCollection(p) || isForm(p))
            return false;
    }
    return false;
}

bool isCollection(const QObject* object)
{
    return qobject_cast<const TDBGridColumns*>(object) ||
           dynamic_cast<const TCollection*>(object) != nullptr;
}

void markForm(QObject* window)
{
    if (forms().contains(window))
        return;
    forms().insert(window);
    QObject::connect(window, &QObject::destroyed, [window] { forms().remove(window); });
}

bool isForm(const QObject* object)
{
    return forms().contains(object);
}

void beginLoading(QObject* window)
{
    markForm(window);
    window->setProperty(kLoadingProperty, true);
}

void endLoading(QObject* window)
{
    window->setProperty(kLoadingProperty, false);
    QList<QPointer<QObject>> loaded{window};
    for (QObject* c : components(window))
        loaded.append(c);
    for (const QPointer<QObject>& c : loaded) {
        if (auto* loadable = dynamic_cast<TLoadable*>(c.data()))
            loadable->Loaded();
    }
}

bool isLoading(const QObject* object)
{
    for (const QObject* o = object; o; o = o->parent()) {
        if (isForm(o))
            return o->property(kLoadingProperty).toBool();
    }
    return false;
}

} // namespace ComponentTree
