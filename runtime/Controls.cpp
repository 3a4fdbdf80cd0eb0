// The standard controls of the program's windows.
#include "runtime/Controls.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QFocusEvent>
#include <QHeaderView>
#include <QJsonArray>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QWindow>
#include <utility>

#include "runtime/Exception.h"

namespace runtime {

void setControlColor(QWidget* control, const QColor& color) {
    QPalette palette = control->palette();
    palette.setColor(QPalette::Window, color);
    // A check box's own box keeps the colour of an empty box.
    if (!qobject_cast<QAbstractButton*>(control)) palette.setColor(QPalette::Base, color);
    control->setPalette(palette);
    control->setBackgroundRole(QPalette::Window);
    control->setAutoFillBackground(true);
}

void setAccessibleName(QWidget* control, const QString& name) {
    control->setAccessibleName(name);
    if (auto* combo = qobject_cast<QComboBox*>(control); combo && combo->lineEdit())
        combo->lineEdit()->setAccessibleName(name);
}

QString spokenCaption(const QString& caption) {
    QString spoken;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        // "&x" marks x as the mnemonic, "&&" stands for "&".
        if (caption[i] == QLatin1Char('&') && i + 1 < caption.size()) ++i;
        spoken += caption[i];
    }
    spoken = spoken.trimmed();
    if (spoken.endsWith(QLatin1Char(':'))) spoken.chop(1);
    return spoken.trimmed();
}

namespace {

QPixmap blankGlyph() {
    QPixmap glyph(18, 18);
    glyph.fill(Qt::transparent);
    return glyph;
}

// Gives the rows of a combo box's drop-down list the combo box's item height, when it has one.
class ItemHeightDelegate : public QStyledItemDelegate {
  public:
    explicit ItemHeightDelegate(TComboBox* combo) : QStyledItemDelegate(combo), combo_(combo) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const QSize size = QStyledItemDelegate::sizeHint(option, index);
        return combo_->ItemHeight() > 0 ? QSize(size.width(), combo_->ItemHeight()) : size;
    }

  private:
    TComboBox* combo_;
};

}  // namespace

QPixmap okGlyph() {
    QPixmap glyph = blankGlyph();
    QPainter painter(&glyph);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 128, 0), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(QPolygonF({QPointF(3, 9.5), QPointF(7, 13.5), QPointF(15, 4.5)}));
    return glyph;
}

QPixmap cancelGlyph() {
    QPixmap glyph = blankGlyph();
    QPainter painter(&glyph);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(192, 0, 0), 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(4, 4), QPointF(14, 14));
    painter.drawLine(QPointF(14, 4), QPointF(4, 14));
    return glyph;
}

bool leaveGridByKey(QWidget& grid, const QKeyEvent& key) {
    const bool tab = key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab;
    if (!tab || !(key.modifiers() & Qt::ControlModifier)) return false;
    const bool next = key.key() == Qt::Key_Tab && !(key.modifiers() & Qt::ShiftModifier);
    for (QWidget* w = next ? grid.nextInFocusChain() : grid.previousInFocusChain(); w != &grid;
         w = next ? w->nextInFocusChain() : w->previousInFocusChain()) {
        if (grid.isAncestorOf(w) || w->window() != grid.window()) continue;
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisible() && w->isEnabled()) {
            w->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            break;
        }
    }
    return true;
}

}  // namespace runtime

// ---- TLabel ------------------------------------------------------------------------------------

TLabel::TLabel(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void TLabel::ReadDescription(const QJsonObject& description) {
    SetCaption(description.value(QLatin1String("caption")).toString());
}

// ---- TEdit -------------------------------------------------------------------------------------

TEdit::TEdit(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::textEdited, this, [this] { enforceCase(); });
    runtime::connectGuarded(this, &QLineEdit::textChanged, this, [this](const QString&) {
        if (OnChange) OnChange(this);
    });
}

void TEdit::SetText(const QString& text) {
    setText(inCase(text));
}

void TEdit::SetCharCase(runtime::TEditCharCase charCase) {
    charCase_ = charCase;
    SetText(text());
}

void TEdit::ReadDescription(const QJsonObject& description) {
    const QString charCase = description.value(QLatin1String("charCase")).toString();
    if (charCase == QLatin1String("ecUpperCase"))
        SetCharCase(runtime::ecUpperCase);
    else if (charCase == QLatin1String("ecLowerCase"))
        SetCharCase(runtime::ecLowerCase);
    SetText(description.value(QLatin1String("text")).toString());
}

