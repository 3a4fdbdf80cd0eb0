// Component classes that form descriptions can name: each folder registers its own classes, so the
// loader in the runtime can create data and report components without depending on them.
#pragma once

#include <QJsonObject>
#include <QPointer>
#include <QString>
#include <functional>

class QObject;
struct QMetaObject;

namespace runtime {

// Creates a component named in a description. `owner` is the form (or, for nested descriptions, the
// parent component); the factory reads the class's own keys from `description` (the loader itself sets
// objectName from "name" and, for widgets, the common visual keys).
using ComponentFactory = std::function<QObject*(QObject* owner, const QJsonObject& description)>;

void registerComponentClass(const QString& className, ComponentFactory factory);
// The factory of a class, or an empty function when the class is unknown.
ComponentFactory componentFactory(const QString& className);

// A component that finishes its set-up once the whole description has been read: references to other
// components by name are resolved then, and datasets marked open are opened. The loader calls
// Loaded() on each such component in description order; an exception propagates out of form creation.
class Loadable {
  public:
    virtual ~Loadable() = default;
    virtual void Loaded() = 0;
};

// The component of class `type` named `name` among the children of `owner` (the form, or a report),
// at any depth: for a reference by name that `component` resolves when loading ends, and for the
// components the owner itself takes from its description. A missing one is refused with EReadError
// "<owner>.<component>: Component '<name>' not found", or "<owner>: ..." when the owner asks.
QObject* loadedComponent(const QObject* owner, const QObject& component, const QString& name,
                         const QMetaObject& type);
template <class T>
T* loadedComponent(const QObject* owner, const QObject& component, const QString& name) {
    return static_cast<T*>(loadedComponent(owner, component, name, T::staticMetaObject));
}
template <class T>
T* loadedComponent(const QObject& owner, const QString& name) {
    return loadedComponent<T>(&owner, owner, name);
}

// A component of class `T` that a description names for another component: the name and the window
// (`owner`) are kept while the window loads, and the component is looked up by loadedComponent when
// loading ends.
template <class T>
class NamedComponent {
  public:
    void Set(QObject* owner, const QString& name) {
        owner_ = owner;
        name_ = name;
    }
    // The component named for `component`, or nullptr when the description names none.
    T* Resolve(const QObject& component) const {
        return name_.isEmpty() ? nullptr : loadedComponent<T>(owner_, component, name_);
    }

  private:
    QPointer<QObject> owner_;
    QString name_;
};

// Refuses an option name that a description gives and the component does not know, naming the form
// (`owner`) and the component as loadedComponent does.
[[noreturn]] void unknownOption(const QObject* owner, const QJsonObject& description, const QString& option);

}  // namespace runtime
