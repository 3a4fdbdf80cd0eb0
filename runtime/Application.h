// The application object: creates the program's forms, runs the event loop until the main form
// closes, and reports a failed start-up.
#pragma once

#include <QString>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

class QEventLoop;
class TForm;

// The program's application object. It needs a QApplication and, while it exists, is reachable as
// the global `Application`. It owns the forms it creates; the first one created is the main form.
// When it ends, the forms go (the last created first) and their global references are cleared.
class TApplication {
  public:
    TApplication();
    ~TApplication();
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    void Initialize();

    // Creates a form of class T (hidden) and stores it in `reference`. An exception from the form's
    // creation propagates and leaves `reference` empty.
    template <class T>
    void CreateForm(T*& reference) {
        reference = nullptr;
        T* form = new T();
        reference = form;
        adopt(form, [&reference] { reference = nullptr; });
    }

    // Shows the main form and runs the event loop until the main form closes or Terminate is called.
    void Run();
    // Runs `loop` (a nested wait, for instance) until it is quit or the application terminates;
    // returns at once when it has terminated already.
    void RunLoop(QEventLoop& loop);
    // Ends the run and every loop running through RunLoop.
    void Terminate();
    bool Terminated() const { return terminated_; }
    // Handles the events that are waiting, then returns.
    void ProcessMessages();

    TForm* MainForm() const;
    // The forms in the order of their creation.
    int FormCount() const { return int(forms_.size()); }
    TForm* Forms(int index) const;
    QString Title() const;
    void SetTitle(const QString& title);
    // The file name of the program's executable, e.g. "kovrel".
    QString ModuleName() const;

    // Shows the box that reports a failed start-up ("Application Error") for `error`.
    void ShowStartupFailure(std::exception_ptr error) const;

  private:
    struct OwnedForm {
        std::unique_ptr<TForm> form;
        std::function<void()> clearReference;
    };
    void adopt(TForm* form, std::function<void()> clearReference);

    std::vector<OwnedForm> forms_;
    std::vector<QEventLoop*> loops_;
    bool terminated_ = false;
};

extern TApplication* Application;

namespace runtime {

// The text of the start-up failure box: "Exception %s in module %s at %p.\n%s%s" with the exception's
// class name, the module name, an address, the message and "." unless the message already ends in one
// (unlike the default error box, which adds it only after characters that sort after ".").
QString startupFailureText(const QString& className, const QString& moduleName, const void* address,
                           const QString& message);

}  // namespace runtime
