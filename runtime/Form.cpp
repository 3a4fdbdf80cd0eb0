// The program's windows: activation and close events, default and cancel keys, frame placement.
#include "runtime/Form.h"

#include <qpa/qplatformwindow.h>

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <cmath>
#include <utility>

#include "runtime/Accessible.h"
#include "runtime/Application.h"
#include "runtime/Controls.h"
#include "runtime/FormLoader.h"
#include "runtime/Geometry.h"
#include "runtime/UserSettings.h"

QPointer<TForm> TForm::lastActivated_;

TForm::TForm(const QString& descriptionPath) : QWidget(nullptr) {
    runtime::answerWindowsAsFrames();
    setAttribute(Qt::WA_QuitOnClose, false);
    // Another window that takes the focus before the form gets it back ends the return from a message.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* focus) {
        if (focus && focus != windowHandle() && focus->isVisible()) messageReturnPending_ = false;
    });
    runtime::loadForm(*this, descriptionPath);
}

void TForm::Show() {
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void TForm::Close() {
    closingFromCode_ = true;
    closeError_ = nullptr;
    close();
    closingFromCode_ = false;
    if (std::exception_ptr error = std::exchange(closeError_, nullptr)) std::rethrow_exception(error);
}

void TForm::SetBounds(int left, int top, int width, int height) {
    designedBounds_ = Rect(left, top, width, height);
    frameFitted_ = false;
    fitFrameToDesignedBounds();
}

void TForm::SetScaled(bool scaled) {
    scaled_ = scaled;
    frameFitted_ = false;
    fitFrameToDesignedBounds();
}

double TForm::LogicalLength(double designed) const {
    return scaled_ ? designed : designed / devicePixelRatioF();
}

void TForm::fitFrameToDesignedBounds() {
    const auto logical = [this](int designed) {
        return static_cast<int>(std::lround(LogicalLength(designed)));
    };
    const QSize frame = frameGeometry().size() - size();
    move(logical(designedBounds_.left()), logical(designedBounds_.top()));
    resize(qMax(1, logical(designedBounds_.width()) - frame.width()),
           qMax(1, logical(designedBounds_.height()) - frame.height()));
}

// An unscaled form's window gets the design's device pixels as they are: at a fractional pixel ratio
// no whole number of logical pixels gives them all (979 / 1.5 is none), and its logical size scaled
// back would be a pixel off. The window system's window must exist and be shown, else showing it would
// set its size from the logical one again.
void TForm::keepDesignedDeviceSize() {
    QPlatformWindow* window = windowHandle() ? windowHandle()->handle() : nullptr;
    if (!window) return;
    const QMargins frame = window->frameMargins();
    auto client = window->geometry();
    client.setSize(QSize(qMax(1, designedBounds_.width() - frame.left() - frame.right()),
                         qMax(1, designedBounds_.height() - frame.top() - frame.bottom())));
    window->setGeometry(client);
}

void TForm::SetMenuBar(QMenuBar* menuBar) {
    menuBar_ = menuBar;
    auto* frameLayout = new QVBoxLayout(this);
    frameLayout->setContentsMargins(0, 0, 0, 0);
    frameLayout->setMenuBar(menuBar);
    frameLayout->addStretch();
}

int TForm::ClientTop() const {
    return menuBar_ ? menuBar_->sizeHint().height() : 0;
}

TForm* TForm::ActiveForm() {
    if (auto* active = qobject_cast<TForm*>(QApplication::activeWindow())) return active;
    if (lastActivated_ && lastActivated_->isVisible()) return lastActivated_;
    return nullptr;
}

void TForm::MessageWindowClosed() {
    if (!isVisible()) return;
    const bool active = QApplication::activeWindow() == this;
    if (InActivation()) {
        IgnorePendingActivations();
        if (!active) activateWindow();
        return;
    }
    if (active) {
        runActivation(true);
        return;
    }
    const QWindow* focus = QGuiApplication::focusWindow();
    if (focus && focus != windowHandle() && focus->isVisible()) return;
    messageReturnPending_ = true;
    activateWindow();
}

void TForm::runActivation(bool returningFromMessage) {
    lastActivated_ = this;
    if (InActivation() || !OnActivate) return;
    activation_ = returningFromMessage ? Activation::ReturnRunning : Activation::Running;
    runtime::guarded([this] { OnActivate(this); });
    activation_ = Activation::Idle;
}

void TForm::IgnorePendingActivations() {
    ignoringActivations_ = true;
    QTimer::singleShot(0, this, [this] { ignoringActivations_ = false; });
}

bool TForm::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) {
        if (ignoringActivations_)
            lastActivated_ = this;
        else
            runActivation(std::exchange(messageReturnPending_, false));
    }
    return QWidget::event(event);
}

void TForm::setVisible(bool visible) {
    QWidget::setVisible(visible);
    if (visible && std::exchange(deviceSizePending_, false)) keepDesignedDeviceSize();
}

void TForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!frameFitted_ && designedBounds_.isValid()) {
        frameFitted_ = true;
        deviceSizePending_ = !scaled_;
        fitFrameToDesignedBounds();
        // Where the clerk left the window last time; the designed place the first time.
        if (const std::optional<QPoint> place = runtime::savedWindowPlace(objectName())) move(*place);
    }
}

void TForm::closeEvent(QCloseEvent* event) {
    try {
        if (OnClose) OnClose(this);
    } catch (...) {
        event->ignore();
        if (closingFromCode_)
            closeError_ = std::current_exception();
        else
            runtime::showException(std::current_exception());
        return;
    }
    event->accept();
    runtime::saveWindowPlace(objectName(), pos());
    if (Application && Application->MainForm() == this) Application->Terminate();
}

void TForm::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() & ~Qt::KeypadModifier || !clickButtonForKey(event->key()))
        QWidget::keyPressEvent(event);
}

bool TForm::clickButtonForKey(int key) {
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (!enter && key != Qt::Key_Escape) return false;
    if (auto* focused = qobject_cast<QAbstractButton*>(focusWidget());
        enter && focused && focused->isEnabled()) {
        focused->click();
        return true;
    }
    for (TBitBtn* button : findChildren<TBitBtn*>()) {
        if (!button->isVisibleTo(this) || !button->isEnabled()) continue;
        if (enter ? button->Default() : button->Cancel()) {
            button->click();
            return true;
        }
    }
    return false;
}
