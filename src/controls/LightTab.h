#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

class QTabBar;

namespace pictavo {

// A tab strip: tab captions come from one string whose parts are separated by "|", of which
// the first `Tabs` are shown (at most 10). One tab is active; TabChanged reports its 0-based
// index every time a tab is clicked (the active one too) or the active tab is set, so a window
// can show its page from one handler.
class LightTab : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMaxTabs = 10;

    explicit LightTab(QWidget* parent = nullptr);

    void setCaption(const QString& caption);
    QString caption() const { return caption_; }
    // Clamped to 0..10.
    void setTabs(int count);
    int tabs() const;
    // Raises TabChanged for an index of a shown tab; any other index changes nothing.
    void setActiveTab(int index);
    int activeTab() const;

    // The captions of the shown tabs.
    QStringList tabCaptions() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void TabChanged(int index);

private:
    void rebuild();

    QString caption_;
    int count_ = 0;
    QTabBar* bar_;
};

}  // namespace pictavo
