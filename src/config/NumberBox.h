#pragma once

#include <QLineEdit>

namespace pictavo {

// A text box for a whole number: keys other than digits are swallowed and Backspace empties the
// whole box; pasted text must be digits too. A box for a percentage takes at most two digits,
// and a third only when it makes "10" into "100".
class NumberBox : public QLineEdit {
    Q_OBJECT
public:
    enum class Rule { Digits, Percentage };

    explicit NumberBox(Rule rule, QWidget* parent = nullptr);

    // Whether typing `typed` may turn `before` into `after`.
    static bool accepts(Rule rule, const QString& before, const QString& after, QChar typed);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    Rule rule_;
};

}  // namespace pictavo
