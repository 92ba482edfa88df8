// What the configuration's line screens share: the Formulae and Labour
// screens (formula and labour lines of `assline`) and the Punch Holes screen
// (`punchole`) list the records of the current configuration only, and edit
// and delete them in the same way.
//
//   - The list is a scope on the configuration's code over an order that
//     begins with `ASSCODE`, so opening it and paging it read only the
//     configuration's own records, however large the table.
//   - A restriction the screen puts on its table (order, filter) holds while
//     the screen stands and is taken off when it returns.
//   - A detail panel of read-only fields shows the current line and is
//     refilled whenever the cursor moves.
#pragma once

#include <QString>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "Browse.h"
#include "CurrentConfiguration.h"
#include "DataContext.h"
#include "Dialog.h"
#include "EditDialog.h"
#include "HotKeyConvention.h"
#include "Lookup.h"

namespace mx::configurations {

// The eighteen fields a line dialog copies and writes back.
const std::vector<std::string>& lineFields();

// The rows of the line screens' dialogs and detail panels, 13 units apart:
// where row `k`'s caption and its field stand.
inline double labelAt(double k) { return 13.0 * k + 7; }
inline double fieldAt(double k) { return 13.0 * k + 5; }

// One item of a detail panel: a caption, or a read-only copy of `field`
// (shown through `picture`, `width` units wide), at panel row `row` (rows
// as labelAt/fieldAt count them) and column `col`. `withPanels`: shown only
// for a configuration whose lines carry a panel code.
struct DetailItem {
    double row = 0;
    double col = 0;
    QString caption{};
    std::string field{};
    QString picture{};
    double width = 0;
    bool withPanels = false;
};

// Read-only copies of the current record's fields, shown in a panel and
// refilled when the list's cursor moves (blank at the end of the list).
class DetailPanel {
public:
    DetailPanel(tk::Dialog& dialog, rt::WorkArea& area) : dialog_(dialog), area_(area) {}
    // Places the items (those for panel codes only when `manualPanels`).
    void place(const std::vector<DetailItem>& items, bool manualPanels);
    void refill();

private:
    // A read-only field showing `field`, named after it.
    void add(const tk::Place& at, const std::string& field, const QString& picture, double width);

    tk::Dialog& dialog_;
    rt::WorkArea& area_;
    std::map<std::string, rt::Value> values_;
    std::vector<std::pair<std::string, tk::EditField*>> fields_;
};

// One line screen: its table (selected and positioned by the frame through
// `restrict`), title, box, list and panel, and the dialogs its buttons open.
// Everything that differs between the screens is data here.
struct LineScreenLayout {
    const char* titlePrefix = "";
    tk::Box box{};
    tk::Place list{};
    std::string scopeKey;  // the key text of the list's scope ("assline->Asscode")
    std::vector<tk::BrowseColumn> columns;
    std::function<std::vector<rt::Value>(rt::WorkArea&)> row;
    int order = 1;        // the table's order while the screen stands: it begins with `ASSCODE`
    std::string filter;   // and its filter ("" for none)
    std::vector<DetailItem> detail;  // the detail panel; empty when the screen has none
    double buttonRow = 0;
    // The add/view dialog and the delete of the screen.
    std::function<void(ds::DataContext&, tk::Browse&, const ia::ScreenKeys&, const CurrentConfiguration&, bool adding)> edit;
    std::function<void(ds::DataContext&, tk::Browse&, const CurrentConfiguration&)> remove;
    // "Re&port" (absent when not set) and its "not available yet" wording.
    bool hasReport = false;
    const char* reportName = "";
};

// Shows the screen over `area` for `current`, the configuration under the
// Configurations screen's cursor; `report` is what "Re&port" prints (none:
// the "not available yet" box). The area's order and filter are put back
// as they were, and the work area selected before is selected again.
void runLineScreen(ds::DataContext& ctx, rt::WorkArea& area, const CurrentConfiguration& current,
                   const LineScreenLayout& layout, const std::function<void()>& report = {});

// A line dialog opened on the list's current line, or with `adding` on a
// line appended for `current` first (`extra` set with `ASSCODE` under its
// lock; it stays whatever the dialog does). `show` builds and runs the
// dialog (ia::openEdit).
void openLineEdit(ds::DataContext& ctx, tk::Browse& list, const ia::ScreenKeys& screen, const CurrentConfiguration& current,
                  bool adding, const std::function<ia::EditOutcome()>& show,
                  std::vector<std::pair<std::string, rt::Value>> extra = {});

// The step an Add takes before its dialog: a record appended to `area` for
// the current configuration (`ASSCODE` and `extra` set under its lock),
// which stays whatever the dialog does. False after the alert that says why.
bool appendLine(ds::DataContext& ctx, rt::WorkArea& area, const CurrentConfiguration& current,
                std::vector<std::pair<std::string, rt::Value>> extra = {});

// The validation of a component code field: the code is looked up in
// `stock` (the pick list when it is not on file), then `desc` is set to the
// stock item's trimmed description, empty when there is none, and the
// dialog shows both again. `stock` is had through the dialog's tables: when
// it cannot be had the code is taken as typed and `desc` left as it stands.
// Always true: the field may always be left.
std::function<bool()> stockCodeCheck(ds::DataContext& ctx, ia::DialogTables& tables, tk::Dialog& dialog, rt::Value& code,
                                     rt::Value& desc);

// Deletes the list's current record after `question` (Yes preselected):
// under its lock (a failed lock deletes nothing and says "Unable to Lock
// Record.  Try Again Later!"), then one record back, or to
// `current`'s first remaining record when that one is not its own.
void deleteOwnedLine(ds::DataContext& ctx, tk::Browse& list, const CurrentConfiguration& current, const QString& question);

// A number as STR(n, width, decimals) writes it.
rt::Value numberText(const rt::Value& n, int width, int decimals);

}  // namespace mx::configurations
