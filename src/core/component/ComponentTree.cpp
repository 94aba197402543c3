#include "core/component/ComponentTree.h"

#include "core/component/GridColumns.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHash>
#include <QPointer>
#include <QSet>
#include <QThread>
#include <QVariant>

#include <thread>
#include <typeinfo>

namespace {

const char* const kLoadingProperty = "kalvindoLoading";

quint64 structureCounter = 1;
quint64 stateCounter = 1;

// Sees every event of the program's main thread and moves the counters on
// the ones that can change what a walk of the tree finds. Names are watched
// by connection, as renaming an object sends no event.
class TreeWatcher : public QObject
{
public:
    using QObject::QObject;

    void nameChanged() { ++structureCounter; }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::ChildAdded:
        case QEvent::ChildRemoved:
            ++structureCounter;
            break;
        case QEvent::DynamicPropertyChange:
        case QEvent::LayoutDirectionChange:
            ++stateCounter;
            break;
        default:
            break;
        }
        return false;
    }
};

struct WindowComponents
{
    quint64 version = 0;
    QList<QObject*> list;
    QHash<QString, QObject*> byName; // lower-cased name -> first component of it
};

QHash<const QObject*, WindowComponents>& windowCache()
{
    static QHash<const QObject*, WindowComponents> cache;
    return cache;
}

QPointer<TreeWatcher>& watcherRef()
{
    static QPointer<TreeWatcher> watcher;
    return watcher;
}

// The watcher, installed on first use; null when there is no application
// object or the caller is on another thread, and then nothing is cached.
// Asked at every lookup of every cache, so the common answer is quick.
TreeWatcher* watcher()
{
    static QCoreApplication* watchedApp = nullptr;
    static std::thread::id watchedThread;
    QCoreApplication* app = QCoreApplication::instance();
    QPointer<TreeWatcher>& w = watcherRef();
    if (w && app == watchedApp && std::this_thread::get_id() == watchedThread)
        return w;
    if (!app || QThread::currentThread() != app->thread())
        return nullptr;
    if (!w || app != watchedApp) {
        watchedApp = app;
        watchedThread = std::this_thread::get_id();
        // Whatever was cached under an earlier application object is void.
        windowCache().clear();
        w = new TreeWatcher(app);
        app->installEventFilter(w);
        ++structureCounter;
        ++stateCounter;
    }
    return w;
}

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

// Every object visited gets its name watched, so that a later name (an
// object created first and named afterwards) reaches the cache too.
void collect(const QObject* parent, QList<QObject*>& out, TreeWatcher* watch)
{
    for (QObject* child : parent->children()) {
        if (!child || ComponentTree::isCollection(child))
            continue;
        if (watch)
            QObject::connect(child, &QObject::objectNameChanged, watch, &TreeWatcher::nameChanged,
                             Qt::UniqueConnection);
        if (isNamedComponent(child))
            out.append(child);
        if (!ComponentTree::isForm(child))
            collect(child, out, watch);
    }
}

// The window's components, walked anew only when the tree may have changed
// since the last walk. Null when nothing can be cached.
const WindowComponents* cachedComponents(const QObject* window)
{
    TreeWatcher* watch = watcher();
    if (!watch)
        return nullptr;
    auto it = windowCache().find(window);
    if (it == windowCache().end()) {
        it = windowCache().insert(window, {});
        QObject::connect(window, &QObject::destroyed, watch,
                         [window] { windowCache().remove(window); });
    }
    if (it->version != structureCounter) {
        it->list.clear();
        it->byName.clear();
        collect(window, it->list, watch);
        for (QObject* c : std::as_const(it->list)) {
            const QString key = c->objectName().toLower();
            if (!it->byName.contains(key))
                it->byName.insert(key, c);
        }
        it->version = structureCounter;
    }
    return &*it;
}

} // namespace

namespace ComponentTree {

QList<QObject*> components(const QObject* window)
{
    if (!window)
        return {};
    if (const WindowComponents* cached = cachedComponents(window))
        return cached->list;
    QList<QObject*> out;
    collect(window, out, nullptr);
    return out;
}

QObject* findComponent(const QObject* window, const QString& name)
{
    if (name.isEmpty() || !window)
        return nullptr;
    if (const WindowComponents* cached = cachedComponents(window))
        return cached->byName.value(name.toLower());
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
    // Asked of every object of every walk; whether a class is a collection
    // is known from its type, and a cast through the type's hierarchy is
    // too dear to repeat.
    static QHash<const std::type_info*, bool> known;
    const std::type_info* type = &typeid(*object);
    const auto it = known.constFind(type);
    if (it != known.constEnd())
        return it.value();
    const bool collection = qobject_cast<const TDBGridColumns*>(object) ||
                            dynamic_cast<const TCollection*>(object) != nullptr;
    known.insert(type, collection);
    return collection;
}

void markForm(QObject* window)
{
    if (forms().contains(window))
        return;
    forms().insert(window);
    ++structureCounter;
    QObject::connect(window, &QObject::destroyed, [window] {
        forms().remove(window);
        ++structureCounter;
    });
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

quint64 structureVersion()
{
    return watcher() ? structureCounter : ++structureCounter;
}

quint64 stateVersion()
{
    return watcher() ? stateCounter : ++stateCounter;
}

void noteStateChange()
{
    ++stateCounter;
}

} // namespace ComponentTree
