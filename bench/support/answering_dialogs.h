#pragma once

#include "platform/dialogs/dialogs.h"

#include <QStringList>
#include <cstdio>

namespace corvane::bench {

// Answers every question Yes and every box OK at once, and every save dialog
// with a fixed path. Each box is printed, so a failure during a run shows.
class AnsweringDialogs final : public platform::Dialogs {
public:
    explicit AnsweringDialogs(QString savePath = {})
        : m_savePath(std::move(savePath))
    {
    }

    platform::MessageAnswer messageBox(const platform::MessageBoxRequest& request) override
    {
        std::fprintf(stderr, "box: %s\n", qPrintable(request.text));
        m_titles << request.title;
        return request.buttons == platform::MessageButtons::YesNo ? platform::MessageAnswer::Yes
                                                                  : platform::MessageAnswer::Ok;
    }
    QString saveFile(const platform::SaveFileRequest&) override { return m_savePath; }

    // The title of every box shown, e.g. to tell whether a failure was reported.
    const QStringList& titles() const { return m_titles; }

private:
    QString m_savePath;
    QStringList m_titles;
};

} // namespace corvane::bench
