#include "controls/LightTab.h"

#include <QSignalBlocker>
#include <QTabBar>
#include <QVBoxLayout>
#include <algorithm>

namespace pictavo {

LightTab::LightTab(QWidget* parent) : QWidget(parent), bar_(new QTabBar(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(bar_);
    bar_->setDrawBase(true);
    bar_->setExpanding(false);
    setFocusProxy(bar_);
    // A click on the tab that is already active changes nothing in the bar but is still a
    // choice of that tab; a click on another one reports through currentChanged below.
    connect(bar_, &QTabBar::tabBarClicked, this, [this](int index) {
        if (index >= 0 && index == bar_->currentIndex()) {
            emit TabChanged(index);
        }
    });
    // Clicks and the arrow keys both land here (the window adds Ctrl+Tab).
    connect(bar_, &QTabBar::currentChanged, this, [this](int index) {
        if (index >= 0) {
            emit TabChanged(index);
        }
    });
}

void LightTab::setCaption(const QString& caption) {
    caption_ = caption;
    rebuild();
}

void LightTab::setTabs(int count) {
    count_ = std::clamp(count, 0, kMaxTabs);
    rebuild();
}

int LightTab::tabs() const {
    return bar_->count();
}

void LightTab::setActiveTab(int index) {
    if (index < 0 || index >= bar_->count()) {
        return;
    }
    if (index == bar_->currentIndex()) {
        emit TabChanged(index);
    } else {
        bar_->setCurrentIndex(index);
    }
}

int LightTab::activeTab() const {
    return bar_->currentIndex();
}

QStringList LightTab::tabCaptions() const {
    QStringList captions;
    for (int i = 0; i < bar_->count(); ++i) {
        captions << bar_->tabText(i);
    }
    return captions;
}

QSize LightTab::sizeHint() const {
    return bar_->sizeHint();
}

QSize LightTab::minimumSizeHint() const {
    return bar_->minimumSizeHint();
}

void LightTab::rebuild() {
    // Building the strip is not a choice of the user's: no TabChanged until a tab is set.
    const QSignalBlocker block(bar_);
    const int active = bar_->currentIndex();
    while (bar_->count() > 0) {
        bar_->removeTab(0);
    }
    const QStringList parts = caption_.split(QLatin1Char('|'));
    for (int i = 0; i < count_; ++i) {
        bar_->addTab(i < parts.size() ? parts[i] : QString());
    }
    bar_->setCurrentIndex(std::min(std::max(active, 0), bar_->count() - 1));
    updateGeometry();
}

}  // namespace pictavo
