#include "platform/printer.h"

#include <QFile>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace platform {
namespace {
QString pdfPath;
}

// Lines are kept until the end of the document and only then painted on the printer: a print
// job, once its painter has begun, goes out when the painter ends, and a document that fails
// half way must not go out at all.

Printer& Printer::instance() {
    static Printer* printer = new Printer; // lives to the end of the process, past the application
    return *printer;
}

Printer::Printer() = default;
Printer::~Printer() = default;

void Printer::setOutputPdf(const QString& path) {
    pdfPath = path;
    Printer& p = instance();
    if (!p.painter_)
        p.printer_.reset(); // the next document picks the new target
}

bool Printer::preparePrinter() {
    if (printer_ && printer_->outputFileName() == pdfPath)
        return true;
    printer_.reset();
    if (pdfPath.isEmpty()) {
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull()) {
            error_ = QStringLiteral("No printer is installed.");
            return false;
        }
        printer_ = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    } else {
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer_->setOutputFormat(QPrinter::PdfFormat);
        printer_->setOutputFileName(pdfPath);
    }
    if (!printer_->isValid()) {
        printer_.reset();
        error_ = QStringLiteral("The printer is not available.");
        return false;
    }
    return true;
}

bool Printer::printLine(const QString& line) {
    if (!started_) {
        error_.clear();
        if (!preparePrinter())
            return false;
        started_ = true;
        lines_.clear();
    }
    lines_.append(line);
    return true;
}

bool Printer::begin() {
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(printer_.get())) {
        painter_.reset();
        error_ = printer_->outputFormat() == QPrinter::PdfFormat
                     ? QStringLiteral("The file %1 could not be written.").arg(printer_->outputFileName())
                     : QStringLiteral("The printer could not start the document.");
        return false;
    }
    painter_->setFont(QGuiApplication::font());
    y_ = 0;
    return true;
}

bool Printer::finish() {
    const bool ended = painter_->end();
    painter_.reset();
    if (!ended || printer_->printerState() == QPrinter::Error) {
        if (error_.isEmpty())
            error_ = QStringLiteral("The printer reported an error.");
        return false;
    }
    return true;
}

bool Printer::endDoc() {
    if (!started_)
        return true;
    const QStringList lines = std::move(lines_);
    lines_.clear();
    started_ = false;
    if (!preparePrinter() || !begin())
        return false;

    const QFontMetricsF fm(painter_->font(), printer_.get());
    const double pageHeight = printer_->pageLayout().paintRectPixels(printer_->resolution()).height();
    for (const QString& line : lines) {
        if (y_ > 0 && y_ + fm.height() > pageHeight) {
            if (!printer_->newPage()) {
                error_ = QStringLiteral("The printer could not start a new page.");
                dropStarted();
                return false;
            }
            y_ = 0;
        }
        if (!line.isEmpty())
            painter_->drawText(QPointF(0, y_ + fm.ascent()), line);
        y_ += fm.lineSpacing();
    }
    return finish();
}

bool Printer::printImage(const QImage& image) {
    error_.clear();
    if (image.isNull()) {
        error_ = QStringLiteral("There is no picture to print.");
        return false;
    }
    if (!preparePrinter() || !begin())
        return false;
    // The picture at its size on the screen, made smaller only when the page is smaller.
    const QRectF page = printer_->pageLayout().paintRectPixels(printer_->resolution());
    const double dpi = image.dotsPerMeterX() > 0 ? image.dotsPerMeterX() * 0.0254 : 96.0;
    QSizeF size = QSizeF(image.size()) * (printer_->resolution() / dpi);
    if (size.width() > page.width() || size.height() > page.height())
        size.scale(page.size(), Qt::KeepAspectRatio);
    painter_->drawImage(QRectF(QPointF(0, 0), size), image);
    return finish();
}

void Printer::dropStarted() {
    // Only reached with a painter that began: ask the job to be dropped, and remove what was
    // written to a file.
    printer_->abort();
    painter_->end();
    painter_.reset();
    if (printer_->outputFormat() == QPrinter::PdfFormat && !printer_->outputFileName().isEmpty())
        QFile::remove(printer_->outputFileName());
}

void Printer::abortDoc() {
    lines_.clear();
    started_ = false;
    if (painter_)
        dropStarted();
}

} // namespace platform
