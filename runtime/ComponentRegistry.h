// Component classes that form descriptions can name: each folder registers its own classes, so the
// loader in the runtime can create data and report components without depending on them.
#pragma once

#include <QJsonObject>
#include <QString>
#include <functional>

class QObject;

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

}  // namespace runtime
