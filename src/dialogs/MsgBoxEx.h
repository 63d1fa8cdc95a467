#pragma once

#include <QIcon>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>

#include "dialogs/Dialogs.h"

namespace pictavo {

inline const QString kMessageCaption = QStringLiteral("Pictavo 3");

// Shows a modal message box centred over `owner` (over the screen without one), or with its
// top-left corner at (x, y) on the axes that are not -1, showing `icon` in place of the
// standard picture when one is given. Returns MsgBox::ResultOk, ResultYes or ResultNo.
int MsgBoxEx(Dialogs& dialogs, const QString& prompt, int buttons, const QString& title, int x = -1,
             int y = -1, const QIcon& icon = {}, QWidget* owner = nullptr);

// What a box is centred over: the owner window's frame when there is one (not empty), else
// the screen under the pointer, else the first of `screens` (the primary screen); empty
// without any screen.
QRect messageBoxArea(const QRect& ownerFrame, const QList<QRect>& screens, QPoint pointer);

// Top-left corner for a box of `boxSize` centred over `ownerRect`, with the requested
// coordinates taking precedence on the axes where they are not -1. Halves round to nearest.
QPoint messageBoxPosition(const QSize& boxSize, const QRect& ownerRect, int x, int y);

}  // namespace pictavo
