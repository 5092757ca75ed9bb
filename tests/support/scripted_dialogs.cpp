#include "support/scripted_dialogs.h"

#include <gtest/gtest.h>

namespace corvane::testing {

using platform::MessageAnswer;
using platform::MessageButtons;

namespace {

bool matches(const ScriptedDialogs::ExpectedBox& expected, const platform::MessageBoxRequest& shown)
{
    return expected.text == shown.text && (!expected.title || *expected.title == shown.title)
        && (!expected.icon || *expected.icon == shown.icon)
        && (!expected.buttons || *expected.buttons == shown.buttons);
}

} // namespace

ScriptedDialogs& ScriptedDialogs::expectBox(ExpectedBox box)
{
    m_expectedBoxes.push_back({ std::move(box) });
    return *this;
}

ScriptedDialogs& ScriptedDialogs::expectBox(const QString& text, MessageAnswer answer)
{
    return expectBox(ExpectedBox { text, answer, {}, {}, {} });
}

ScriptedDialogs& ScriptedDialogs::expectSave(const QString& path, std::optional<QString> title)
{
    m_expectedSaves.push_back({ path, std::move(title) });
    return *this;
}

QStringList ScriptedDialogs::boxTexts() const
{
    QStringList texts;
    for (const ShownBox& shown : m_boxes)
        texts.append(shown.request.text);
    return texts;
}

void ScriptedDialogs::verifyAllUsed() const
{
    for (const PendingBox& pending : m_expectedBoxes) {
        if (!pending.used)
            ADD_FAILURE() << "expected message box not shown: \"" << pending.box.text.toStdString() << '"';
    }
    for (const PendingSave& pending : m_expectedSaves) {
        if (!pending.used)
            ADD_FAILURE() << "expected save dialog not shown (answer \"" << pending.path.toStdString()
                          << "\")";
    }
}

void ScriptedDialogs::clear()
{
    m_expectedBoxes.clear();
    m_expectedSaves.clear();
    m_boxes.clear();
    m_saves.clear();
}

MessageAnswer ScriptedDialogs::messageBox(const platform::MessageBoxRequest& request)
{
    for (PendingBox& pending : m_expectedBoxes) {
        if (!pending.used && matches(pending.box, request)) {
            pending.used = true;
            m_boxes.push_back({ request, pending.box.answer, true });
            return pending.box.answer;
        }
    }
    const MessageAnswer answer
        = request.buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
    m_boxes.push_back({ request, answer, false });
    ADD_FAILURE() << "unexpected message box: \"" << request.text.toStdString() << "\" (title \""
                  << request.title.toStdString() << "\")";
    return answer;
}

QString ScriptedDialogs::saveFile(const platform::SaveFileRequest& request)
{
    for (PendingSave& pending : m_expectedSaves) {
        if (pending.used)
            continue;
        if (pending.title && *pending.title != request.title)
            break;
        pending.used = true;
        m_saves.push_back({ request, pending.path, true });
        return pending.path;
    }
    m_saves.push_back({ request, QString(), false });
    ADD_FAILURE() << "unexpected save dialog: \"" << request.title.toStdString() << '"';
    return {};
}

} // namespace corvane::testing
