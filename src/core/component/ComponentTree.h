#pragma once

#include <QList>
#include <QObject>
#include <QString>

// The owner tree of the component model, on plain QObjects (no widgets):
// which components a window owns and in what order, finding them by name, the
// window-wide loading state and the end-of-loading hook.
//
// A window owns every named object below it in the QObject tree, in creation
// order (depth first, in child order), whatever Qt parent holds it: a page of a
// tab widget, a label on that page and an action of a menu are all owned by the
// window and known by their objectName alone. Not components: unnamed objects
// and Qt's internals ("qt_..." names), the items of collections, and the
// components of another form placed below the window (it owns its own).

// A collection of items that are not components (the items are reached by
// index and expose their properties by name).
class TCollection
{
public:
    virtual int Count() const = 0;
    virtual QObject* Item(int index) const = 0;

protected:
    ~TCollection() = default;
};

// A component that wants to hear when its window has been loaded.
class TLoadable
{
public:
    virtual void Loaded() = 0;

protected:
    ~TLoadable() = default;
};

namespace ComponentTree {

// The components the window owns, in component order (the window itself excluded).
QList<QObject*> components(const QObject* window);
// The first component of that name (letter case ignored), or null.
QObject* findComponent(const QObject* window, const QString& name);
// Whether object is one of the window's components.
bool isComponentOf(const QObject* object, const QObject* window);
// Whether object is a collection (its items are no components).
bool isCollection(const QObject* object);

// Marks a window as a form: it owns its components. beginLoading marks it too.
void markForm(QObject* window);
bool isForm(const QObject* object);

// The loading state: a form sets it while it builds itself from its stored
// description; endLoading clears it and calls Loaded of the window and of every
// component, in component order.
void beginLoading(QObject* window);
void endLoading(QObject* window);
// Whether the form that the object belongs to is being loaded.
bool isLoading(const QObject* object);

// Counters for caches built over the component tree. StructureVersion moves
// whenever an object anywhere in the program gains or loses a child, an object
// seen by a walk of the tree is renamed, or a window is marked as a form: the
// components of a window, their order and their names can only change when
// it moves. StateVersion moves whenever an object's layout direction or one
// of its dynamic properties changes (where the character set, the text
// direction and the parent flags of a component are kept), or when
// noteStateChange is called.
//
// Both are watched through an event filter on the application object; while
// there is none, they move at every call, so that nothing is ever cached.
quint64 structureVersion();
quint64 stateVersion();
void noteStateChange();

} // namespace ComponentTree
