// Print jobs and their delivery (see the header).
#include "PrintJob.h"

#include <QDir>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include "PreviewDialog.h"
#include "TextCodec.h"
#include "Transcript.h"
#include "Ui.h"

namespace mx::tk {

bool PrintJob::printersInstalled() { return !QPrinterInfo::availablePrinters().isEmpty(); }

PrintJob::PrintJob(PrintOptions options) : options_(std::move(options)) {
    Ui& ui = Ui::instance();
    if (!ui.printDir().isEmpty() || ui.scripted()) return;  // goes to a file
    if (!options_.preview && !printersInstalled()) {
        // The pages go to the preview, where they can be saved as a PDF.
        ui.noPrinterNotice();
        options_.preview = true;
        return;
    }
    if (options_.askPrinter && printersInstalled()) {
        QPrinter printer(QPrinter::HighResolution);
        if (!options_.printer.isEmpty()) printer.setPrinterName(options_.printer);
        QPrintDialog ask(&printer);
        if (ask.exec() != QDialog::Accepted) {
            ok_ = false;
            return;
        }
        options_.printer = printer.printerName();
    }
}

void PrintJob::setLandscape(bool landscape) {
    doc_.setOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
}

void PrintJob::setPaperSize(QPageSize::PageSizeId id) { doc_.setPageSize(QPageSize(id)); }

void PrintJob::startPage() { doc_.newPage(); }

void PrintJob::text(double row, double col, const QString& text, const QFont& font) { doc_.text(row, col, text, font); }

void PrintJob::textCm(double rowCm, double colCm, const QString& text, const QFont& font) {
    doc_.text(cmToPixels(rowCm), cmToPixels(colCm), text, font);
}

void PrintJob::line(double top, double left, double bottom, double right, double penWidth) {
    doc_.line(top, left, bottom, right, penWidth);
}

void PrintJob::lineCm(double top, double left, double bottom, double right, double penWidth) {
    doc_.line(cmToPixels(top), cmToPixels(left), cmToPixels(bottom), cmToPixels(right), penWidth);
}

void PrintJob::image(double row, double col, double height, double width, const QString& file) {
    QImage img(file);
    if (img.isNull()) return;
    doc_.image(QRectF(col, row, width, height), img);
}

bool PrintJob::end() {
    if (ended_ || !ok_) return false;
    ended_ = true;
    Ui& ui = Ui::instance();
    Transcript* t = ui.transcript();
    QString dir = ui.printDir();
    // A scripted run never opens the preview: without a print folder its
    // pages go to "print" under the working (data) directory.
    if (dir.isEmpty() && ui.scripted()) dir = QDir::current().filePath(QStringLiteral("print"));
    if (!dir.isEmpty()) {
        QDir().mkpath(dir);
        QString name = QString::fromStdString(ui.printFiles().next(toUtf8(options_.document)));
        QString path = QDir(dir).filePath(name);
        QString why;
        if (!doc_.writePdf(path, options_.document, &why)) {
            // Nothing was printed: a scripted run ends as failed.
            ui.failure(QStringLiteral("Unable to write the print file %1: %2").arg(path, why));
            return false;
        }
        written_ = path;
        if (t) t->print(options_.document, options_.preview, name, doc_.pageCount());
        return true;
    }
    if (options_.preview) {
        PreviewDialog preview(doc_, options_.document);
        if (t) t->print(options_.document, true, QString(), doc_.pageCount());
        preview.run();
        return true;
    }
    QPrinter printer(QPrinter::HighResolution);
    if (!options_.printer.isEmpty()) printer.setPrinterName(options_.printer);
    printer.setDocName(options_.document);
    doc_.print(printer);
    if (t) t->print(options_.document, false, QString(), doc_.pageCount());
    return true;
}

}  // namespace mx::tk
