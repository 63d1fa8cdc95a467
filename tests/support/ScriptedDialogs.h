#pragma once

#include <QList>
#include <QQueue>

#include "dialogs/Dialogs.h"

namespace pictavo::test {

// Answers dialogs from a queue and records every request. An unscripted message box answers
// OK (or No for a Yes/No question), so a test that forgot a script cannot hang.
class ScriptedDialogs final : public Dialogs {
public:
    int messageBox(const MessageBoxRequest& request) override {
        messages.append(request);
        if (!answers.isEmpty()) {
            return answers.dequeue();
        }
        return (request.buttons & 0xF) == MsgBox::YesNo ? MsgBox::ResultNo : MsgBox::ResultOk;
    }

    QQueue<int> answers;
    QList<MessageBoxRequest> messages;
};

}  // namespace pictavo::test
