// The printer object: one text line per call, end of document, and a window's image.
// Tests (and machines without a printer) point it at a PDF file.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <memory>

class QPrinter;
class QPainter;

namespace platform {

class Printer {
public:
    static Printer& instance();

    // Each call prints one line and moves to the next; a full page continues on a new one.
    // Returns false with errorString() when there is no printer or it fails. The lines go to
    // the printer at endDoc(), so an aborted document leaves nothing printed.
    bool printLine(const QString& line);
    // Ends the document and releases the job.
    bool endDoc();
    // Prints an image as one document.
    bool printImage(const QImage& image);
    // Drops a document that was started but not ended.
    void abortDoc();
    bool inDocument() const { return started_ || painter_ != nullptr; }
    QString errorString() const { return error_; }

    // Empty: the system's default printer.
    static void setOutputPdf(const QString& path);

private:
    Printer();
    ~Printer();
    bool begin();
    bool preparePrinter();
    bool finish();
    void dropStarted();

    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<QPainter> painter_;
    double y_ = 0;
    QString error_;
    bool started_ = false;
    QStringList lines_; // the document's lines, painted at its end
};

} // namespace platform