QString TEdit::inCase(const QString& text) const {
    switch (charCase_) {
        case runtime::ecUpperCase:
            return text.toUpper();
        case runtime::ecLowerCase:
            return text.toLower();
        case runtime::ecNormal:
            break;
    }
    return text;
}

// Typed characters take the forced case before they reach the text, so a keystroke is one change.
void TEdit::keyPressEvent(QKeyEvent* event) {
    const QString typed = inCase(event->text());
    if (charCase_ == runtime::ecNormal || typed == event->text()) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    QKeyEvent converted(event->type(), event->key(), event->modifiers(), typed, event->isAutoRepeat(),
                        ushort(event->count()));
    QLineEdit::keyPressEvent(&converted);
    event->setAccepted(converted.isAccepted());
}

// Whatever else changes the text by hand (pasting, dropping) is brought into the forced case.
void TEdit::enforceCase() {
    const QString cased = inCase(text());
    if (cased == text()) return;
    const int cursor = cursorPosition();
    setText(cased);
    setCursorPosition(cursor);
}

// ---- TComboBox ---------------------------------------------------------------------------------

void TComboBoxItems::Clear() {
    combo_->clear();
}

int TComboBoxItems::Add(const QString& item) {
    combo_->addItem(item);
    return combo_->count() - 1;
}

int TComboBoxItems::Count() const {
    return combo_->count();
}

QString TComboBoxItems::Strings(int index) const {
    if (index < 0 || index >= combo_->count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return combo_->itemText(index);
}

int TComboBoxItems::IndexOf(const QString& item) const {
    return combo_->findText(item, Qt::MatchFixedString | Qt::MatchCaseSensitive);
}

QStringList TComboBoxItems::ToStringList() const {
    QStringList items;
    for (int i = 0; i < combo_->count(); ++i) items << combo_->itemText(i);
    return items;
}

TComboBox::TComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    setItemDelegate(new runtime::ItemHeightDelegate(this));
    const auto changed = [this] {
        if (OnChange) OnChange(this);
    };
    runtime::connectGuarded(this, &QComboBox::activated, this, [changed](int) { changed(); });
    runtime::connectGuarded(lineEdit(), &QLineEdit::textEdited, this,
                            [changed](const QString&) { changed(); });
}

int TComboBox::ItemIndex() const {
    const int index = currentIndex();
    return index >= 0 && itemText(index) == currentText() ? index : -1;
}

void TComboBox::SetItemIndex(int index) {
    setCurrentIndex(index >= 0 && index < count() ? index : -1);
    if (currentIndex() < 0) setEditText(QString());
}

void TComboBox::SetItemHeight(int height) {
    itemHeight_ = height;
}

void TComboBox::ReadDescription(const QJsonObject& description) {
    for (const QJsonValue& item : description.value(QLatin1String("items")).toArray())
        Items().Add(item.toString());
    if (description.contains(QLatin1String("itemHeight")))
        SetItemHeight(description.value(QLatin1String("itemHeight")).toInt());
    SetItemIndex(description.value(QLatin1String("itemIndex")).toInt(-1));
    if (description.contains(QLatin1String("text")))
        SetText(description.value(QLatin1String("text")).toString());
    SetTypeAhead(description.value(QLatin1String("typeAhead")).toBool());
}

// The offers are the box's own items, so a refilled list is offered at once. They are shown once the
// keys typed so far have been handled, so a text typed and confirmed in one go is never held up.
void TComboBox::SetTypeAhead(bool on) {
    if (on == TypeAhead()) return;
    delete offers_;
    offers_ = nullptr;
    if (!on) return;
    offers_ = new QCompleter(model(), this);
    offers_->setCompletionMode(QCompleter::PopupCompletion);
    offers_->setFilterMode(Qt::MatchContains);
    offers_->setCaseSensitivity(Qt::CaseInsensitive);
    offers_->setWidget(this);
    offers_->popup()->setFont(font());
    // A press outside the list is passed on here, not by the window system.
    offers_->popup()->setAttribute(Qt::WA_NoMouseReplay);
    // Installed after the completer's own filter, so this one sees the list's keys first.
    offers_->popup()->installEventFilter(this);
    connect(offers_, qOverload<const QString&>(&QCompleter::highlighted), this,
            [this](const QString& name) { marked_ = name; });
    runtime::connectGuarded(offers_, qOverload<const QString&>(&QCompleter::activated), this,
                            [this](const QString& name) { ChooseOffer(name); });
    connect(lineEdit(), &QLineEdit::textEdited, offers_,
            [this] { QTimer::singleShot(0, offers_, [this] { Offer(); }); });
}

