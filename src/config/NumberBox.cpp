#include "config/NumberBox.h"

#include <QKeyEvent>
#include <QRegularExpressionValidator>

namespace pictavo {

NumberBox::NumberBox(Rule rule, QWidget* parent) : QLineEdit(parent), rule_(rule) {
    setValidator(new QRegularExpressionValidator(
        QRegularExpression(rule == Rule::Percentage ? QStringLiteral(R"(\d{0,3})")
                                                    : QStringLiteral(R"(\d*)")),
        this));
}

bool NumberBox::accepts(Rule rule, const QString& before, const QString& after, QChar typed) {
    if (!typed.isDigit() || typed.unicode() > 0x7f) {
        return false;
    }
    if (rule == Rule::Digits) {
        return true;
    }
    return after.size() <= 2 || (before == QLatin1String("10") && typed == QLatin1Char('0'));
}

void NumberBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Backspace) {
        clear();
        return;
    }
    const QString typed = event->text();
    const bool printable = typed.size() == 1 && typed.at(0).isPrint() &&
                           (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) == 0;
    if (!printable) {
        // Movement, Tab, Enter, Escape, the clipboard keys: as in any text box.
        QLineEdit::keyPressEvent(event);
        return;
    }
    QString after = text();
    int at = cursorPosition();
    if (hasSelectedText()) {
        at = selectionStart();
        after.remove(at, selectedText().size());
    }
    after.insert(at, typed);
    if (accepts(rule_, text(), after, typed.at(0))) {
        QLineEdit::keyPressEvent(event);
    }
}

}  // namespace pictavo
