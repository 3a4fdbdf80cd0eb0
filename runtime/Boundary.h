// The event boundary: every entry from Qt into the program's code runs through guarded(), which turns
// an escaping exception into the default error box so that the program goes on running.
#pragma once

#include <QObject>
#include <QString>
#include <exception>
#include <functional>
#include <type_traits>
#include <utility>

class QObject;

// An event hook: the assignable handler of a control's or form's event, given the object it concerns.
using TNotifyEvent = std::function<void(QObject* Sender)>;

namespace runtime {

// The text of the default error box for `message`: the message with "." appended when the message is
// not empty and its last character sorts after ".".
QString errorBoxText(const QString& message);

// What the program has to say about an error beyond its message, for the default error box and the
// start-up failure box: an empty text adds nothing. None is said until the program sets one.
using ErrorAdvice = std::function<QString(const std::exception& error)>;
void setErrorAdvice(ErrorAdvice advice);
// `message` followed by what the program has to say about `error`, in a paragraph of its own.
QString withAdvice(const QString& message, const std::exception& error);

// Shows the default error box for the exception `error` (nothing for an EAbort).
void showException(std::exception_ptr error);

// Runs `fn`; an exception that escapes it is shown by the default error box. Answers whether `fn`
// finished without an exception.
bool guarded(const std::function<void()>& fn);

// Connects `signal` of `sender` to `fn` (taking the signal's arguments or none) so that `fn` runs
// inside the event boundary; `context` ends the connection when it is destroyed.
template <typename Fn, typename... Args>
void callWithArgumentsIfTaken(const Fn& fn, Args&&... args) {
    if constexpr (std::is_invocable_v<const Fn&, Args...>)
        fn(std::forward<Args>(args)...);
    else
        fn();
}

template <typename Sender, typename Signal, typename Fn>
QMetaObject::Connection connectGuarded(Sender* sender, Signal signal, const QObject* context, Fn fn) {
    return QObject::connect(sender, signal, context, [fn = std::move(fn)](auto&&... args) {
        guarded([&] { callWithArgumentsIfTaken(fn, std::forward<decltype(args)>(args)...); });
    });
}

}  // namespace runtime