QAbstractItemView* TComboBox::Offers() const {
    return offers_ ? offers_->popup() : nullptr;
}

// Shows the items that contain the text, while the box has the focus.
void TComboBox::Offer() {
    offers_->setCompletionPrefix(Text());
    if (hasFocus() && !Text().isEmpty() && offers_->completionCount() > 0) {
        offers_->complete();
        offers_->popup()->setCurrentIndex(QModelIndex());
    } else {
        offers_->popup()->hide();
    }
    marked_.clear();
}

// An offer chosen is the item chosen from the drop-down list.
void TComboBox::ChooseOffer(const QString& name) {
    setCurrentIndex(Items().IndexOf(name));
    SetText(name);
    emit activated(currentIndex());
}

// The list of offers is a window of its own; it shows its names in the box's font.
void TComboBox::changeEvent(QEvent* event) {
    QComboBox::changeEvent(event);
    if (event->type() == QEvent::FontChange && offers_) offers_->popup()->setFont(font());
}

bool TComboBox::eventFilter(QObject* watched, QEvent* event) {
    QAbstractItemView* offers = Offers();
    if (!offers) return QComboBox::eventFilter(watched, event);
    if (watched == offers && event->type() == QEvent::MouseButtonPress) {
        auto* press = static_cast<QMouseEvent*>(event);
        if (!offers->rect().contains(press->position().toPoint())) {
            PassPressOn(*press);
            return true;
        }
    }
    if (watched == offers && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Tab ||
            key->key() == Qt::Key_Backtab) {
            LeaveOffers(*key);
            return true;
        }
    }
    return QComboBox::eventFilter(watched, event);
}

// The list of offers is a popup window, which the window system hands every press while it is shown.
// A press outside it closes it and then goes to what lies under the mouse, as it would have without
// the list: one click on a button both closes the list and clicks the button.
void TComboBox::PassPressOn(const QMouseEvent& press) {
    Offers()->hide();
    const QPoint global = press.globalPosition().toPoint();
    QWidget* under = QApplication::widgetAt(global);
    const QWidget* modal = QApplication::activeModalWidget();
    if (!under || (modal && under->window() != modal)) return;
    QWidget* target = under->window();
    if (!target->isActiveWindow()) target->activateWindow();
    QWindow* surface = target->windowHandle();
    if (!surface) return;
    QMouseEvent again(press.type(), surface->mapFromGlobal(press.globalPosition()), press.globalPosition(),
                      press.button(), press.buttons(), press.modifiers(), press.pointingDevice());
    QCoreApplication::sendEvent(surface, &again);
}

// Enter or Tab in the list of offers chooses the offer marked with the arrow keys, if any, closes the
// list and then goes to the box once, as after a typed text.
void TComboBox::LeaveOffers(const QKeyEvent& key) {
    Offers()->hide();
    if (!marked_.isEmpty()) ChooseOffer(std::exchange(marked_, QString()));
    QKeyEvent again(QEvent::KeyPress, key.key(), key.modifiers(), key.text());
    QCoreApplication::sendEvent(this, &again);
}

// Opening the drop-down list or switching to another window is not leaving the control.
void TComboBox::focusOutEvent(QFocusEvent* event) {
    QComboBox::focusOutEvent(event);
    if (event->reason() == Qt::PopupFocusReason || event->reason() == Qt::ActiveWindowFocusReason) return;
    if (OnExit) runtime::guarded([this] { OnExit(this); });
}

// ---- TCheckBox ---------------------------------------------------------------------------------

TCheckBox::TCheckBox(QWidget* parent) : QCheckBox(parent) {
    runtime::connectGuarded(this, &QCheckBox::clicked, this, [this](bool) {
        if (OnClick) OnClick(this);
    });
}

void TCheckBox::ReadDescription(const QJsonObject& description) {
    SetCaption(description.value(QLatin1String("caption")).toString());
    SetChecked(description.value(QLatin1String("checked")).toBool());
}

// ---- TPanel ------------------------------------------------------------------------------------

TPanel::TPanel(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Raised);
}

// ---- TBitBtn -----------------------------------------------------------------------------------

TBitBtn::TBitBtn(QWidget* parent) : QPushButton(parent) {
    setFocusPolicy(Qt::StrongFocus);
    runtime::connectGuarded(this, &QPushButton::clicked, this, [this](bool) {
        if (OnClick) OnClick(this);
    });
}

