// The print preview window (see the header).
#include "PreviewDialog.h"

#include <QFileDialog>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPrinterInfo>
#include <QToolBar>
#include <QVBoxLayout>

#include "PrintDocument.h"
#include "Ui.h"

namespace mx::tk {

PreviewDialog::PreviewDialog(const PrintDocument& doc, const QString& title, QWidget* parent)
    : QDialog(parent), doc_(doc), printer_(new QPrinter(QPrinter::HighResolution)) {
    setWindowTitle(QStringLiteral("Preview - ") + title);
    printer_->setFullPage(true);
    printer_->setPageLayout(doc.layout());
    printer_->setDocName(title);
    view_ = new QPrintPreviewWidget(printer_, this);
    connect(view_, &QPrintPreviewWidget::paintRequested, this, [this](QPrinter* p) { doc_.print(*p); });

    auto* bar = new QToolBar(this);
    bar->addAction(QStringLiteral("&Previous"), view_, [this] { view_->setCurrentPage(view_->currentPage() - 1); });
    bar->addAction(QStringLiteral("&Next"), view_, [this] { view_->setCurrentPage(view_->currentPage() + 1); });
    bar->addSeparator();
    bar->addAction(QStringLiteral("Zoom &In"), view_, [this] { view_->zoomIn(); });
    bar->addAction(QStringLiteral("Zoom &Out"), view_, [this] { view_->zoomOut(); });
    bar->addAction(QStringLiteral("&Whole Page"), view_, [this] { view_->fitInView(); });
    bar->addAction(QStringLiteral("Page &Width"), view_, [this] { view_->fitToWidth(); });
    bar->addSeparator();
    bar->addAction(QStringLiteral("&Save as PDF..."), this, [this] { savePdf(); });
    bar->addAction(QStringLiteral("P&rint..."), this, [this] { printPages(); });
    bar->addSeparator();
    bar->addAction(QStringLiteral("&Close"), this, [this] { accept(); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(bar);
    layout->addWidget(view_);
    resize(900, 1000);
}

PreviewDialog::~PreviewDialog() { delete printer_; }

void PreviewDialog::run() { exec(); }

void PreviewDialog::savePdf() {
    QString name = windowTitle().mid(10) + QStringLiteral(".pdf");
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save as PDF"), name,
                                                QStringLiteral("PDF files (*.pdf)"));
    if (path.isEmpty()) return;
    QString why;
    if (!doc_.writePdf(path, windowTitle().mid(10), &why))
        Ui::instance().stop(QStringLiteral("Unable to write %1: %2").arg(path, why));
}

void PreviewDialog::printPages() {
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        Ui::instance().stop(Ui::kNoPrinterMessage);
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog ask(&printer, this);
    if (ask.exec() == QDialog::Accepted) doc_.print(printer);
}

}  // namespace mx::tk
