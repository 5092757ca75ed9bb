#pragma once

#include "platform/dialogs/dialogs.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace corvane::testing {

// A Dialogs for tests: answers the boxes and save dialogs it was told to
// expect and records everything shown. A box or dialog nobody expected
// fails the running test and is answered Ok, No or with an empty path.
class ScriptedDialogs final : public platform::Dialogs {
public:
    struct ExpectedBox {
        QString text; // matched exactly
        platform::MessageAnswer answer = platform::MessageAnswer::Ok;
        std::optional<QString> title;
        std::optional<platform::MessageIcon> icon;
        std::optional<platform::MessageButtons> buttons;
    };
    struct ShownBox {
        platform::MessageBoxRequest request;
        platform::MessageAnswer answer;
        bool expected;
    };
    struct ShownSave {
        platform::SaveFileRequest request;
        QString path;
        bool expected;
    };

    // Each expectation answers one box: the first unused one that matches.
    ScriptedDialogs& expectBox(ExpectedBox box);
    ScriptedDialogs& expectBox(
        const QString& text, platform::MessageAnswer answer = platform::MessageAnswer::Ok);
    // Save dialogs are answered in the order expected; an empty path cancels.
    ScriptedDialogs& expectSave(const QString& path, std::optional<QString> title = {});

    const std::vector<ShownBox>& boxes() const { return m_boxes; }
    QStringList boxTexts() const;
    const std::vector<ShownSave>& saves() const { return m_saves; }

    // Fails the running test for every expectation no box or dialog used.
    void verifyAllUsed() const;
    // Forgets expectations and records.
    void clear();

    platform::MessageAnswer messageBox(const platform::MessageBoxRequest& request) override;
    QString saveFile(const platform::SaveFileRequest& request) override;

private:
    struct PendingBox {
        ExpectedBox box;
        bool used = false;
    };
    struct PendingSave {
        QString path;
        std::optional<QString> title;
        bool used = false;
    };

    std::vector<PendingBox> m_expectedBoxes;
    std::vector<PendingSave> m_expectedSaves;
    std::vector<ShownBox> m_boxes;
    std::vector<ShownSave> m_saves;
};

} // namespace corvane::testing
