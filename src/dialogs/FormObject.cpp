#include "dialogs/FormObject.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QtDebug>
#include <exception>
#include <utility>

#include "dialogs/MsgBoxEx.h"

namespace pictavo {

// Watches the loaded window: a close asked for goes to the form, and a hide ends a modal show.
class FormObject::WindowWatch : public QObject {
public:
    explicit WindowWatch(FormObject& form) : form_(form) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != form_.window_.data()) {
            return false;
        }
        if (event->type() == QEvent::Close) {
            // Closing is the form's decision.
            event->ignore();
            form_.runHandler([this] { form_.Form_QueryUnload(); });
            return true;
        }
        // A minimised window is hidden by the window system; that ends nothing.
        if (event->type() == QEvent::Hide && !event->spontaneous() && form_.modalLoop_) {
            form_.modalLoop_->quit();
        }
        return false;
    }

private:
    FormObject& form_;
};

FormObject::FormObject(std::function<Dialogs&()> dialogs, std::function<QIcon()> icon)
    : dialogs_(std::move(dialogs)), icon_(std::move(icon)) {}

FormObject::~FormObject() {
    delete window_.data();
    delete retired_.data();
}

void FormObject::deleteRetired() {
    if (handlerDepth_ == 0) {
        delete retired_.data();
    }
}

QWidget* FormObject::widget() {
    Load();
    return window_.data();
}

void FormObject::Load() {
    if (window_) {
        return;
    }
    deleteRetired();
    std::unique_ptr<QWidget> w = Form_Load();
    if (!watch_) {
        watch_ = std::make_unique<WindowWatch>(*this);
    }
    w->installEventFilter(watch_.get());
    window_ = w.release();
}

void FormObject::Unload() {
    if (!window_) {
        return;
    }
    QWidget* w = window_.data();
    Form_Unload(*w);
    window_ = nullptr;
    w->hide();
    if (modalLoop_) {
        modalLoop_->quit();
    }
    if (handlerDepth_ == 0) {
        delete w;
        return;
    }
    // A handler of these widgets is on the stack: they go once the event loop has control again
    // (or at the next load, or with the form).
    retired_ = w;
    w->deleteLater();
}

void FormObject::Show() {
    QPointer<QWidget> w = widget();
    QEventLoop loop;
    QEventLoop* outer = std::exchange(modalLoop_, &loop);
    w->setWindowModality(Qt::ApplicationModal);
    w->show();
    // Showing runs the window's own handlers, which may unload it.
    if (w && w == window_) {
        w->raise();
        w->activateWindow();
    }
    if (w && w == window_ && w->isVisible()) {
        loop.exec(QEventLoop::DialogExec);
    }
    modalLoop_ = outer;
    // Still shown: the loop was ended from outside, because the application is closing
    // (QCoreApplication::exit ends every loop, and no later one runs). That is the user's
    // close, never an answer: the window is asked to close, as by the window manager.
    if (w && w == window_ && w->isVisible()) {
        runHandler([this] { Form_QueryUnload(); });
    }
    deleteRetired();
}

void FormObject::runHandler(const std::function<void()>& handler) noexcept {
    ++handlerDepth_;
    try {
        handler();
    } catch (const std::exception& e) {
        failed(QString::fromUtf8(e.what()));
    } catch (...) {
        failed(QStringLiteral("An unexpected error occurred."));
    }
    --handlerDepth_;
}

void FormObject::failed(const QString& message) noexcept {
    Form_Error();
    try {
        MsgBoxEx(dialogs_(), message, MsgBox::OkOnly, kMessageCaption, -1, -1,
                 icon_ ? icon_() : QIcon(), window_.data());
    } catch (const std::exception& e) {
        qWarning("%s (%s)", qUtf8Printable(message), e.what());
    } catch (...) {
        qWarning("%s", qUtf8Printable(message));
    }
}

}  // namespace pictavo
