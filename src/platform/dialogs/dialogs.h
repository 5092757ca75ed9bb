#pragma once

#include <QString>

namespace corvane::platform {

enum class MessageIcon { None, Critical, Question, Exclamation, Information };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

struct MessageBoxRequest {
    QString text;
    QString title; // empty: the box carries the application's name
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
};

struct SaveFileRequest {
    QString title;
    QString filter; // "Label|pattern|Label|pattern", e.g. "All Files (*.*)|*.*"
    QString initialName;
    QString defaultExtension; // without the dot, added to a name typed without one
};

// Every modal box the program shows goes through here, so tests can script
// the answers and check what the user would have seen.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // Modal: returns once the user has closed the box. Ok for an OK box;
    // Yes or No for a Yes/No box (closing it otherwise counts as No).
    virtual MessageAnswer messageBox(const MessageBoxRequest& request) = 0;
    // The full path chosen, or empty when the user cancelled.
    virtual QString saveFile(const SaveFileRequest& request) = 0;

    void showMessage(const QString& text, const QString& title, MessageIcon icon = MessageIcon::None)
    {
        messageBox({ text, title, icon, MessageButtons::Ok });
    }
    bool askYesNo(const QString& text, const QString& title, MessageIcon icon = MessageIcon::None)
    {
        return messageBox({ text, title, icon, MessageButtons::YesNo }) == MessageAnswer::Yes;
    }
};

} // namespace corvane::platform
