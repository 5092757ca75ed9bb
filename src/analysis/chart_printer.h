#pragma once

#include <QPrinterInfo>
#include <QString>
#include <functional>

class QImage;

namespace corvane {

namespace platform {
class Dialogs;
}

// PRINT's flow without the window: the chart's image goes to the default
// printer, or, when there is none, into a PDF file the user picks.
class ChartPrinter {
public:
    // lookup gives the default printer; a null printer means none.
    ChartPrinter(std::function<QPrinterInfo()> lookup, platform::Dialogs& dialogs);

    // Prints image at its size on screen, made smaller only where the page
    // is smaller. Nothing happens when the user cancels the file dialog;
    // a printer or file that cannot be written throws PathFileAccessError.
    void print(const QImage& image, const QString& documentName);

private:
    std::function<QPrinterInfo()> m_lookup;
    platform::Dialogs& m_dialogs;
};

} // namespace corvane
