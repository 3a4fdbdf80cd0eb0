// The accessible interface of the program's own windows.
#include "runtime/Accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>
#include <set>

namespace runtime {
namespace {

// A top-level window: a frame, or a dialog while it is modal or made as a dialog. The role is asked of
// the widget each time, as its modality can change while the interface lives.
class WindowAccessible : public QAccessibleWidget {
  public:
    explicit WindowAccessible(QWidget* window) : QAccessibleWidget(window, QAccessible::Window) {}

    QAccessible::Role role() const override {
        return widget()->isModal() || widget()->windowType() == Qt::Dialog ? QAccessible::Dialog
                                                                           : QAccessible::Window;
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.active = widget()->isActiveWindow();
        state.modal = widget()->isModal();
        return state;
    }
};

// Qt asks the factories with the names of the object's classes from the most derived down, so a widget
// reaches "QWidget" only when no class of Qt's above it (a dialog, a label) has answered for it.
QAccessibleInterface* windowFactory(const QString& className, QObject* object) {
    if (className != QLatin1String("QWidget") || !object || !object->isWidgetType()) return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    const Qt::WindowType type = widget->windowType();
    if (type != Qt::Window && type != Qt::Dialog) return nullptr;
    return new WindowAccessible(widget);
}

}  // namespace

void installAccessibleFactory(QAccessible::InterfaceFactory factory) {
    static std::set<QAccessible::InterfaceFactory> installed;
    if (installed.insert(factory).second) QAccessible::installFactory(factory);
}

void answerWindowsAsFrames() {
    installAccessibleFactory(windowFactory);
}

}  // namespace runtime
