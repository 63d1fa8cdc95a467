#pragma once

#include <QIcon>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

class QEventLoop;

namespace pictavo {

class Dialogs;

// Runs one event handler behind a form's exception barrier. Widgets that connect handlers of
// their own (a palette inside a window) are given one by the form that owns them.
using HandlerGuard = std::function<void(const std::function<void()>&)>;

// The base of every window's form object. A window is two things: the form object, which lives
// as long as the component and holds the window's public fields and pictures, and the widget
// tree, which exists only while the window is loaded and only displays what the form holds.
//
// The contract, for every window that stands on it:
// - Load on touch: Load() builds the widget tree through Form_Load(); a form's control
//   accessors call widget(), which loads first. Load does nothing when loaded. When Form_Load
//   throws, nothing is loaded.
// - Unload() destroys the widget tree and keeps the fields; Form_Unload() runs first, to save
//   what must outlive the widgets. It is safe anywhere, in particular from inside a handler of
//   the window's own widgets: the window is hidden and detached at once (isLoaded() is false on
//   return) and destroyed once no handler of the form is running any more.
// - Show() shows the window modally on a local event loop and returns when the window has been
//   hidden (an accepted window stays loaded, so its widgets can still be read) or unloaded.
//   A loop ended from outside (the application is closing) is a close asked for: the window
//   goes through Form_QueryUnload() before Show returns.
// - Every event handler runs behind one barrier (on(), runHandler(), guard()). An exception
//   never reaches Qt's event loop: Form_Error() first puts the window into a consistent state
//   (by default it stays as it is; a window whose handler cannot be left half-done unloads),
//   then the error's message is shown through MsgBoxEx. A window whose caller must learn that
//   it could not finish unloads in Form_Error(), so the caller finds it unloaded.
// - A close asked by the window manager goes to Form_QueryUnload() (by default: Unload()).
//
// The form object must outlive any modal Show of its own and is not destroyed from inside one
// of its handlers.
class FormObject {
public:
    virtual ~FormObject();
    FormObject(const FormObject&) = delete;
    FormObject& operator=(const FormObject&) = delete;

    bool isLoaded() const { return !window_.isNull(); }
    void Load();
    void Unload();
    void Show();

    // Runs `handler` behind the barrier; never throws.
    void runHandler(const std::function<void()>& handler) noexcept;
    HandlerGuard guard() {
        return [this](const std::function<void()>& handler) { runHandler(handler); };
    }

protected:
    // `dialogs` shows the message of a failed handler, with `icon` when one is given.
    explicit FormObject(std::function<Dialogs&()> dialogs, std::function<QIcon()> icon = {});

    // The top-level window, loading it first.
    QWidget* widget();
    // The top-level window, or null when the window is not loaded; never loads.
    QWidget* loadedWidget() const { return window_.data(); }

    // Builds and lays out the widget tree, hidden, and connects its handlers with on().
    virtual std::unique_ptr<QWidget> Form_Load() = 0;
    // The widget tree is about to go; the fields stay. Must not throw.
    virtual void Form_Unload(QWidget& window) { static_cast<void>(window); }
    virtual void Form_QueryUnload() { Unload(); }
    // A handler has thrown; leave the window consistent. Must not throw.
    virtual void Form_Error() {}

    // Connects `signal` of `sender` (a widget of this window, or the window itself) to
    // `handler`, which takes no arguments, behind the barrier. The connection ends with the
    // sender.
    template <class Sender, class Signal, class Handler>
    void on(Sender* sender, Signal signal, Handler handler) {
        QObject::connect(sender, signal, sender, [this, handler] { runHandler(handler); });
    }

private:
    class WindowWatch;
    void deleteRetired();
    void failed(const QString& message) noexcept;

    std::function<Dialogs&()> dialogs_;
    std::function<QIcon()> icon_;
    QPointer<QWidget> window_;
    std::unique_ptr<WindowWatch> watch_;
    // A window unloaded while a handler of the form was running; deleted once none is.
    QPointer<QWidget> retired_;
    int handlerDepth_ = 0;
    QEventLoop* modalLoop_ = nullptr;
};

}  // namespace pictavo
