#pragma once

#include <QList>
#include <QQueue>
#include <QStringList>
#include <functional>

#include "dialogs/Dialogs.h"

namespace pictavo::test {

// Answers dialogs from queues and records every request. An unscripted message box answers
// OK (or No for a Yes/No question) and an unscripted chooser or save dialog is cancelled, so a
// test that forgot a script cannot hang.
class ScriptedDialogs final : public Dialogs {
public:
    int messageBox(const MessageBoxRequest& request) override {
        messages.append(request);
        if (onMessage) {
            onMessage(request);
        }
        if (!answers.isEmpty()) {
            return answers.dequeue();
        }
        return (request.buttons & 0xF) == MsgBox::YesNo ? MsgBox::ResultNo : MsgBox::ResultOk;
    }

    std::optional<QColor> chooseColour(const QString& title, const QColor& /*initial*/) override {
        choosers << title;
        return colours.isEmpty() ? std::nullopt : colours.dequeue();
    }
    std::optional<QFont> chooseFont(const QString& title, const QFont& initial) override {
        choosers << title;
        fontsAsked << initial;
        return fonts.isEmpty() ? std::nullopt : fonts.dequeue();
    }
    QString browseForFolder(const QString& title, const QString& /*start*/) override {
        choosers << title;
        return folders.isEmpty() ? QString() : folders.dequeue();
    }
    SaveDialogAnswer saveFileName(const SaveDialogRequest& request) override {
        saveRequests.append(request);
        return saveAnswers.isEmpty() ? SaveDialogAnswer{} : saveAnswers.dequeue();
    }

    // The texts of the message boxes shown, in order.
    QStringList prompts() const {
        QStringList texts;
        for (const MessageBoxRequest& m : messages) {
            texts << m.prompt;
        }
        return texts;
    }

    QQueue<int> answers;
    // Runs while the box is up, as whatever the user does meanwhile.
    std::function<void(const MessageBoxRequest&)> onMessage;
    QList<MessageBoxRequest> messages;
    QQueue<std::optional<QColor>> colours;
    QQueue<std::optional<QFont>> fonts;
    // The fonts the font chooser was preset with, in order.
    QList<QFont> fontsAsked;
    QQueue<QString> folders;
    // The titles of the choosers in the order they were shown.
    QStringList choosers;
    QQueue<SaveDialogAnswer> saveAnswers;
    QList<SaveDialogRequest> saveRequests;
};

}  // namespace pictavo::test
