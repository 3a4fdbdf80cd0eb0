// Builds a form and its components from the form's JSON description.
#include "runtime/FormLoader.h"

#include <QAbstractButton>
#include <QJsonArray>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>

#include "runtime/ComponentRegistry.h"
#include "runtime/Controls.h"
#include "runtime/Form.h"
#include "runtime/Geometry.h"
#include "runtime/Graphics.h"

namespace runtime {
namespace {

QString key(const char* name) {
    return QString::fromLatin1(name);
}

// The font a description gives, its pixel height times `scale` (logical pixels per layout pixel) on
// `form`.
QFont fontFrom(const QJsonObject& description, const QFont& base, double scale, const TForm& form) {
    QFont font = base;
    if (description.contains(key("name"))) font.setFamily(description.value(key("name")).toString());
    if (description.contains(key("height"))) {
        const int height = description.value(key("height")).toInt();
        if (scale == 1)
            font.setPixelSize(height);
        else
            font.setPointSizeF(height * scale * 72 / form.logicalDpiY());
    }
    font.setBold(description.value(key("bold")).toBool());
    font.setItalic(description.value(key("italic")).toBool());
    return font;
}

// The largest position or size a description may give, in layout pixels: more than any screen lays out.
// Qt draws a control whole whatever its size, and a button a billion pixels wide takes it hours.
constexpr int MaxLayoutLength = 8192;

// The length `name` of `description` (of the form or component `owner`), or `current` when it gives none.
int layoutLength(const QJsonObject& description, const char* name, int current, const QString& owner) {
    if (!description.contains(key(name))) return current;
    const QJsonValue value = description.value(key(name));
    if (!(std::abs(value.toDouble()) <= MaxLayoutLength))
        throw EReadError(QStringLiteral("The %1 of %2 is out of range: %3")
                             .arg(key(name), owner,
                                  QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest)));
    return value.toInt(current);
}

// One component read from the description, with what the later passes need of it.
struct LoadedComponent {
    QObject* object;
    QJsonObject description;
};

// Reads descriptions into components; the passes over the whole form run once everything exists.
class FormReader {
  public:
    explicit FormReader(TForm& form) : form_(form) {}

    void read(const QJsonObject& description) {
        readFormKeys(description);
        readComponents(&form_, description.value(key("components")).toArray());
        keepMenuBarAtScreenDensity();
        attachPopupMenus();
        placeBelowMainMenu();
        chainTabOrder();
        nameControls();
        for (const LoadedComponent& component : components_)
            if (auto* loadable = dynamic_cast<Loadable*>(component.object)) loadable->Loaded();
    }

  private:
    double scale() const { return form_.LogicalLength(1); }

    void readFormKeys(const QJsonObject& description) {
        form_.setObjectName(description.value(key("name")).toString());
        form_.SetCaption(description.value(key("caption")).toString());
        form_.SetScaled(description.value(key("scaled")).toBool(true));
        if (description.contains(key("font"))) {
            const QJsonObject font = description.value(key("font")).toObject();
            if (!form_.Scaled()) menuBarFont_ = fontFrom(font, form_.font(), 1, form_);
            form_.setFont(fontFrom(font, form_.font(), scale(), form_));
        }
        const QString name = form_.objectName();
        form_.SetBounds(layoutLength(description, "left", 0, name), layoutLength(description, "top", 0, name),
                        layoutLength(description, "width", form_.width(), name),
                        layoutLength(description, "height", form_.height(), name));
    }

    void readComponents(QObject* owner, const QJsonArray& descriptions) {
        for (const QJsonValue& value : descriptions) {
            const QJsonObject description = value.toObject();
            QObject* component = create(owner, description);
            components_.push_back({component, description});
            if (auto* widget = qobject_cast<QWidget*>(component)) applyCommonKeys(widget, description);
            readComponents(component, description.value(key("components")).toArray());
        }
    }

    static QObject* create(QObject* owner, const QJsonObject& description) {
        const QString className = description.value(key("class")).toString();
        const ComponentFactory factory = componentFactory(className);
        if (!factory) throw EClassNotFound(QStringLiteral("Class %1 not found").arg(className));
        QObject* component = factory(owner, description);
        component->setObjectName(description.value(key("name")).toString());
        return component;
    }

    void applyCommonKeys(QWidget* widget, const QJsonObject& description) const {
        const auto length = [&](const char* name, int current) {
            if (!description.contains(key(name))) return current;
            return static_cast<int>(
                std::lround(form_.LogicalLength(layoutLength(description, name, 0, widget->objectName()))));
        };
        const Rect bounds = widget->geometry();
        if (description.contains(key("left")) || description.contains(key("width")))
            widget->setGeometry(length("left", bounds.left()), length("top", bounds.top()),
                                length("width", bounds.width()), length("height", bounds.height()));
        if (description.contains(key("font")))
            widget->setFont(
                fontFrom(description.value(key("font")).toObject(), widget->font(), scale(), form_));
        if (description.contains(key("color")))
            setControlColor(widget, colorFromValue(quint32(description.value(key("color")).toInteger())));
        if (description.contains(key("hint"))) widget->setToolTip(description.value(key("hint")).toString());
        widget->setEnabled(description.value(key("enabled")).toBool(true));
        if (!description.value(key("visible")).toBool(true)) widget->setVisible(false);
    }

