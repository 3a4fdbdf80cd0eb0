// Main menus, context menus and their items.
#include "runtime/Menus.h"

#include <QShortcut>

TMenuItem::TMenuItem(QObject* parent) : QAction(parent) {
    runtime::connectGuarded(this, &QAction::triggered, this, [this](bool) {
        if (OnClick) OnClick(this);
    });
}

TMenuItem::~TMenuItem() = default;

TMainMenu::TMainMenu(QWidget* parent) : QMenuBar(parent) {
    new QShortcut(QKeySequence(Qt::Key_F10), this, this, [this] {
        if (!actions().isEmpty()) setActiveAction(actions().constFirst());
    });
}

void TMenuItem::Add(TMenuItem* item) {
    if (!submenu_) {
        submenu_ = std::make_unique<QMenu>();
        submenu_->setTitle(text());
        setMenu(submenu_.get());
    }
    submenu_->addAction(item);
}

int TMenuItem::Count() const {
    return submenu_ ? int(submenu_->actions().size()) : 0;
}

void TMenuItem::ReadDescription(const QJsonObject& description) {
    SetCaption(description.value(QLatin1String("caption")).toString());
}
