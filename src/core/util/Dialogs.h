#pragma once

#include <QString>
#include <QStringList>

#include <exception>
#include <functional>
#include <type_traits>
#include <utility>

class QObject;

enum class MessageKind
{
    Plain, // no symbol
    Information,
    Warning,
    Confirmation,
    Error
};

enum MessageButton : int
{
    NoButton = 0,
    Ok = 1,
    Cancel = 2,
    Yes = 4,
    No = 8
};
using MessageButtons = int;

// Every message box, file choice and shell "open" of the program goes through
// here. The program installs the real Qt dialogs; tests install a recorder
// that answers and remembers what was asked, so no test waits on a window.
class Dialogs
{
public:
    virtual ~Dialogs() = default;

    // A modal message box; answers the button that closed it.
    virtual MessageButton message(MessageKind kind, const QString& text,
                                  MessageButtons buttons) = 0;
    // A modal open-file dialog; filter as "Billeder (*.jpg)". Empty on cancel.
    virtual QString openFileName(const QString& filter) = 0;
    // A modal save-file dialog. Filters as Qt writes them, several joined by
    // ";;"; chosenFilter, when given, comes in as the one to preselect and
    // goes out as the one the user took. Empty on cancel.
    virtual QString saveFileName(const QString& filter, const QString& suggestedName,
                                 QString* chosenFilter = nullptr) = 0;
    // The desktop's "open" of a file or address (mailto:, http://, a path).
    virtual bool openUrl(const QString& target) = 0;
    // Whether the desktop has a program for this kind of link ("http", "mailto").
    virtual bool hasHandler(const QString& scheme) = 0;
    // Starts a program of the desktop on its own (it outlives this one);
    // false when it cannot be started.
    virtual bool startProgram(const QString& program, const QStringList& arguments) = 0;
    // Shows one of the program's own windows modally: exec shows it and
    // returns when it is closed, with the window's result.
    virtual int runModal(QObject* window, const std::function<int()>& exec) = 0;

    static Dialogs& instance();
    // Takes the place of the current implementation; the caller keeps ownership.
    static void install(Dialogs* dialogs);
};

// The application's error box: the message with a full stop added when it
// does not end in one, the stop symbol and one OK button.
namespace ErrorBox {
QString text(const QString& message);
void show(const QString& message);
// Shows what an exception says; a silent EAbort shows nothing.
void show(const std::exception& error);
} // namespace ErrorBox

// Wraps an event handler so that an exception escaping it is shown in the
// error box and the program goes on in the state it had.
// A handler that takes no arguments may be connected to a signal that has some.
template <class F> auto guarded(F handler)
{
    return [handler](auto&&... args) {
        try {
            if constexpr (std::is_invocable_v<F, decltype(args)...>)
                handler(std::forward<decltype(args)>(args)...);
            else
                handler();
        } catch (const std::exception& e) {
            ErrorBox::show(e);
        }
    };
}
