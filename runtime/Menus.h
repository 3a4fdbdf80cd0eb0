// Main menus, context menus and their items.
#pragma once

#include <QAction>
#include <QJsonObject>
#include <QMenu>
#include <QMenuBar>
#include <memory>

#include "runtime/Boundary.h"

// A menu command, or a submenu when it holds items. OnClick runs when the person chooses it.
class TMenuItem : public QAction {
    Q_OBJECT

  public:
    explicit TMenuItem(QObject* parent = nullptr);
    ~TMenuItem() override;

    QString Caption() const { return text(); }
    void SetCaption(const QString& caption) { setText(caption); }
    // Appends `item` to this item's submenu.
    void Add(TMenuItem* item);
    int Count() const;
    // Chooses the command as the person does.
    void Click() { trigger(); }
    // Reads "caption".
    void ReadDescription(const QJsonObject& description);

    TNotifyEvent OnClick;

  private:
    std::unique_ptr<QMenu> submenu_;
};

// A form's main menu, shown at the top of the form. F10 opens its first menu, as on the usual
// desktops; each caption's '&' marks the letter that Alt opens it with.
class TMainMenu : public QMenuBar {
    Q_OBJECT

  public:
    explicit TMainMenu(QWidget* parent = nullptr);
    void Add(TMenuItem* item) { addAction(item); }
};

// A context menu; a control names it in its description ("popupMenu") to show it on a right click.
class TPopupMenu : public QMenu {
    Q_OBJECT

  public:
    explicit TPopupMenu(QWidget* parent = nullptr) : QMenu(parent) {}
    void Add(TMenuItem* item) { addAction(item); }
    // Shows the menu at the screen position `global`.
    void Popup(const QPoint& global) { popup(global); }
};
