// The program's windows: top-level forms laid out from their descriptions, with activation and close
// events.
#pragma once

#include <QPointer>
#include <QWidget>
#include <exception>

#include "runtime/Boundary.h"
#include "runtime/ComponentRegistry.h"
#include "runtime/Exception.h"
#include "runtime/Geometry.h"

class QMenuBar;

// A top-level window of the program. It is created hidden from its form description and lives until
// the application object ends; closing it only hides it (closing the main form ends the run).
// OnActivate runs each time the form becomes the active one among the program's windows, also when a
// message window over it closes; OnClose runs when the form is about to close, and an exception from
// it keeps the form open.
class TForm : public QWidget {
    Q_OBJECT

  public:
    // Lays the form out from the description at `descriptionPath` (a Qt resource path such as
    // ":/ledger/Unit2.json"); a component's failure in Loaded() propagates out of the constructor.
    explicit TForm(const QString& descriptionPath);

    // Shows the form modeless, or brings it to the front when it is already visible.
    void Show();
    // An unscaled form shown the first time takes the design's device pixels (see SetScaled).
    void setVisible(bool visible) override;
    // Closes the form as its close box does; an exception raised by OnClose propagates to the caller
    // and the form stays open.
    void Close();

    QString Caption() const { return windowTitle(); }
    void SetCaption(const QString& caption) { setWindowTitle(caption); }

    // Places the window's frame at these outer bounds (left, top, width, height), as closely as the
    // window system allows.
    void SetBounds(int left, int top, int width, int height);
    Rect DesignedBounds() const { return designedBounds_; }
    // Whether the form's layout follows the screen's pixel density (the default): its lengths are
    // logical pixels, which Qt scales. An unscaled form's lengths are the screen's device pixels.
    bool Scaled() const { return scaled_; }
    void SetScaled(bool scaled);
    // A length of the form's layout in logical pixels: as it is for a scaled form, else divided by
    // the screen's device pixel ratio.
    double LogicalLength(double designed) const;

    // Puts the form's main menu at its top; the client area (where controls are placed) starts below.
    void SetMenuBar(QMenuBar* menuBar);
    QMenuBar* MenuBar() const { return menuBar_; }
    int ClientTop() const;

    // The component called `name`; throws EReadError when the description has no such component of type T.
    template <class T>
    T* Component(const QString& name) const {
        return runtime::loadedComponent<T>(*this, name);
    }

    TNotifyEvent OnActivate;
    TNotifyEvent OnClose;

    // The program's form that is active now: the active window, or else the form activated last
    // while it is still visible.
    static TForm* ActiveForm();
    bool InActivation() const { return activation_ != Activation::Idle; }
    // Tells the form that a message window shown over it has closed. The form's activation runs again
    // as the return from that window: at once when the form is still the active window (the message
    // window never took the activation), else when the activation, which this asks for, comes back to
    // it, unless another window takes the focus first. A message window shown by the activation
    // itself does not run it again, so that a failing activation reports once instead of without end.
    void MessageWindowClosed();
    // Whether the activation now running is the return from a message window shown over the form.
    bool ReturningFromMessage() const { return activation_ == Activation::ReturnRunning; }

  protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void runActivation(bool returningFromMessage = false);
    // Drops the activations that arrive before the events now waiting have been handled (those that a
    // message window shown by the activation causes when it closes).
    void IgnorePendingActivations();
    void fitFrameToDesignedBounds();
    void keepDesignedDeviceSize();
    bool clickButtonForKey(int key);

    Rect designedBounds_;
    bool scaled_ = true;
    bool frameFitted_ = false;
    bool deviceSizePending_ = false;  // an unscaled form's frame fitted, its device size not yet
    // The activation, and the two waits that outlive a run of it:
    //
    //   Idle --WindowActivate, unless ignoring--> Running, or ReturnRunning when a return was pending
    //   Idle --MessageWindowClosed while the form is the active window--> ReturnRunning
    //   Running/ReturnRunning --OnActivate returns or fails--> Idle
    //
    // An activation that arrives while one runs does not run (OnActivate never runs inside itself).
    // messageReturnPending_: set by MessageWindowClosed when the form is not the active window (and no
    //   activation runs); ended by the WindowActivate it asks for, whose run is a return, or by another
    //   window taking the focus first.
    // ignoringActivations_: set by MessageWindowClosed during a run (a message window the activation
    //   showed has closed); until the event loop's next turn a WindowActivate only makes the form the
    //   one activated last.
    // The waits are independent of the run and of each other, so they stay flags beside it.
    enum class Activation { Idle, Running, ReturnRunning };
    Activation activation_ = Activation::Idle;
    bool ignoringActivations_ = false;
    bool messageReturnPending_ = false;
    QMenuBar* menuBar_ = nullptr;
    bool closingFromCode_ = false;
    std::exception_ptr closeError_;

    static QPointer<TForm> lastActivated_;
};
