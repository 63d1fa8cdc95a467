#pragma once

#include <QString>
#include <stdexcept>

namespace pictavo {

// The one failure type of the plug-in. A host operation either completes or throws this; the
// host reports the message as a failed call and goes on. It derives from std::runtime_error so
// that a host which sees only the standard library's type information can still catch it.
class PictavoError : public std::runtime_error {
public:
    explicit PictavoError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromUtf8(what()); }
};

}  // namespace pictavo
