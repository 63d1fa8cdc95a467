#include "capture/CaptureChooser.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPainter>
#include <QShortcut>
#include <QVBoxLayout>

#include "controls/Twips.h"
#include "controls/VexelButton.h"
#include "controls/WindowChrome.h"
#include "dialogs/WindowPlacement.h"
#include "settings/ResultHandoff.h"
#include "settings/Settings.h"

namespace pictavo {

namespace {

const QString kNothingChosen = QStringLiteral("#");
const QColor kInk(0x2d, 0x6c, 0xb4);

// Twips: room kept for the chrome around the content.
constexpr int kChromeTop = 330;
constexpr int kChromeSide = 165;
constexpr int kPicture = 24;  // pixels

// Our own pictures for the three kinds: a window, a screen, a dashed area with a crosshair.
QPixmap kindPicture(CaptureKind kind, qreal ratio) {
    QPixmap pixmap = VexelButton::blankPicture(QSize(kPicture, kPicture), ratio);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kInk, 2));
    switch (kind) {
        case CaptureKind::ActiveWindow:
            p.drawRect(QRectF(3, 5, 18, 14));
            p.fillRect(QRectF(3, 5, 18, 4), kInk);
            break;
        case CaptureKind::FullScreen:
            p.drawRect(QRectF(2, 4, 20, 13));
            p.drawLine(QPointF(12, 17), QPointF(12, 21));
            p.drawLine(QPointF(7, 21), QPointF(17, 21));
            break;
        case CaptureKind::Region:
            p.setPen(QPen(kInk, 1.5, Qt::DashLine));
            p.drawRect(QRectF(3, 3, 15, 12));
            p.setPen(QPen(kInk, 2));
            p.drawLine(QPointF(18, 12), QPointF(18, 22));
            p.drawLine(QPointF(13, 17), QPointF(23, 17));
            break;
    }
    return pixmap;
}

}  // namespace

CaptureChooser::CaptureChooser(std::function<Dialogs&()> dialogs,
                               std::function<Settings&()> settings, std::function<QIcon()> icon,
                               QString heading, QString logName)
    : FormObject(std::move(dialogs), icon),
      settings_(std::move(settings)),
      icon_(std::move(icon)),
      heading_(std::move(heading)),
      logName_(std::move(logName)) {}

std::unique_ptr<QWidget> CaptureChooser::Form_Load() {
    Settings& s = settings();
    if (!logName_.isEmpty()) {
        s.WriteLog(logName_ + QStringLiteral(" - Form_Load - START"));
    }
    writeNothingChosen();

    auto w = std::make_unique<QWidget>(nullptr, Qt::Window | Qt::FramelessWindowHint);
    w->setObjectName(heading_ == QLatin1String("Send") ? QStringLiteral("frmSend")
                                                       : QStringLiteral("frmSave"));
    w->setWindowTitle(QStringLiteral("Pictavo 3"));
    if (icon_) {
        w->setWindowIcon(icon_());
    }
    auto* chrome = new WindowChrome(w.get());
    const int tpp = twipsPerPixelY(w.get());
    auto* layout = new QVBoxLayout(w.get());
    const int side = toPixels(kChromeSide, tpp);
    layout->setContentsMargins(side, toPixels(kChromeTop, tpp), side, side);

    auto* heading = new QLabel(heading_, w.get());
    heading->setObjectName(QStringLiteral("Label1"));
    QFont large = heading->font();
    large.setBold(true);
    large.setPointSizeF(large.pointSizeF() * 1.6);
    heading->setFont(large);
    layout->addWidget(heading);

    const qreal ratio = w->devicePixelRatioF();
    const auto add = [&](const char* name, const QString& caption,
                         std::optional<CaptureKind> kind) {
        auto* b = new VexelButton(w.get());
        b->setObjectName(QLatin1String(name));
        b->setCaption(caption);
        if (kind) {
            b->setPicture(kindPicture(*kind, ratio));
        }
        b->setBackColour(QColor(0xff, 0xff, 0xff));
        b->setHoverColour(QColor(0xe4, 0xf2, 0xc0));
        b->setPressedColour(kChromeColour);
        b->setMinimumSize(b->sizeHint().expandedTo(QSize(0, toPixels(kPicture * 15 + 120, tpp))));
        layout->addWidget(b);
        return b;
    };
    VexelButton* active =
        add("cmdActive", QStringLiteral("&Active Window"), CaptureKind::ActiveWindow);
    VexelButton* full = add("cmdFull", QStringLiteral("&Full Screen"), CaptureKind::FullScreen);
    VexelButton* selected =
        add("cmdSelected", QStringLiteral(" &Selected Area"), CaptureKind::Region);
    layout->addSpacing(toPixels(90, tpp));
    VexelButton* cancel = add("cmdCancel", QStringLiteral("Ca&ncel"), std::nullopt);

    on(active, &VexelButton::Click, [this] { cmdActive_Click(); });
    on(full, &VexelButton::Click, [this] { cmdFull_Click(); });
    on(selected, &VexelButton::Click, [this] { cmdSelected_Click(); });
    on(cancel, &VexelButton::Click, [this] { cmdCancel_Click(); });
    on(chrome, &WindowChrome::closeClicked, [this] { cmdX_Click(); });
    on(new QShortcut(QKeySequence(Qt::Key_Escape), w.get()), &QShortcut::activated,
       [this] { cmdCancel_Click(); });

    // Sized to the content, centred on the screen the user is looking at, with the focus on the
    // first choice.
    w->setFixedSize(w->sizeHint().expandedTo(QSize(toPixels(3600, tpp), 0)));
    chrome->PlaceTitleBar();
    chrome->PlaceLeftBorder();
    chrome->PlaceRightBorder();
    chrome->PlaceBottomBorder();
    centreOnPointerMonitor(*w);
    active->setFocus();

    if (!logName_.isEmpty()) {
        s.WriteLog(logName_ + QStringLiteral(" - Form_Load - END"));
    }
    return w;
}

VexelButton* CaptureChooser::button(const char* name) {
    return widget()->findChild<VexelButton*>(QLatin1String(name));
}

QLabel* CaptureChooser::Label1() {
    return widget()->findChild<QLabel*>(QStringLiteral("Label1"));
}

void CaptureChooser::writeNothingChosen() {
    ResultHandoff::write(settings(), kNothingChosen);
}

void CaptureChooser::kindClicked(CaptureKind kind) {
    // Off the screen before anything is captured.
    widget()->hide();
    QCoreApplication::processEvents();
    if (action_) {
        action_(kind);
    }
    Unload();
}

void CaptureChooser::cmdCancel_Click() {
    writeNothingChosen();
    Unload();
}

}  // namespace pictavo
