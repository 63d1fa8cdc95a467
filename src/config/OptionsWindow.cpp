#include "config/OptionsWindow.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "config/OptionsPages.h"
#include "controls/LightTab.h"
#include "controls/Twips.h"
#include "controls/VexelButton.h"
#include "controls/WindowChrome.h"

namespace pictavo {

namespace {

const QString kTabCaptions =
    QStringLiteral("General|Areas|Overlay Text|Countdown|Webcam|Language|Tab6|Tab7|Tab8|Tab9|");

// Twips: room kept for the chrome around the content, and the gap between the content's parts.
constexpr int kChromeTop = 330;
constexpr int kChromeSide = 135;
constexpr int kGap = 90;

QString indexed(const char* name, int index) {
    return QLatin1String(name) + QLatin1Char('_') + QString::number(index);
}

}  // namespace

OptionsWindow::OptionsWindow() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Pictavo Options"));
    const int tpp = twipsPerPixelY(this);

    chrome = new WindowChrome(this);

    auto* layout = new QVBoxLayout(this);
    const int side = toPixels(kChromeSide, tpp);
    layout->setContentsMargins(side, toPixels(kChromeTop, tpp), side, side);
    layout->setSpacing(toPixels(kGap, tpp));

    imgLogo = new QLabel(this);
    imgLogo->setObjectName(QStringLiteral("imgLogo"));
    layout->addWidget(imgLogo, 0, Qt::AlignLeft);

    Tab1 = new LightTab(this);
    Tab1->setObjectName(QStringLiteral("Tab1"));
    Tab1->setTabs(kPages);
    Tab1->setCaption(kTabCaptions);
    layout->addWidget(Tab1);

    pages = new QStackedWidget(this);
    pages->setObjectName(QStringLiteral("pages"));
    layout->addWidget(pages);
    general = page(0, new GeneralPage);
    auto* areas = page(1, new QWidget);
    (new QVBoxLayout(areas))->addWidget(new QLabel(QStringLiteral("Bad Tab"), areas));
    overlay = page(2, new OverlayPage);
    countdown = page(3, new CountdownPage);
    webcam = page(4, new WebcamPage);
    language = page(5, new LanguagePage);
}

OptionsWindow::~OptionsWindow() = default;

template <class Page>
Page* OptionsWindow::page(int index, Page* content) {
    auto* frame = new QWidget(pages);
    frame->setObjectName(indexed("Frame1", index));
    auto* box = new QVBoxLayout(frame);
    box->setContentsMargins(0, 0, 0, 0);
    box->addWidget(content);
    box->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    cmdSave[index] = optionsButton(frame, "cmdSave", QStringLiteral("&Save"));
    cmdSave[index]->setObjectName(indexed("cmdSave", index));
    cmdCancel[index] = optionsButton(frame, "cmdCancel", QStringLiteral("Cancel"));
    cmdCancel[index]->setObjectName(indexed("cmdCancel", index));
    buttons->addWidget(cmdSave[index]);
    buttons->addWidget(cmdCancel[index]);
    box->addLayout(buttons);
    Frame1[index] = frame;
    pages->addWidget(frame);
    return content;
}

void OptionsWindow::showPage(int index) {
    if (index < 0 || index >= kPages) {
        return;
    }
    pages->setCurrentIndex(index);
}

int OptionsWindow::shownPage() const {
    return pages->currentIndex();
}

void OptionsWindow::placeChrome() {
    // What the pages show never sizes the window: long texts are cut and large fonts reduced in
    // fixed areas, so the window keeps the size of its largest page, cut to its screen.
    QSize fitting = sizeHint();
    if (const QScreen* s = screen()) {
        fitting = fitting.boundedTo(s->availableGeometry().size());
    }
    setFixedSize(fitting);
    chrome->PlaceTitleBar();
    chrome->PlaceLeftBorder();
    chrome->PlaceRightBorder();
    chrome->PlaceBottomBorder();
}

void OptionsWindow::showEvent(QShowEvent* event) {
    // It may be shown on another screen than the one it was laid out for.
    placeChrome();
    QWidget::showEvent(event);
}

void OptionsWindow::keyPressEvent(QKeyEvent* event) {
    // Reached only when the control with the focus did not take the key itself.
    if (event->modifiers() & Qt::ControlModifier) {
        // Ctrl+Tab and Ctrl+Shift+Tab step through the pages, round the end.
        const int step = event->key() == Qt::Key_Tab ? 1 : event->key() == Qt::Key_Backtab ? -1 : 0;
        if (step != 0 && Tab1->tabs() > 0) {
            Tab1->setActiveTab((Tab1->activeTab() + step + Tab1->tabs()) % Tab1->tabs());
            return;
        }
    }
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            emit enterPressed();
            return;
        case Qt::Key_Escape:
            emit escapePressed();
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}

}  // namespace pictavo
