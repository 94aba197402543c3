#include "toolkit/ComponentTree.h"

#include "toolkit/GridColumns.h"

#include <QPointer>
#include <QVariant>

namespace {

const char* const kFormProperty = "kalvindoForm";
const char* const kLoadingProperty = "kalvindoLoading";

bool isNamedComponent(const QObject* object)
{
    const QString name = object->objectName();
    return !name.isEmpty() && !name.startsWith(QLatin1String("qt_"));
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

QList<QObject*> components(const QObject* window)
{
    QList<QObject*> out;
    if (window)
        collect(window, out);
    return out;
}

QObject* findComponent(const QObject* window, const QString& name)
{
    if (name.isEmpty())
        return nullptr;
    for (QObject* c : components(window)) {
        if (c->objectName().compare(name, Qt::CaseInsensitive) == 0)
            return c;
    }
    return nullptr;
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
    window->setProperty(kFormProperty, true);
}

bool isForm(const QObject* object)
{
    return object->property(kFormProperty).toBool();
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
