// The component class registry, holding the runtime's own control classes from the start.
#include "runtime/ComponentRegistry.h"

#include <QHash>
#include <QMutex>

#include "runtime/Controls.h"
#include "runtime/Exception.h"
#include "runtime/Form.h"
#include "runtime/Menus.h"

namespace runtime {
namespace {

QWidget* ownerWidget(QObject* owner, const QJsonObject& description) {
    if (auto* widget = qobject_cast<QWidget*>(owner)) return widget;
    throw EReadError(QStringLiteral("Control %1 needs a window or panel as its owner")
                         .arg(description.value(QLatin1String("name")).toString()));
}

template <class Control>
ComponentFactory controlFactory() {
    return [](QObject* owner, const QJsonObject& description) -> QObject* {
        auto* control = new Control(ownerWidget(owner, description));
        if constexpr (requires { control->ReadDescription(description); })
            control->ReadDescription(description);
        return control;
    };
}

QObject* createMainMenu(QObject* owner, const QJsonObject& description) {
    auto* form = qobject_cast<TForm*>(owner);
    if (!form)
        throw EReadError(QStringLiteral("Main menu %1 must belong to a form")
                             .arg(description.value(QLatin1String("name")).toString()));
    auto* menu = new TMainMenu(form);
    form->SetMenuBar(menu);
    return menu;
}

QObject* createMenuItem(QObject* owner, const QJsonObject& description) {
    auto* item = new TMenuItem(owner);
    item->ReadDescription(description);
    if (auto* bar = qobject_cast<TMainMenu*>(owner))
        bar->Add(item);
    else if (auto* popup = qobject_cast<TPopupMenu*>(owner))
        popup->Add(item);
    else if (auto* parentItem = qobject_cast<TMenuItem*>(owner))
        parentItem->Add(item);
    else {
        delete item;
        throw EReadError(QStringLiteral("Menu item %1 must belong to a menu")
                             .arg(description.value(QLatin1String("name")).toString()));
    }
    return item;
}

struct Registry {
    QMutex mutex;
    QHash<QString, ComponentFactory> factories{
        {QStringLiteral("TLabel"), controlFactory<TLabel>()},
        {QStringLiteral("TEdit"), controlFactory<TEdit>()},
        {QStringLiteral("TComboBox"), controlFactory<TComboBox>()},
        {QStringLiteral("TCheckBox"), controlFactory<TCheckBox>()},
        {QStringLiteral("TPanel"), controlFactory<TPanel>()},
        {QStringLiteral("TBitBtn"), controlFactory<TBitBtn>()},
        {QStringLiteral("TDateTimePicker"), controlFactory<TDateTimePicker>()},
        {QStringLiteral("TPopupMenu"), controlFactory<TPopupMenu>()},
        {QStringLiteral("TStringGrid"), controlFactory<TStringGrid>()},
        {QStringLiteral("TMainMenu"), createMainMenu},
        {QStringLiteral("TMenuItem"), createMenuItem},
    };
};

Registry& registry() {
    static Registry instance;
    return instance;
}

}  // namespace

void registerComponentClass(const QString& className, ComponentFactory factory) {
    Registry& r = registry();
    QMutexLocker lock(&r.mutex);
    r.factories.insert(className, std::move(factory));
}

ComponentFactory componentFactory(const QString& className) {
    Registry& r = registry();
    QMutexLocker lock(&r.mutex);
    return r.factories.value(className);
}

namespace {
QString componentPath(const QObject* owner, const QString& component) {
    const QString form = owner ? owner->objectName() : QString();
    if (form.isEmpty() || form == component) return component;
    return form + QLatin1Char('.') + component;
}
}  // namespace

QObject* loadedComponent(const QObject* owner, const QObject& component, const QString& name,
                         const QMetaObject& type) {
    if (owner) {
        for (QObject* found : owner->findChildren<QObject*>(name)) {
            if (found->metaObject()->inherits(&type)) return found;
        }
    }
    throw EReadError(QStringLiteral("%1: Component '%2' not found")
                         .arg(componentPath(owner, component.objectName()), name));
}

void unknownOption(const QObject* owner, const QJsonObject& description, const QString& option) {
    throw EReadError(
        QStringLiteral("%1: Unknown option '%2'")
            .arg(componentPath(owner, description.value(QLatin1String("name")).toString()), option));
}

}  // namespace runtime