// The press gives the button the focus first. When a control of the window takes the focus back (an
// edit whose text was refused, with its error box shown meanwhile), the press is dropped and no click
// follows, so the refused text is not reported a second time by the button's command.
void TBitBtn::mousePressEvent(QMouseEvent* event) {
    if ((focusPolicy() & Qt::ClickFocus) && window()->focusWidget() != this) {
        event->accept();
        return;
    }
    QPushButton::mousePressEvent(event);
}

void TBitBtn::SetKind(TBitBtnKind kind) {
    kind_ = kind;
    switch (kind) {
        case bkOK:
            SetCaption(QStringLiteral("OK"));
            SetGlyph(runtime::okGlyph());
            SetDefault(true);
            break;
        case bkCancel:
            SetCaption(QStringLiteral("Cancel"));
            SetGlyph(runtime::cancelGlyph());
            SetCancel(true);
            break;
        case bkCustom:
            break;
    }
}

void TBitBtn::SetGlyph(const QPixmap& glyph) {
    setIcon(QIcon(glyph));
    setIconSize(glyph.size());
}

void TBitBtn::SetDefault(bool isDefault) {
    default_ = isDefault;
    setDefault(isDefault);
}

void TBitBtn::ReadDescription(const QJsonObject& description) {
    const QString kind = description.value(QLatin1String("kind")).toString();
    if (kind == QLatin1String("bkOK"))
        SetKind(bkOK);
    else if (kind == QLatin1String("bkCancel"))
        SetKind(bkCancel);
    if (description.contains(QLatin1String("caption")))
        SetCaption(description.value(QLatin1String("caption")).toString());
    if (description.contains(QLatin1String("glyph")))
        SetGlyph(QPixmap(description.value(QLatin1String("glyph")).toString()));
    if (description.contains(QLatin1String("default")))
        SetDefault(description.value(QLatin1String("default")).toBool());
    if (description.contains(QLatin1String("cancel")))
        SetCancel(description.value(QLatin1String("cancel")).toBool());
}

// ---- TDateTimePicker ---------------------------------------------------------------------------

TDateTimePicker::TDateTimePicker(QWidget* parent) : QDateEdit(parent) {
    setLocale(QLocale());
    setCalendarPopup(true);
    setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
    runtime::connectGuarded(this, &QDateEdit::dateChanged, this, [this](const QDate&) {
        if (!settingFromProgram_ && OnChange) OnChange(this);
    });
}

// Tab leaves the picker, as in every other control; the arrow keys move between its fields.
bool TDateTimePicker::focusNextPrevChild(bool next) {
    return QWidget::focusNextPrevChild(next);
}

void TDateTimePicker::SetDate(const QDate& date) {
    settingFromProgram_ = true;
    setDate(date);
    settingFromProgram_ = false;
}

void TDateTimePicker::SetDateTime(const QDateTime& dateTime) {
    time_ = dateTime.time();
    SetDate(dateTime.date());
}

// ---- TStringGrid -------------------------------------------------------------------------------

TStringGrid::TStringGrid(QWidget* parent) : QTableWidget(parent) {
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setTabKeyNavigation(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setHighlightSections(false);
}

void TStringGrid::SetRows(const QList<QStringList>& rows) {
    clearContents();
    setRowCount(static_cast<int>(rows.size()));
    for (int row = 0; row < rowCount(); ++row)
        for (int column = 0; column < columnCount() && column < rows[row].size(); ++column) {
            auto* item = new QTableWidgetItem(rows[row][column]);
            item->setData(Qt::AccessibleTextRole,
                          horizontalHeaderItem(column)->text() + QStringLiteral(": ") + rows[row][column]);
            setItem(row, column, item);
        }
    if (rowCount()) setCurrentCell(0, 0);
}

QString TStringGrid::Cells(int column, int row) const {
    const QTableWidgetItem* cell = item(row, column);
    return cell ? cell->text() : QString();
}

void TStringGrid::keyPressEvent(QKeyEvent* event) {
    if (!runtime::leaveGridByKey(*this, *event)) QTableWidget::keyPressEvent(event);
}

void TStringGrid::ReadDescription(const QJsonObject& description) {
    const QJsonArray columns = description.value(QLatin1String("columns")).toArray();
    setColumnCount(static_cast<int>(columns.size()));
    for (int i = 0; i < columns.size(); ++i) {
        const QJsonObject column = columns[i].toObject();
        setHorizontalHeaderItem(i, new QTableWidgetItem(column.value(QLatin1String("title")).toString()));
        setColumnWidth(i, column.value(QLatin1String("width")).toInt(64));
    }
}
