#pragma once

#include <QString>
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

    explicit UserKey(std::function<QString()> email) : email_(std::move(email)) {}

    // What the user is told when there is no signed-in account.
    static inline const QString kNoAccountMessage =
        QStringLiteral("No signed-in account: the e-mail address is empty.");

    QString email() const { return email_(); }
    // Without an address there is no user key: its path would name the product key with a
    // trailing "\", which is no key at all. Nothing is then read or written for the user.
    bool hasAccount() const { return !email_().isEmpty(); }
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
