#pragma once

#include <QString>
#include <algorithm>
#include <functional>

namespace pictavo {

// Builds the per-user registry paths from the account's e-mail address as it is at the moment
// of the call (the address is a field of the preview window's form object; it is set by
// Initialize).
class UserKey {
public:
    static inline const QString kVendorKey = QStringLiteral("HKEY_CURRENT_USER\\SOFTWARE\\Quorrel");
    static inline const QString kProductKey =
        QStringLiteral("HKEY_CURRENT_USER\\SOFTWARE\\Quorrel\\Pictavo");
    // The sub-key name that stands for the user key itself.
    static inline const QString kItself;

    explicit UserKey(std::function<QString()> email) : email_(std::move(email)) {}

    QString email() const { return email_(); }
    // Why the address cannot name a user key, as the user is told; empty when it can. Without
    // an address the path would end in "\\", which is no key at all; a "\\" inside it would
    // lead into another key (another account's "Options"), and a control character would
    // break the log's and the tool's lines.
    QString accountProblem() const {
        const QString address = email_();
        if (address.isEmpty()) {
            return QStringLiteral("No signed-in account: the e-mail address is empty.");
        }
        QString reason;
        if (address.contains(QLatin1Char('\\'))) {
            reason = QStringLiteral("it holds a backslash");
        } else if (std::any_of(address.begin(), address.end(),
                               [](QChar c) { return c.category() == QChar::Other_Control; })) {
            reason = QStringLiteral("it holds a control character");
        } else {
            return {};
        }
        return QStringLiteral("The e-mail address \"%1\" cannot name a settings key: %2.")
            .arg(address, reason);
    }
    // Nothing is read or written for the user without one.
    bool hasAccount() const { return accountProblem().isEmpty(); }
    // "HKEY_CURRENT_USER\SOFTWARE\Quorrel\Pictavo\" + e-mail address
    QString path() const { return kProductKey + QLatin1Char('\\') + email_(); }
    // The user key followed by "\" and `subKey` ("Options", "DrawTools", ...); the user key
    // itself for an empty `subKey`.
    QString path(const QString& subKey) const {
        return subKey.isEmpty() ? path() : path() + QLatin1Char('\\') + subKey;
    }

private:
    std::function<QString()> email_;
};

}  // namespace pictavo
