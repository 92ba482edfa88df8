// The on-screen preview of a print job: the pages at a chosen zoom, moving
// between pages, printing them (when a printer is installed) and saving
// them as a PDF file, which is how a machine without a printer gets paper.
#pragma once

#include <QDialog>

class QPrintPreviewWidget;
class QPrinter;

namespace mx::tk {

class PrintDocument;

class PreviewDialog : public QDialog {
    Q_OBJECT
public:
    PreviewDialog(const PrintDocument& doc, const QString& title, QWidget* parent = nullptr);
    ~PreviewDialog() override;
    void run();

private:
    void savePdf();
    void printPages();

    const PrintDocument& doc_;
    QPrinter* printer_;
    QPrintPreviewWidget* view_;
};

}  // namespace mx::tk