    // The main menu is the platform's, drawn at the screen's density like every other window's menu,
    // also on a form laid out in device pixels.
    void keepMenuBarAtScreenDensity() {
        if (menuBarFont_ && form_.MenuBar()) form_.MenuBar()->setFont(*menuBarFont_);
    }

    void attachPopupMenus() {
        for (const LoadedComponent& component : components_) {
            const QString menuName = component.description.value(key("popupMenu")).toString();
            auto* widget = qobject_cast<QWidget*>(component.object);
            if (menuName.isEmpty() || !widget) continue;
            auto* menu = form_.findChild<QMenu*>(menuName);
            if (!menu) throw EReadError(QStringLiteral("Popup menu %1 not found").arg(menuName));
            widget->setContextMenuPolicy(Qt::CustomContextMenu);
            connectGuarded(widget, &QWidget::customContextMenuRequested, widget,
                           [widget, menu](const QPoint& at) { menu->popup(widget->mapToGlobal(at)); });
        }
    }

    void placeBelowMainMenu() {
        const int top = form_.ClientTop();
        if (top == 0) return;
        for (QWidget* child : form_.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            if (child != form_.MenuBar() && !child->isWindow()) child->move(child->x(), child->y() + top);
    }

    // Orders each container's controls by their tab order (those without one after, in description
    // order); a container's own controls follow it in the chain.
    void chainTabOrder() {
        QList<QWidget*> chain;
        appendTabChain(&form_, chain);
        for (qsizetype i = 1; i < chain.size(); ++i) QWidget::setTabOrder(chain[i - 1], chain[i]);
        for (QWidget* widget : chain)
            if (widget->isEnabled() && !widget->isHidden()) {
                widget->setFocus();
                break;
            }
    }

    void appendTabChain(QWidget* container, QList<QWidget*>& chain) const {
        std::vector<const LoadedComponent*> children;
        for (const LoadedComponent& component : components_) {
            auto* widget = qobject_cast<QWidget*>(component.object);
            if (widget && widget->parentWidget() == container && !widget->isWindow())
                children.push_back(&component);
        }
        const auto order = [](const LoadedComponent* c) {
            return c->description.value(key("tabOrder")).toInt(INT_MAX);
        };
        std::stable_sort(
            children.begin(), children.end(),
            [&](const LoadedComponent* a, const LoadedComponent* b) { return order(a) < order(b); });
        for (const LoadedComponent* child : children) {
            auto* widget = static_cast<QWidget*>(child->object);
            if (widget->focusPolicy() & Qt::TabFocus) chain.push_back(widget);
            appendTabChain(widget, chain);
        }
    }

    // Gives each control the name a screen reader speaks: its "accessibleName", else the caption of the
    // label that stands for it.
    void nameControls() const {
        for (const LoadedComponent& component : components_) {
            const QString name = component.description.value(key("accessibleName")).toString();
            if (auto* widget = qobject_cast<QWidget*>(component.object); widget && !name.isEmpty())
                setAccessibleName(widget, name);
        }
        for (const LoadedComponent& component : components_) {
            auto* label = qobject_cast<TLabel*>(component.object);
            if (!label || label->text().isEmpty()) continue;
            QWidget* control = labelledControl(*label);
            if (!control) continue;
            label->setBuddy(control);
            if (control->accessibleName().isEmpty()) setAccessibleName(control, spokenCaption(label->text()));
        }
    }

    // The control a label stands for: the nearest control that takes input to its right on its line,
    // else the nearest one just below it, no further from the label than the label is high.
    QWidget* labelledControl(const TLabel& label) const {
        const Rect at = label.geometry();
        const auto beside = [&](const Rect& r) -> std::optional<int> {
            if (r.top() > at.bottom() || r.bottom() < at.top() || r.left() < at.center().x()) return {};
            return r.left() - at.right() - 1;
        };
        const auto below = [&](const Rect& r) -> std::optional<int> {
            if (r.left() > at.right() || r.right() < at.left() || r.top() < at.center().y()) return {};
            return r.top() - at.bottom() - 1;
        };
        if (QWidget* control = nearestInput(label, beside)) return control;
        return nearestInput(label, below);
    }

    template <class Gap>
    QWidget* nearestInput(const TLabel& label, Gap gap) const {
        QWidget* nearest = nullptr;
        int nearestGap = label.height() + 1;
        for (const LoadedComponent& component : components_) {
            auto* control = qobject_cast<QWidget*>(component.object);
            if (!control || control->parentWidget() != label.parentWidget() || !takesInput(*control))
                continue;
            const std::optional<int> distance = gap(control->geometry());
            if (distance && std::max(0, *distance) < nearestGap) {
                nearest = control;
                nearestGap = std::max(0, *distance);
            }
        }
        return nearest;
    }

    static bool takesInput(const QWidget& control) {
        return control.focusPolicy() != Qt::NoFocus && !qobject_cast<const QAbstractButton*>(&control) &&
               !qobject_cast<const QLabel*>(&control);
    }

    TForm& form_;
    std::vector<LoadedComponent> components_;
    std::optional<QFont> menuBarFont_;
};

}  // namespace

void loadForm(TForm& form, const QJsonObject& description) {
    FormReader(form).read(description);
}

void loadForm(TForm& form, const QString& path) {
    loadForm(form,
             descriptionFile<EReadError>(path, QStringLiteral("Form description %1 not found").arg(path)));
}

}  // namespace runtime
