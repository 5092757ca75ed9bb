#pragma once

#include "platform/dialogs/dialogs.h"

#include <cstdio>

namespace corvane::platform {

// Dialogs for a program without a desktop: each box's text goes to a stream
// as one line, and the box is answered at once, OK or Yes. Nobody picks a
// file, so a save dialog is cancelled.
class ConsoleDialogs final : public Dialogs {
public:
    explicit ConsoleDialogs(std::FILE* stream = stderr, QString prefix = {})
        : m_stream(stream)
        , m_prefix(std::move(prefix))
    {
    }

    MessageAnswer messageBox(const MessageBoxRequest& request) override;
    QString saveFile(const SaveFileRequest& request) override;

private:
    std::FILE* m_stream;
    QString m_prefix;
};

} // namespace corvane::platform
