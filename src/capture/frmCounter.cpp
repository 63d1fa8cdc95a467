#include "capture/frmCounter.h"

#include <QFont>
#include <QLabel>
#include <QPalette>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <limits>

#include "controls/Twips.h"
#include "dialogs/WindowPlacement.h"
#include "platform/PictavoError.h"
#include "settings/ColourValue.h"
#include "settings/NumericText.h"
#include "settings/SettingReaders.h"
#include "settings/Settings.h"
#include "settings/UserKey.h"

namespace pictavo {

namespace {

const QString kCountdownKey = QStringLiteral("Countdown");

// Twips. The shadow lies 45 twips right of and below the number.
constexpr int kTimeLeft = 15;
constexpr int kTimeTop = 15;
constexpr int kShadowLeft = 60;
constexpr int kShadowTop = 60;
// Room right of and below the number: 30 at load, 45 once it has ticked.
constexpr int kLoadMargin = 30;
constexpr int kTickMargin = 45;

constexpr int kTickMs = 1000;

// Everything the window shows, read before any widget exists, so that a failing read leaves
// nothing half-built.
struct CountdownLook {
    QFont font;
    QColor fore;
    QColor shadow;
    QColor back;
};

CountdownLook readLook(Settings& s) {
    auto colour = [&s](const char* name) {
        return colourFromValue(colourSetting(s, kCountdownKey, QLatin1String(name)));
    };
    return {fontSetting(s, kCountdownKey, FontFlags::all(FlagRule::OneIsOn)), colour("ForeColor"),
            colour("Shadow"), colour("BackColor")};
}

// The window is left out of the window manager's care altogether (override-redirect): it
// cannot be given the focus, is not placed or framed, and the focus and the active window stay
// where they are when it appears. Staying on top is then our own job: the window is raised when
// shown and again at every tick.
constexpr Qt::WindowFlags kWindowFlags = Qt::Window | Qt::FramelessWindowHint |
                                         Qt::X11BypassWindowManagerHint | Qt::WindowStaysOnTopHint |
                                         Qt::WindowDoesNotAcceptFocus;

}  // namespace

std::optional<qint16> countFromText(const QString& text) {
    const std::optional<double> value = numberFromText(text);
    if (!value || std::isnan(*value)) {
        return std::nullopt;
    }
    const double rounded = std::nearbyint(*value);  // the default rounding mode: half to even
    constexpr double lo = std::numeric_limits<qint16>::min();
    constexpr double hi = std::numeric_limits<qint16>::max();
    return static_cast<qint16>(std::clamp(rounded, lo, hi));
}

QSize counterWindowTwips(int labelLeft, int labelTop, QSize labelSize, int margin) {
    return QSize(labelSize.width() + labelLeft + margin, labelSize.height() + labelTop + margin);
}

frmCounter::frmCounter(Dialogs& dialogs, Settings& settings)
    : frmCounter([&dialogs]() -> Dialogs& { return dialogs; },
                 [&settings]() -> Settings& { return settings; }) {}

frmCounter::frmCounter(std::function<Dialogs&()> dialogs, std::function<Settings&()> settings)
    : FormObject(std::move(dialogs)), settings_(std::move(settings)) {}

frmCounter::~frmCounter() {
    Unload();
}

Settings& frmCounter::settings() {
    if (!settings_) {
        throw PictavoError(QStringLiteral("The countdown window has no settings store."));
    }
    return settings_();
}

bool frmCounter::Show() {
    Unload();
    const std::optional<qint16> count =
        countFromText(settings().value(UserKey::kItself, QStringLiteral("Count")));
    // Below 1 nothing is waited for: a window would only show after the capture.
    if (!count || *count < 1) {
        return false;
    }
    Seconds = *count;
    Load();
    Timer1_->start();
    QWidget* w = loadedWidget();
    w->show();
    w->raise();
    return true;
}

std::unique_ptr<QWidget> frmCounter::Form_Load() {
    const CountdownLook look = readLook(settings());

    auto w = std::make_unique<QWidget>(nullptr, kWindowFlags);
    w->setObjectName(QStringLiteral("frmCounter"));
    w->setAttribute(Qt::WA_ShowWithoutActivating);
    QPalette background = w->palette();
    background.setColor(QPalette::Window, look.back);
    w->setPalette(background);
    w->setAutoFillBackground(true);

    // The shadow is made first so that the number is drawn over it.
    auto* shadow = new QLabel(w.get());
    shadow->setObjectName(QStringLiteral("lblTime2"));
    applyLook(shadow, look.shadow);
    auto* time = new QLabel(w.get());
    time->setObjectName(QStringLiteral("lblTime"));
    applyLook(time, look.fore);
    for (QLabel* label : {shadow, time}) {
        label->setFont(look.font);
    }
    const int tx = twipsPerPixelX(w.get());
    const int ty = twipsPerPixelY(w.get());
    time->move(toPixels(kTimeLeft, tx), toPixels(kTimeTop, ty));
    shadow->move(toPixels(kShadowLeft, tx), toPixels(kShadowTop, ty));

    auto* timer = new QTimer(w.get());
    timer->setObjectName(QStringLiteral("Timer1"));
    timer->setInterval(kTickMs);
    on(timer, &QTimer::timeout, [this] { Timer1_Timer(); });

    lblTime_ = time;
    lblTime2_ = shadow;
    Timer1_ = timer;

    // The top-left corner of the monitor the user is looking at.
    w->move(pointerMonitor().work.topLeft());
    fitTo(*w, kLoadMargin);
    return w;
}

void frmCounter::Form_Unload(QWidget& /*window*/) {
    // The widgets may outlive the unload for a moment (when it comes from the tick itself).
    if (Timer1_) {
        Timer1_->stop();
    }
}

void frmCounter::applyLook(QLabel* label, const QColor& colour) {
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
}

void frmCounter::fitTo(QWidget& window, int marginTwips) {
    const QString caption = QString::number(Seconds);
    for (QLabel* label : {lblTime_.data(), lblTime2_.data()}) {
        label->setText(caption);
        label->adjustSize();
    }
    QWidget* w = &window;
    const int tx = twipsPerPixelX(w);
    const int ty = twipsPerPixelY(w);
    const QSize label(toTwips(lblTime_->width(), tx), toTwips(lblTime_->height(), ty));
    const QSize size = counterWindowTwips(kTimeLeft, kTimeTop, label, marginTwips);
    w->resize(toPixels(size.width(), tx), toPixels(size.height(), ty));
}

void frmCounter::Timer1_Timer() {
    if (!isLoaded()) {
        return;
    }
    if (Seconds > 1) {
        --Seconds;
        QWidget* w = loadedWidget();
        fitTo(*w, kTickMargin);
        // Windows raised since the last tick would otherwise cover the count.
        w->raise();
    } else {
        Unload();
    }
}

}  // namespace pictavo
