#pragma once

// Readable gtest failure messages for Qt value types, as QDebug writes them. Included into every
// test translation unit by the build.

#include <QByteArray>
#include <QDebug>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <concepts>
#include <ostream>

template <typename T>
requires std::same_as<T, QString> || std::same_as<T, QByteArray> || std::same_as<T, QStringList> ||
    std::same_as<T, QPoint> || std::same_as<T, QSize> || std::same_as<T, QRect>
void PrintTo(const T& value, std::ostream* os) {
    QString text;
    QDebug(&text).nospace() << value;
    *os << text.toStdString();
}
