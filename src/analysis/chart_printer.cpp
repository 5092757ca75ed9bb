#include "analysis/chart_printer.h"

#include "platform/dialogs/dialogs.h"
#include "platform/dialogs/mouse_pointer.h"
#include "platform/failure/failure_codes.h"

#include <QImage>
#include <QPainter>
#include <QPrinter>

namespace corvane {

namespace {

constexpr double ScreenDotsPerInch = 96.0;

constexpr const char* PrintDialogTitle = "Print Chart";
constexpr const char* PrintDialogFilter = "PDF Files (*.pdf)|*.pdf";
constexpr const char* PrintInitialName = "Chart.pdf";
constexpr const char* PrintDefaultExtension = "pdf";

} // namespace

ChartPrinter::ChartPrinter(std::function<QPrinterInfo()> lookup, platform::Dialogs& dialogs)
    : m_lookup(std::move(lookup))
    , m_dialogs(dialogs)
{
}

void ChartPrinter::print(const QImage& image, const QString& documentName)
{
    const QPrinterInfo printerInfo = m_lookup();
    QPrinter printer(QPrinter::HighResolution);
    QString target;
    if (!printerInfo.isNull()) {
        printer.setPrinterName(printerInfo.printerName());
        target = printerInfo.printerName();
    } else {
        target = m_dialogs.saveFile(
            { QString::fromLatin1(PrintDialogTitle), QString::fromLatin1(PrintDialogFilter),
                QString::fromLatin1(PrintInitialName), QString::fromLatin1(PrintDefaultExtension) });
        if (target.isEmpty())
            return;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(target);
    }
    printer.setDocName(documentName);

    platform::BusyPointer busy;
    QPainter painter;
    if (!painter.begin(&printer))
        throw platform::failure::PathFileAccessError.make(target);
    const QRect page = painter.viewport();
    const double scale = printer.resolution() / ScreenDotsPerInch;
    QSize size(qRound(image.width() * scale), qRound(image.height() * scale));
    if (size.width() > page.width() || size.height() > page.height())
        size.scale(page.size(), Qt::KeepAspectRatio);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(page.topLeft(), size), image);
    if (!painter.end())
        throw platform::failure::PathFileAccessError.make(target);
}

} // namespace corvane
