#pragma once

#include <QFont>
#include <QString>
#include <QtGlobal>

namespace pictavo {

class Settings;

// The drawing palette's values under "DrawTools": the tool button, the colour, the pen width,
// and the text tool's text and font. The palette stores the tool when it is chosen; the rest
// is stored once the preview has closed.
class DrawToolsSettings {
public:
    explicit DrawToolsSettings(Settings& settings) : settings_(settings) {}

    // The stored tool button when it is one of the `buttons` buttons, else the first (0).
    int toolButton(int buttons) const;
    qint32 colour() const;
    // The pen width; 1 when the stored one is below 1 or no number.
    qint16 len() const;
    QString text() const;
    QFont font() const;

    void setToolButton(int button);
    void store(qint32 colour, qint16 len, const QString& text, const QFont& font);

private:
    QString value(const char* name) const;
    void setValue(const char* name, const QString& text);

    Settings& settings_;
};

}  // namespace pictavo
