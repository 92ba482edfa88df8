// Print jobs and column reports written to PDF and read back with pdftotext.
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include "ColumnReport.h"
#include "Fonts.h"
#include "PdfText.h"
#include "PrintJob.h"
#include "ScriptDriver.h"
#include "TestSupport.h"

using namespace mx::tk;

namespace {

using mx::test::pdfPages;
using mx::test::pdfText;

class PrintTest : public ::testing::Test {
protected:
    void SetUp() override {
        Ui::instance().setTranscript(&log.transcript);
        Ui::instance().setPrintDir(QDir(dir.path()).filePath("print"));
    }
    test::UiReset reset;
    test::CollectedTranscript log;
    QTemporaryDir dir;
};

TEST_F(PrintTest, DrawnJobIsWrittenAsAPdfWhoseTextReadsBack) {
    PrintJob job({"Library Users", true, true});
    ASSERT_TRUE(job.ok());
    EXPECT_EQ(job.resolution(), 600);
    EXPECT_NEAR(job.pageWidth(), 4961, 4);  // A4 at 600 dpi
    EXPECT_NEAR(job.pageHeight(), 7016, 4);
    const double col = job.pageWidth() / 85.0, row = job.pageHeight() / 65.0 * 1.2;
    for (int page = 1; page <= 2; ++page) {
        job.startPage();
        job.text(0, 2 * col, "Banksia Frames", Fonts::printer("Arial", 11, true));
        job.text(2 * row, 20 * col, "Library Users For ALU", Fonts::printer("Arial", 11, true));
        job.text(3 * row, 2 * col, QString("Page: %1").arg(page), Fonts::printer("Arial", 11));
        job.line(4 * row, 2 * col, 4 * row, 83 * col, 10);
        job.line(4 * row, 16 * col, 6 * row, 16 * col, 4);
        job.textCm(5, 3, "Customer", Fonts::printer("Arial", 9, true));
        job.endPage();
    }
    EXPECT_NEAR(job.cmToPixels(2.54), 600, 1e-9);
    ASSERT_TRUE(job.end());
    const QString file = QDir(dir.path()).filePath("print/001-Library_Users.pdf");
    EXPECT_EQ(job.writtenFile(), file);
    EXPECT_TRUE(log.has("print \"Library Users\" preview 001-Library_Users.pdf pages=2")) << log.joined();
    EXPECT_EQ(pdfPages(file), 2);
    QString text = pdfText(file);
    EXPECT_TRUE(text.contains("Banksia Frames"));
    EXPECT_TRUE(text.contains("Library Users For ALU"));
    EXPECT_TRUE(text.contains("Page: 1"));
    EXPECT_TRUE(text.contains("Page: 2"));
    EXPECT_TRUE(text.contains("Customer"));
}

TEST_F(PrintTest, LandscapeJobsSwapTheSidesAndNumberInOrder) {
    PrintJob first({"Data Sheet"});
    first.setLandscape(true);
    EXPECT_NEAR(first.pageWidth(), 7016, 4);
    first.startPage();
    first.text(100, 100, "sideways", Fonts::printer("Arial", 16));
    ASSERT_TRUE(first.end());
    PrintJob second({"Data Sheet"});
    second.startPage();
    ASSERT_TRUE(second.end());
    EXPECT_TRUE(QFile::exists(QDir(dir.path()).filePath("print/002-Data_Sheet.pdf")));
    EXPECT_TRUE(log.has("print \"Data Sheet\" printer 001-Data_Sheet.pdf pages=1"));
    EXPECT_TRUE(pdfText(first.writtenFile()).contains("sideways"));
}

// A cursor over n numbered rows, for reports.
class Numbers : public RowCursor {
public:
    explicit Numbers(int n) : n_(n) {}
    int at = 1;
    bool top() override { return (at = 1) <= n_; }
    bool bottom() override { return (at = n_) >= 1; }
    long skip(long k) override {
        long to = std::clamp<long>(at + k, 1, n_);
        long moved = to - at;
        at = static_cast<int>(to);
        return moved;
    }
    std::uint32_t id() override { return at <= n_ ? static_cast<std::uint32_t>(at) : 0; }
    bool seek(std::uint32_t id) override { return (at = static_cast<int>(id)) <= n_; }
    bool settle() override { return at <= n_; }
    double fraction() override { return 0; }
    void goFraction(double) override {}

private:
    int n_;
};

TEST_F(PrintTest, ColumnReportBreaksPagesWithHeadingsFootersAndPageNumbers) {
    ColumnReport report("Library / Suite Report", false);
    report.addHeaderLine([&] { return QString("Page: %1").arg(report.page()); });
    report.addFooterLine([] { return QString("Mitrex Development from Tallowood Systems  -  01/02/24"); });
    report.addFooterLine([] { return QString(); });
    Numbers rows(150);
    report.addColumn("Code", 0, [&] { return QString("C%1").arg(rows.at, 3, 10, QChar('0')); });
    report.addColumn("Description", 30, [&] { return QString("ROW NUMBER %1").arg(rows.at); });
    report.addColumn("Tag", 3, [&] { return rows.at % 2 ? QString("Y") : QString(); });
    int pages = report.run(rows);
    ASSERT_GE(pages, 2);
    const QString file = QDir(dir.path()).filePath("print/001-Library___Suite_Report.pdf");
    EXPECT_EQ(pdfPages(file), pages);
    QString text = pdfText(file);
    EXPECT_EQ(text.count("Library / Suite Report"), pages);  // the title on every page
    EXPECT_EQ(text.count("Description"), pages);             // and the column headers
    EXPECT_TRUE(text.contains(QString("Page: %1").arg(pages)));
    EXPECT_EQ(text.count(QRegularExpression("Tallowood Systems +- +01/02/24")), pages);  // layout may widen blanks
    for (int i : {1, 75, 150}) EXPECT_TRUE(text.contains(QString("ROW NUMBER %1\n").arg(i)) || text.contains(QString("ROW NUMBER %1 ").arg(i))) << i;
    EXPECT_TRUE(log.has("print \"Library / Suite Report\" printer 001-Library___Suite_Report.pdf pages=" + std::to_string(pages)));

    // A report of nothing still prints its page of headings.
    ColumnReport empty("Empty", true);
    empty.addColumn("Code", 6);
    Numbers none(0);
    EXPECT_EQ(empty.run(none), 1);
}

// Fourteen columns as wide as the customer register's list: too wide for an
// upright page, so the page is turned and the last column is on it.
TEST_F(PrintTest, ColumnReportTooWideForAnUprightPageIsPrintedLandscape) {
    ColumnReport report("Wide", true);
    Numbers rows(3);
    for (int w : {3, 3, 3, 32, 26, 3, 3, 19, 8, 6, 18, 10, 9})
        report.addColumn(QString("W%1").arg(w), w, [w] { return QString(w, 'x'); });
    report.addColumn("Trading Name", 36, [&] { return QString("LAST COLUMN %1").arg(rows.at); });
    ASSERT_EQ(report.run(rows), 1);
    const QString file = QDir(dir.path()).filePath("print/001-Wide.pdf");
    QProcess info;
    info.start("pdfinfo", {file});
    info.waitForFinished(30000);
    const QString pages = QString::fromUtf8(info.readAllStandardOutput());
    EXPECT_TRUE(pages.contains("842 x 595 pts")) << "A4 landscape\n" << pages.toStdString();
    const QString text = pdfText(file, false);
    for (int i : {1, 2, 3}) EXPECT_TRUE(text.contains(QString("LAST COLUMN %1").arg(i))) << text.toStdString();
}

// What a column report's page must show of each text: the whole of it,
// drawn under no clip, inside the page and over no other word.
void expectWhole(const QString& file, const QStringList& texts) {
    const auto lines = mx::test::pdfLines(mx::test::pdfWords(file));
    EXPECT_EQ(mx::test::pdfClips(file), 0) << "no text is drawn under a clip";
    const QStringList faults = mx::test::boxFaults(lines, mx::test::pdfPageSize(file));
    EXPECT_TRUE(faults.empty()) << faults.join('\n').toStdString();
    for (const QString& t : texts) EXPECT_TRUE(mx::test::printedWhole(lines, t)) << t.toStdString();
}

// Columns as narrow as a screen's give way to the widest text each prints,
// in the printed font: no cell is cut, headers included.
TEST_F(PrintTest, ColumnReportColumnsAreAsWideAsTheirWidestText) {
    ColumnReport report("Narrow", true);
    const QStringList codes = {"DBLHUNG", "C00004-SLIDDOOR", "WWWWWWWWWW", "A"};
    const QStringList mails = {"accounts.receivable@fabricator-number-one.example.com", "x@y.example", "", "info@a.example"};
    Numbers rows(4);
    report.addColumn("Code", 1, [&] { return codes[rows.at - 1]; });
    report.addColumn("Number", 1, [&] { return QString("%1").arg(rows.at * 1000, 10); }, Qt::AlignRight);
    report.addColumn("E-mail", 2, [&] { return mails[rows.at - 1]; });
    report.addColumn("A Header Wider Than Its Texts", 1, [&] { return QString("Y"); });
    ASSERT_EQ(report.run(rows), 1);
    const QString file = QDir(dir.path()).filePath("print/001-Narrow.pdf");
    QStringList texts = codes + QStringList{"1000", "4000", "A Header Wider Than Its Texts"};
    for (const QString& m : mails)
        if (!m.isEmpty()) texts << m;
    expectWhole(file, texts);
    EXPECT_EQ(mx::test::pdfPageSize(file).width() < 600, true) << "these fit upright";
}

// Columns too wide for the page even turned and in the smallest font: the
// widest text columns wrap onto further lines of their rows, every text
// still whole on the page, one under another in its column.
TEST_F(PrintTest, ColumnReportTooWideEvenLandscapeWrapsItsWidestTexts) {
    ColumnReport report("Very Wide", true);
    Numbers rows(40);
    auto words = [](int n, int row) {
        QStringList w;
        for (int i = 0; i < n; ++i) w << QString("WORD%1X%2").arg(row).arg(i);
        return w.join(' ');
    };
    report.addColumn("Code", 0, [&] { return QString("CODE%1").arg(rows.at); });
    report.addColumn("Long", 0, [&] { return words(40, rows.at); });
    report.addColumn("Longer", 0, [&] { return words(60, rows.at); });
    report.addColumn("Mail", 0, [&] { return QString("someone.with.a.long.name%1@a-very-long-domain-name.example.com").arg(rows.at); });
    report.addColumn("Tag", 0, [&] { return QString("Y"); });
    const int pages = report.run(rows);
    ASSERT_GE(pages, 1);
    const QString file = QDir(dir.path()).filePath("print/001-Very_Wide.pdf");
    EXPECT_GT(mx::test::pdfPageSize(file).width(), 800) << "landscape";
    QStringList texts;
    for (int r = 1; r <= 40; ++r)
        texts << QString("CODE%1").arg(r) << words(40, r) << words(60, r)
              << QString("someone.with.a.long.name%1@a-very-long-domain-name.example.com").arg(r);
    expectWhole(file, texts);
    // Rows keep together and follow each other down the pages.
    const QString text = pdfText(file, false);
    EXPECT_LT(text.indexOf("CODE1\n"), text.indexOf("CODE2\n"));
    EXPECT_TRUE(text.contains("CODE40"));
}

// Without a printer a job meant for one goes to the preview, where its pages
// can be saved as a PDF; the first such job says why, the later ones do not.
// A scripted run writes its PDF as always, without the message.
TEST_F(PrintTest, WithoutAPrinterTheJobGoesToThePreviewAfterOneNotice) {
    if (PrintJob::printersInstalled()) GTEST_SKIP() << "this machine has a printer";
    Ui::instance().setPrintDir({});
    int notices = 0, previews = 0;
    auto printOne = [&](const QString& name) {
        // The notice (first job only), then the preview, each closed once seen.
        std::function<void(QWidget*)> close = [&](QWidget* w) {
            if (auto* box = qobject_cast<QMessageBox*>(w)) {
                EXPECT_EQ(box->icon(), QMessageBox::Information);
                EXPECT_TRUE(box->text().startsWith("There are no printers installed!"));
                ++notices;
                box->accept();
                test::whenModal(close);
                return;
            }
            EXPECT_EQ(w->windowTitle(), "Preview - " + name);
            ++previews;
            static_cast<QDialog*>(w)->accept();
        };
        test::whenModal(close);
        PrintJob job({name});
        EXPECT_TRUE(job.ok());
        job.startPage();
        job.text(100, 100, "Sheet", Fonts::printer("Arial", 10));
        EXPECT_TRUE(job.end());
    };
    printOne("Data Sheet");
    printOne("Library Users");
    EXPECT_EQ(notices, 1);
    EXPECT_EQ(previews, 2);
    EXPECT_TRUE(log.has("info \"There are no printers installed!\\r\\nPlease exit this application and install a printer.\""))
        << log.joined();
    EXPECT_TRUE(log.has("print \"Data Sheet\" preview - pages=1")) << log.joined();
    EXPECT_TRUE(log.has("print \"Library Users\" preview - pages=1")) << log.joined();

    // Scripted: to the print folder, no message.
    test::UiReset::reset();
    log.lines.clear();
    test::RecordedAnswers answers;
    Ui::instance().setTranscript(&log.transcript);
    Ui::instance().setAnswerSource(&answers);
    const QString was = QDir::currentPath();
    QDir::setCurrent(dir.path());  // a scripted run prints into "print" there
    PrintJob job({"Data Sheet"});
    job.startPage();
    job.text(100, 100, "Sheet", Fonts::printer("Arial", 10));
    EXPECT_TRUE(job.end());
    QDir::setCurrent(was);
    EXPECT_EQ(log.joined(), "print \"Data Sheet\" printer 001-Data_Sheet.pdf pages=1\n");
    EXPECT_TRUE(QFile::exists(QDir(dir.path()).filePath("print/001-Data_Sheet.pdf")));
}

}  // namespace
