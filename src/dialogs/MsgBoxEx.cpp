#include "dialogs/MsgBoxEx.h"

#include <cmath>

namespace pictavo {

int MsgBoxEx(Dialogs& dialogs, const QString& prompt, int buttons, const QString& title, int x,
             int y, const QIcon& icon, QWidget* owner) {
    MessageBoxRequest request;
    request.prompt = prompt;
    request.buttons = icon.isNull() ? buttons : buttons + MsgBox::InformationIcon;
    request.title = title == QLatin1String("SWVB_DEFAULT_TO_APP_TITLE") ? kMessageCaption : title;
    request.x = x;
    request.y = y;
    request.icon = icon;
    request.owner = owner;
    return dialogs.messageBox(request);
}

QRect messageBoxArea(const QRect& ownerFrame, const QList<QRect>& screens, QPoint pointer) {
    if (!ownerFrame.isEmpty()) {
        return ownerFrame;
    }
    for (const QRect& screen : screens) {
        if (screen.contains(pointer)) {
            return screen;
        }
    }
    return screens.isEmpty() ? QRect() : screens.first();
}

QPoint messageBoxPosition(const QSize& boxSize, const QRect& ownerRect, int x, int y) {
    // Round-half-to-even, as the arithmetic this placement comes from does.
    const auto half = [](int v) { return static_cast<int>(std::nearbyint(v / 2.0)); };
    const int centreX = ownerRect.x() + half(ownerRect.width());
    const int centreY = ownerRect.y() + half(ownerRect.height());
    return {x != -1 ? x : centreX - half(boxSize.width()),
            y != -1 ? y : centreY - half(boxSize.height())};
}

}  // namespace pictavo
