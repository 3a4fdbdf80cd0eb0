// What the program's windows and print forms share: their descriptions' places, finding the components
// their members name, hooking events to member functions, and refilling a name box from the ledger.
#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <chrono>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "runtime/ComponentRegistry.h"
#include "runtime/Form.h"

class TComboBox;
class TQuery;

namespace ledger {

// The resource path of the description of the ledger window or print form `unit` (":/ledger/Unit2.json"
// for "Unit2"), with the ledger's resources loaded.
QString windowDescription(const char* unit);

// The names in a list of identifiers as the preprocessor writes it ("Table1, Table1KovrelID").
QStringList memberNames(const char* names);

// The component `name` of a window or print form; throws EReadError when the description lacks it.
template <class Owner, class T>
void lookUp(const Owner& owner, const QString& name, T*& member) {
    member = runtime::loadedComponent<T>(owner, name);
}

// Sets each of `members` to the component of `owner` named as the member is in `names`, in order.
template <class Owner, class... T>
void findByName(const Owner& owner, const char* names, T*&... members) {
    const QStringList list = memberNames(names);
    Q_ASSERT(list.size() == static_cast<qsizetype>(sizeof...(T)));
    qsizetype i = 0;
    (lookUp(owner, list[i++], members), ...);
}

// An event hook that runs `form`'s member function `handler` with the event's arguments.
template <class Form, class... Args>
auto handler(Form* form, void (Form::*member)(Args...)) {
    return [form, member](Args... args) { (form->*member)(std::forward<Args>(args)...); };
}

// Which name a refilled name box shows.
enum class NameChoice {
    First,  // the first of the list
    Kept,   // the one shown before, while the list still has it; else the first
};

// Refills `names` with the first column of what `sql` reads on `query`, which is closed afterwards.
void fillNameList(TComboBox& names, TQuery& query, const std::vector<std::string>& sql, NameChoice choice);

// A date of the windows' boxes as a day of the ledger's calendar, and back.
std::chrono::year_month_day calendarDay(const QDate& date);
QDate boxDate(std::chrono::year_month_day day);

}  // namespace ledger

// In a window's or print form's constructor: sets each member named to the component of the same name,
// so that a member's name is written once. FIND_COMPONENTS(Label1, BitBtn1) is
// `Label1 = Component<TLabel>("Label1"); BitBtn1 = Component<TBitBtn>("BitBtn1");`, each member's type
// taken from its declaration; FIND_COMPONENTS_IN(form, ...) finds them in `form`.
#define FIND_COMPONENTS_IN(owner, ...) ledger::findByName(owner, #__VA_ARGS__, __VA_ARGS__)
#define FIND_COMPONENTS(...) FIND_COMPONENTS_IN(*this, __VA_ARGS__)

// In a window's constructor: hooks the event `Event` of each control named to the window's member function
// named after the control and the event, as the program names its handlers, so that a handler's name is
// written once. HOOK_EVENTS(Click, BitBtn1, BitBtn2) is
// `BitBtn1->OnClick = ledger::handler(this, &TfrmX::BitBtn1Click); BitBtn2->OnClick = ...`;
// HOOK_FORM_EVENTS(Activate, Close) hooks the window's own OnActivate and OnClose to FormActivate and
// FormClose.
#define HOOK_EVENTS(Event, ...) LEDGER_FOR_EACH(LEDGER_HOOK_CONTROL, Event, __VA_ARGS__)
#define HOOK_FORM_EVENTS(...) LEDGER_FOR_EACH(LEDGER_HOOK_FORM, , __VA_ARGS__)

#define LEDGER_HOOK_CONTROL(Event, control) \
    control->On##Event = ledger::handler(this, &std::remove_pointer_t<decltype(this)>::control##Event)
#define LEDGER_HOOK_FORM(unused, Event) \
    On##Event = ledger::handler(this, &std::remove_pointer_t<decltype(this)>::Form##Event)

// LEDGER_FOR_EACH(m, a, x, y, ...) is `m(a, x); m(a, y); ...`, for up to 64 items: each rescan of
// LEDGER_EXPAND takes one more step of the list.
#define LEDGER_FOR_EACH(macro, arg, ...) \
    __VA_OPT__(LEDGER_EXPAND(LEDGER_FOR_EACH_STEP(macro, arg, __VA_ARGS__)))
#define LEDGER_FOR_EACH_STEP(macro, arg, first, ...) \
    macro(arg, first) __VA_OPT__(; LEDGER_FOR_EACH_AGAIN LEDGER_PARENS(macro, arg, __VA_ARGS__))
#define LEDGER_FOR_EACH_AGAIN() LEDGER_FOR_EACH_STEP
#define LEDGER_PARENS ()
#define LEDGER_EXPAND(...) LEDGER_EXPAND16(LEDGER_EXPAND16(LEDGER_EXPAND16(LEDGER_EXPAND16(__VA_ARGS__))))
#define LEDGER_EXPAND16(...) LEDGER_EXPAND4(LEDGER_EXPAND4(LEDGER_EXPAND4(LEDGER_EXPAND4(__VA_ARGS__))))
#define LEDGER_EXPAND4(...) LEDGER_EXPAND1(LEDGER_EXPAND1(LEDGER_EXPAND1(LEDGER_EXPAND1(__VA_ARGS__))))
#define LEDGER_EXPAND1(...) __VA_ARGS__
