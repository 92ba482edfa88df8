// A print job as the screens use it: a document name, whether to ask for the
// printer, whether it goes to the on-screen preview; pages with text at a
// row and column (device pixels, or centimetres), lines of a pen width and
// images; the page's size and resolution. Ending the job delivers it:
//   - a print folder is set (--print-dir), or the run is scripted (folder
//     "print" in the working directory unless one is set): a PDF file
//     NNN-NAME.pdf there, whatever the job was meant for;
//   - preview: the preview window, which can print or save the pages as PDF;
//   - printer: the printer; with none installed the preview instead, the
//     first such job of the session saying so (Ui::noPrinterNotice).
// Every delivery is written to the transcript (`print ...`).
//
// Coordinates are the job's device pixels: PrintDocument::kDpi per inch,
// origin at the paper's top left corner (no margins), text placed by the top
// of its line.
#pragma once

#include <QFont>
#include <QPageLayout>
#include <QPageSize>
#include <QString>

#include "PrintDocument.h"

namespace mx::tk {

struct PrintOptions {
    QString document{};      // the job's name (window title, PDF file name)
    bool askPrinter = false;  // let the user choose the printer first
    bool preview = false;     // to the on-screen preview instead of the printer
    QString printer{};        // a printer by name; empty = the default one
};

class PrintJob {
public:
    explicit PrintJob(PrintOptions options);

    // False when the job cannot print (the choice of printer was cancelled).
    bool ok() const { return ok_; }
    const PrintOptions& options() const { return options_; }

    // Before the first page.
    void setLandscape(bool landscape);
    void setPaperSize(QPageSize::PageSizeId id);

    void startPage();
    void endPage() {}
    int pages() const { return doc_.pageCount(); }

    void text(double row, double col, const QString& text, const QFont& font);
    void textCm(double rowCm, double colCm, const QString& text, const QFont& font);
    void line(double top, double left, double bottom, double right, double penWidth);
    void lineCm(double top, double left, double bottom, double right, double penWidth);
    // An image file in the box (height, width 0: its natural size at 96 dpi).
    void image(double row, double col, double height, double width, const QString& file);

    int resolution() const { return PrintDocument::kDpi; }
    int pageWidth() const { return doc_.pixels().width(); }
    int pageHeight() const { return doc_.pixels().height(); }
    double cmToPixels(double cm) const { return cm * PrintDocument::kDpi / 2.54; }

    // Delivers the pages (see above); false when nothing was delivered.
    bool end();
    // The file written into the print folder, if any.
    const QString& writtenFile() const { return written_; }
    PrintDocument& document() { return doc_; }

    static bool printersInstalled();

private:
    PrintOptions options_;
    PrintDocument doc_;
    bool ok_ = true;
    bool ended_ = false;
    QString written_;
};

}  // namespace mx::tk
