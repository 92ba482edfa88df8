// The built-in table browser (see TableBrowser.h).
#include "TableBrowser.h"

#include <QDir>
#include <optional>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <algorithm>

#include "DataFolderTables.h"
#include "Dialog.h"
#include "EditDialog.h"
#include "Error.h"
#include "ExprFormat.h"
#include "Fonts.h"
#include "HotKeyConvention.h"
#include "ListScreen.h"
#include "NumberFormat.h"
#include "Opening.h"
#include "RecordDialog.h"
#include "RecordServices.h"
#include "RecordingSink.h"
#include "Search.h"
#include "TableView.h"
#include "Text.h"
#include "TextCodec.h"
#include "Ui.h"

namespace mx::tablebrowser {

namespace {

using rt::Value;

// A one-line prompt for free text (case kept) showing `last` in a field of
// at least `width` characters; nullopt when it was cancelled.
std::optional<std::string> askText(tk::Ui& ui, const QString& title, const QString& prompt, const std::string& last,
                                   size_t width) {
    std::string shown = last;
    shown.resize(std::max(shown.size(), width), ' ');
    Value typed = Value::character(shown);
    if (!ui.prompt({.title = title, .prompt = prompt, .upperCase = false}, typed)) return std::nullopt;
    return typed.str();
}

using rt::FieldType;
using tk::fromQ;
using tk::toQ;

constexpr int kWidestColumnChars = 40;  // longer texts are cut in the list, shown whole in the dialog

// The first line of a memo, as the list shows it.
Value memoLine(const Value& memo) {
    std::string s = memo.str();
    const size_t end = s.find_first_of("\r\n");
    if (end != std::string::npos) s.resize(end);
    if (s.size() > static_cast<size_t>(kWidestColumnChars)) s.resize(kWidestColumnChars);
    return Value::character(s);
}

// Deleted records are shown while the screen stands.
class ShowDeleted {
public:
    explicit ShowDeleted(rt::Settings& s) : settings_(s), before_(s.deletedHidden) { s.deletedHidden = false; }
    ~ShowDeleted() { settings_.deletedHidden = before_; }

private:
    rt::Settings& settings_;
    bool before_;
};

class BrowserScreen {
public:
    explicit BrowserScreen(ds::DataContext& ctx);
    void run(const std::string& startTable = {}, std::uint32_t startRecord = 0);

private:
    // ---- the table shown
    void chooseTable();
    void closeTable();
    bool openTable(const ds::FolderTable& table);
    void fillOrders();
    void chooseOrder();
    void addBrowse();
    const ds::FolderTable* find(const std::string& alias) const;

    // ---- what the buttons do
    void edit();
    void append();
    void markDeleted(bool deleting);
    void seek();
    void filter();
    void find();
    void goToRecord();
    void exportView();
    void print();
    void copy();

    // ---- the filter
    // The filter's note beside the table's name, with the count of records
    // it lets through. A scripted run counts at once; on the desktop the
    // count is made a part at a time between the user's work, so the first
    // page shows at once on a large table and the note says "counting" until
    // the count is there.
    void showFilter();
    void countPart();
    void setNote();
    // Whether the area's current record passes the filter.
    bool passesFilter();
    // The cells of the current record as the list shows them.
    std::vector<Value> rowValues() const;

    // ---- state on the screen
    bool writable() const { return area_ && !readOnly_ && !damaged_; }
    void update();
    // Runs a step of the screen; a table failure is told, naming the file,
    // and a damaged file is not written again.
    void protect(const std::function<void()>& step);
    void fault(const rt::DbError& e);
    bool lockCurrent();

    ds::DataContext& ctx_;
    tk::Ui& ui_;
    ds::FolderTables list_;
    ia::ListScreen screen_;  // the dialog, its browse, buttons and keys
    tk::Dialog& dlg_;
    Value tableVar_, orderVar_;
    tk::ComboBox* tableBox_ = nullptr;
    tk::ComboBox* orderBox_ = nullptr;
    QLabel* status_ = nullptr;
    tk::Button* editButton_ = nullptr;
    tk::Button* appendButton_ = nullptr;
    tk::Button* deleteButton_ = nullptr;
    tk::Button* recallButton_ = nullptr;
    tk::Button* seekButton_ = nullptr;
    std::vector<tk::Button*> viewButtons_;  // Filter, Find, Go To, Export, Print, Copy
    tk::Browse* browse_ = nullptr;  // the screen's list while a table is shown
    rt::WorkArea* area_ = nullptr;
    std::string alias_;
    bool readOnly_ = false;
    bool damaged_ = false;
    tk::Place browsePlace_;
    std::string filter_;          // the filter of the table shown; empty: none
    rt::Expression filterExpr_;   // compiled once, to test one record
    std::uint64_t filterCount_ = 0;
    std::uint32_t countedTo_ = 0;  // records counted so far (desktop)
    bool counting_ = false;
    QTimer countTimer_;
    std::string lastFind_;        // Find's text, offered again
};

tk::Box dialogBox() {
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect room = (screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768)).adjusted(10, 10, -10, -10);
    const int w = std::min(1000, room.width()), h = std::min(640, room.height());
    return tk::Box{static_cast<double>(room.top()), static_cast<double>(room.left()), static_cast<double>(room.top() + h),
                   static_cast<double>(room.left() + w)};
}

BrowserScreen::BrowserScreen(ds::DataContext& ctx)
    : ctx_(ctx),
      ui_(tk::Ui::instance()),
      screen_(ctx, QString::fromUtf8(kTitle), dialogBox()),
      dlg_(screen_.dialog()) {
    dlg_.setCentred(true);
    QObject::connect(&countTimer_, &QTimer::timeout, &dlg_, [this] { countPart(); });
    screen_.setActions({.viewUpdate = [this] { protect([this] { edit(); }); },
                        .add = [this] { protect([this] { if (writable()) append(); }); },
                        .remove = [this] { protect([this] { if (writable() && area_ && !area_->eof()) markDeleted(!area_->deleted()); }); },
                        .search = [this] { protect([this] { seek(); }); }});
}

void BrowserScreen::run(const std::string& startTable, std::uint32_t startRecord) {
    list_ = ds::dataFolderTables(ctx_);
    if (!list_.problem.empty())
        ctx_.sink.alert("The table definitions cannot be read: " + list_.problem + ".\n" + fromQ(repairAdvice(ctx_.dataDir)));
    if (list_.tables.empty()) {
        ui_.alert(QStringLiteral("There is no table in the data folder."));
        return;
    }

    // Layout units: half the dialog's pixels.
    const double W = dlg_.width() / tk::Geometry::kLayoutScale, H = dlg_.height() / tk::Geometry::kLayoutScale;
    QStringList aliases;
    size_t widest = 1;
    for (const ds::FolderTable& t : list_.tables) {
        aliases << toQ(t.alias);
        widest = std::max(widest, t.alias.size());
    }
    tableVar_ = Value::character(std::string(widest, ' '));
    orderVar_ = Value::character(std::string(12, ' '));
    dlg_.addText({6, 6, 24, 12}, QStringLiteral("Table:"));
    tableBox_ = dlg_.addCombo({5, 32, 80, 12}, tableVar_, aliases, QStringLiteral("TABLE"));
    for (int i = 0; i < static_cast<int>(list_.tables.size()); ++i)
        if (!list_.tables[static_cast<size_t>(i)].defined)
            tableBox_->setItemNote(i, toQ("(" + list_.tables[static_cast<size_t>(i)].file + ", not in indexdef)"));
    dlg_.addText({6, 122, 24, 12}, QStringLiteral("Order:"));
    orderBox_ = dlg_.addCombo({5, 148, 150, 12}, orderVar_, {}, QStringLiteral("ORDER"));
    status_ = dlg_.addText({6, 306, W - 312, 12}, QString());
    QObject::connect(tableBox_, &QComboBox::activated, tableBox_, [this](int) { protect([this] { chooseTable(); }); });
    QObject::connect(orderBox_, &QComboBox::activated, orderBox_, [this](int) { protect([this] { chooseOrder(); }); });

    browsePlace_ = {22, 6, W - 12, H - 22 - 40};
    const double row = H - 19, viewRow = H - 35;
    editButton_ = screen_.addButton({row, 6, 45, 12}, QStringLiteral("&Edit"), [this] { protect([this] { edit(); }); });
    appendButton_ = screen_.addButton({row, 56, 45, 12}, QStringLiteral("&Append"), [this] { protect([this] { append(); }); });
    deleteButton_ = screen_.addButton({row, 106, 45, 12}, QStringLiteral("&Delete"), [this] { protect([this] { markDeleted(true); }); });
    recallButton_ = screen_.addButton({row, 156, 45, 12}, QStringLiteral("Re&call"), [this] { protect([this] { markDeleted(false); }); });
    seekButton_ = screen_.addButton({row, 206, 45, 12}, QStringLiteral("&Seek"), [this] { protect([this] { seek(); }); });
    screen_.addButton({row, W - 51, 45, 12}, QStringLiteral("E&xit"), [this] { dlg_.end(); });
    const std::vector<std::pair<QString, void (BrowserScreen::*)()>> viewActions{
        {QStringLiteral("&Filter"), &BrowserScreen::filter},     {QStringLiteral("Fi&nd"), &BrowserScreen::find},
        {QStringLiteral("&Go To"), &BrowserScreen::goToRecord}, {QStringLiteral("Expo&rt"), &BrowserScreen::exportView},
        {QStringLiteral("&Print"), &BrowserScreen::print},       {QStringLiteral("C&opy"), &BrowserScreen::copy}};
    double col = 6;
    for (const auto& [caption, action] : viewActions) {
        viewButtons_.push_back(screen_.addButton({viewRow, col, 45, 12}, caption, [this, action = action] {
            protect([this, action] { (this->*action)(); });
        }));
        col += 50;
    }

    tableVar_ = Value::character(find(startTable) ? startTable : list_.tables.front().alias);
    tableBox_->load();
    protect([this] { chooseTable(); });
    if (startRecord && area_ && browse_ && startRecord <= area_->recordCount())
        protect([this, startRecord] {
            area_->goTo(startRecord);
            browse_->resync();
            update();
        });
    screen_.run();
    closeTable();
}

const ds::FolderTable* BrowserScreen::find(const std::string& alias) const {
    for (const ds::FolderTable& t : list_.tables)
        if (t.alias == alias) return &t;
    return nullptr;
}

void BrowserScreen::chooseTable() {
    const std::string wanted = ds::allTrim(tableVar_.str());
    closeTable();
    if (const ds::FolderTable* t = find(wanted); t && openTable(*t)) {
        fillOrders();
        addBrowse();
    }
    update();
}

void BrowserScreen::closeTable() {
    screen_.removeList();
    browse_ = nullptr;
    const std::string alias = alias_;
    area_ = nullptr;
    readOnly_ = damaged_ = false;
    if (!filter_.empty()) {
        filter_.clear();
        filterExpr_ = {};
        showFilter();
    }
    alias_.clear();
    if (orderBox_) orderBox_->clear();
    if (!alias.empty() && ctx_.session.area(alias)) {
        try {
            ctx_.session.close(alias);
        } catch (const rt::DbError& e) {
            ctx_.sink.alert("Unable to close " + alias + ". " + e.what());
        }
    }
}

bool BrowserScreen::openTable(const ds::FolderTable& table) {
    // The opening service's messages are told here, with the way to mend a
    // damaged file added to the alert of a table the service does not know.
    ds::RecordingSink local;
    ds::DataContext quiet(ctx_.session, local, ctx_.sleeper, ctx_.dataDir);
    quiet.security = ctx_.security;
    quiet.user = ctx_.user;
    bool readOnly = false;
    std::optional<rt::DbError> err;
    const ds::OpenOptions options{.readOnlyWhenRefused = true, .openedReadOnly = &readOnly, .lastError = &err};
    bool opened = table.defined ? ds::OPNALIAS(quiet, table.alias, false, true, options)
                                : ds::OPNDBF(quiet, table.file, false, {}, table.alias, options);
    if (!opened && !table.defined)
        local.alert("Unable to Open (DBF) " + table.file + (err ? std::string(". ") + err->what() : std::string()));

    // The service's one alert comes first (a floppy hint may follow it) and
    // already tells how to mend a damaged file; a table outside `indexdef`
    // gets the way to mend it here. A table that is only busy needs none.
    const bool busy = err && err->kind() == rt::ErrorKind::Busy;
    bool advised = opened || busy || table.defined;
    for (const ds::RecordingSink::Message& m : local.messages()) {
        switch (m.kind) {
            case ds::RecordingSink::Kind::Alert:
                ctx_.sink.alert(advised ? m.text : m.text + "\n" + fromQ(repairAdvice(ctx_.dataDir)));
                advised = true;
                break;
            case ds::RecordingSink::Kind::Info: ctx_.sink.info(m.text); break;
            case ds::RecordingSink::Kind::Timed: ctx_.sink.timed(m.text, m.seconds); break;
            case ds::RecordingSink::Kind::Status: ctx_.sink.status(m.text); break;
        }
    }
    if (!opened) return false;

    area_ = ctx_.session.area(table.alias);
    alias_ = table.alias;
    readOnly_ = readOnly;
    area_->goTop();
    if (readOnly_)
        ui_.info(toQ(alias_) + QStringLiteral(" is read-only for you: it is shown, but nothing in it can be changed."));
    return true;
}

void BrowserScreen::fillOrders() {
    orderBox_->clear();
    orderBox_->addItem(QString::fromUtf8(kRecordOrder));
    for (int k = 1; k <= area_->orderCount(); ++k) {
        orderBox_->addItem(QFileInfo(toQ(area_->orderIndex(k).path())).completeBaseName());
        orderBox_->setItemNote(k, toQ(ds::allTrim(area_->orderExpression(k))));
    }
    const int order = area_->order();
    orderVar_ = Value::character(fromQ(orderBox_->itemValue(std::clamp(order, 0, area_->orderCount()))));
    orderBox_->load();
}

void BrowserScreen::chooseOrder() {
    if (!area_) return;
    const QString wanted = toQ(ds::allTrim(orderVar_.str()));
    int order = 0;
    for (int i = 0; i < orderBox_->count(); ++i)
        if (orderBox_->itemValue(i) == wanted) order = i;
    const std::uint32_t here = area_->eof() ? 0 : area_->recno();
    area_->setOrder(order);
    // The same record, now in the new order.
    if (here)
        area_->goTo(here);
    else
        area_->goTop();
    if (browse_) browse_->resync();
    update();
}

void BrowserScreen::addBrowse() {
    const QFontMetrics fm(tk::Fonts::dialog());
    const std::vector<rt::FieldDef>& fields = area_->table().fields();
    std::vector<tk::BrowseColumn> columns{{QStringLiteral("Del"), fm.horizontalAdvance(QStringLiteral("Del")) + 14, Qt::AlignHCenter},
                                          {QStringLiteral("Rec"), fm.horizontalAdvance(QString(QString::number(area_->recordCount()).size() + 1, '9')) + 14,
                                           Qt::AlignRight}};
    for (const rt::FieldDef& f : fields) {
        int chars = f.length;
        switch (f.type) {
            case FieldType::Character: chars = std::min(f.length, kWidestColumnChars); break;
            case FieldType::Memo: chars = 20; break;
            case FieldType::Date: chars = static_cast<int>(ui_.dateStyle().picture.size()); break;
            default: break;
        }
        const int cell = f.type == FieldType::Numeric ? fm.horizontalAdvance(QString(chars, '9')) : fm.averageCharWidth() * chars;
        const int header = fm.horizontalAdvance(toQ(f.name));
        columns.push_back({toQ(f.name), std::max(cell, header) + 14,
                           f.type == FieldType::Numeric ? Qt::AlignRight : Qt::AlignLeft});
    }
    browse_ = &screen_.addList(browsePlace_, *area_, std::move(columns), [this] { return rowValues(); });
    browse_->onChange([this] { update(); });
    browse_->setFocus(Qt::OtherFocusReason);
}

std::vector<Value> BrowserScreen::rowValues() const {
    std::vector<Value> row{Value::character(area_->deleted() ? "*" : ""), Value::character(std::to_string(area_->recno()))};
    for (int i = 0; i < area_->fieldCount(); ++i)
        row.push_back(area_->field(i).type == FieldType::Memo ? memoLine(area_->fieldValue(i)) : area_->fieldValue(i));
    return row;
}

void BrowserScreen::update() {
    const bool rw = writable();
    for (tk::Button* b : {editButton_, appendButton_, deleteButton_, recallButton_}) b->setVisible(rw);
    // Without the changing buttons, Seek takes the first place.
    seekButton_->move(rw ? recallButton_->x() + (recallButton_->x() - deleteButton_->x()) : editButton_->x(), seekButton_->y());
    const bool onRecord = area_ && !area_->eof();
    editButton_->setEnabled(onRecord);
    deleteButton_->setEnabled(onRecord && !area_->deleted());
    recallButton_->setEnabled(onRecord && area_->deleted());
    seekButton_->setEnabled(area_ != nullptr);
    for (tk::Button* b : viewButtons_) b->setEnabled(area_ != nullptr);
    QString text;
    if (area_) {
        text = QFileInfo(toQ(area_->table().path())).fileName() + QStringLiteral(", %1 records").arg(area_->recordCount());
        if (!filter_.empty())
            text += QStringLiteral(", filter ") + toQ(filter_) +
                    (counting_ ? QStringLiteral(": counting") : QStringLiteral(": %1 through").arg(filterCount_));
        if (readOnly_) text += QStringLiteral(", read-only");
        if (damaged_) text += QStringLiteral(", damaged: nothing is written");
    }
    status_->setText(text);
}

void BrowserScreen::protect(const std::function<void()>& step) {
    ui_.invoke([&] {
        try {
            step();
        } catch (const rt::DbError& e) {
            fault(e);
        }
    });
    try {
        update();
    } catch (const rt::DbError&) {
    }
}

void BrowserScreen::fault(const rt::DbError& e) {
    QString text = toQ(e.what());
    if (e.kind() == rt::ErrorKind::Corrupt && area_) {
        damaged_ = true;
        text += QStringLiteral("\n") + repairAdvice(ctx_.dataDir) + QStringLiteral("\nNothing more is written to ") +
                toQ(alias_) + QStringLiteral(".");
    }
    ui_.alert(text);
    if (browse_) browse_->refresh();
}

bool BrowserScreen::lockCurrent() {
    ctx_.session.select(*area_);
    if (ds::RECLOCK(ctx_, 2)) return true;
    ui_.alert(ia::kUnableToLock + QStringLiteral("\nRecord %1 of %2 is locked elsewhere.").arg(area_->recno()).arg(toQ(alias_)));
    return false;
}

void BrowserScreen::edit() {
    if (!area_ || area_->eof()) return;
    if (editRecord(ctx_, *area_, screen_.keys(), browse_, !writable()) == ia::EditOutcome::Saved && !filter_.empty())
        showFilter();
}

void BrowserScreen::append() {
    if (!writable()) return;
    // Nothing is added before Save: the form edits a blank record.
    if (editRecord(ctx_, *area_, screen_.keys(), browse_, false, /*adding=*/true) == ia::EditOutcome::Saved &&
        !filter_.empty())
        showFilter();
}

void BrowserScreen::markDeleted(bool deleting) {
    if (!writable() || area_->eof() || area_->deleted() == deleting) return;
    if (!ui_.yesNo(deleting ? QStringLiteral("Delete This Record?") : QStringLiteral("Recall This Record?"))) return;
    if (!lockCurrent()) return;
    const std::vector<std::string> damage = area_->checkCurrentKeys();
    if (!damage.empty()) {
        area_->unlock();
        throw rt::DbError(rt::ErrorKind::Corrupt, alias_, damage.front());
    }
    if (deleting)
        area_->deleteRecord();
    else
        area_->recall();
    area_->unlock();
    browse_->refresh();
}

void BrowserScreen::seek() {
    if (!area_) return;
    const int order = area_->order();
    const std::uint32_t remembered = area_->recno();
    tk::PromptOptions options;
    options.title = QStringLiteral("Seek");
    options.bitmap = toQ(ds::dataFile(ctx_, fromQ(ia::kSearchBitmap)));
    options.upperCase = false;  // sought as typed
    Value typed;
    if (order == 0) {
        options.prompt = QStringLiteral("Record number:");
        typed = Value::character(std::string(10, ' '));
    } else {
        options.prompt = QStringLiteral("Key: ") + toQ(ds::allTrim(area_->orderExpression(order)));
        typed = Value::character(std::string(static_cast<size_t>(std::clamp(area_->orderIndex(order).keySize(), 10, 60)), ' '));
    }
    if (!ui_.prompt(options, typed)) return;
    const std::string text = ds::trimRight(typed.str());

    bool found = false;
    if (order == 0) {
        const double n = rt::parseNumber(text);
        if (n >= 1 && n <= area_->recordCount()) {
            area_->goTo(static_cast<std::uint32_t>(n));
            found = passesFilter();
        }
    } else {
        // The key's own type decides what is sought: a number in a numeric
        // order, a date in a date order, the text as typed otherwise.
        const Value sample = area_->compileHere(area_->orderExpression(order)).evaluate(ctx_.session);
        Value wanted = Value::character(text);
        if (sample.isNumeric()) wanted = Value::numeric(rt::parseNumber(text));
        if (sample.isDate()) wanted = Value::date(rt::parseDate(text, ui_.dateStyle().picture, ui_.dateStyle().epoch));
        area_->seek(wanted, /*soft=*/true);
        // Typed in lower case in an order whose keys are upper case: the
        // key the person meant ("rs6" for "RS600").
        if (wanted.isCharacter() && ds::upper(text) != text) {
            auto startsWith = [this, order](const std::string& prefix) {
                if (area_->eof()) return false;
                const Value key = area_->compileHere(area_->orderExpression(order)).evaluate(ctx_.session);
                return key.isCharacter() && key.str().compare(0, prefix.size(), prefix) == 0;
            };
            if (!startsWith(text)) {
                const std::uint32_t soft = area_->eof() ? 0 : area_->recno();
                area_->seek(Value::character(ds::upper(text)), /*soft=*/true);
                // Neither is a prefix: the next key after the text as typed,
                // or, when nothing follows it, after the text in upper case.
                if (!startsWith(ds::upper(text)) && soft) area_->goTo(soft);
            }
        }
        found = !area_->eof();
    }
    if (!found) {
        ui_.alert(QStringLiteral("No Match Found"));
        if (remembered <= area_->recordCount()) area_->goTo(remembered);
    }
    browse_->resync();
}

bool BrowserScreen::passesFilter() {
    if (!area_ || area_->eof()) return false;
    if (ctx_.session.settings().deletedHidden && area_->deleted()) return false;
    return filterExpr_.empty() || filterExpr_.evaluate(ctx_.session).isTrue();
}

void BrowserScreen::showFilter() {
    countTimer_.stop();
    counting_ = false;
    filterCount_ = 0;
    countedTo_ = 0;
    if (!filter_.empty() && area_) {
        if (ui_.scripted()) {
            filterCount_ = countView(ctx_.session, *area_);
        } else {
            counting_ = true;
            countTimer_.start(0);
        }
    }
    setNote();
}

void BrowserScreen::countPart() {
    constexpr std::uint32_t kPart = 10000;  // well under a tenth of a second of records
    if (!counting_ || !area_) {
        countTimer_.stop();
        return;
    }
    try {
        filterCount_ += countView(ctx_.session, *area_, countedTo_ + 1, countedTo_ + kPart);
        countedTo_ += kPart;
        if (countedTo_ < area_->recordCount()) return;
    } catch (const rt::DbError&) {
        filterCount_ = 0;  // the count is left out; the table's fault shows at its next move
    }
    countTimer_.stop();
    counting_ = false;
    setNote();
    update();
}

void BrowserScreen::setNote() {
    for (int i = 0; i < static_cast<int>(list_.tables.size()); ++i) {
        const ds::FolderTable& t = list_.tables[static_cast<size_t>(i)];
        if (t.alias != alias_) continue;
        std::string note = t.defined ? std::string() : t.file + ", not in indexdef";
        if (!filter_.empty() && area_) {
            note += (note.empty() ? "" : "; ") + std::string("filter: ") + filter_ + ", ";
            note += counting_ ? std::string("counting") : std::to_string(filterCount_) + " of " +
                                                              std::to_string(area_->recordCount()) + " records";
        }
        tableBox_->setItemNote(i, note.empty() ? QString() : toQ("(" + note + ")"));
    }
}

void BrowserScreen::filter() {
    if (!area_) return;
    const std::optional<std::string> typed = askText(ui_, QStringLiteral("Filter"), QStringLiteral("Expression:"), filter_, 200);
    if (!typed) return;
    const std::string text = ds::allTrim(*typed);
    const std::uint32_t here = area_->recno();
    if (!text.empty()) {
        ctx_.session.select(*area_);
        try {
            checkFilter(ctx_.session, *area_, text);
        } catch (const rt::DbError& e) {
            if (e.kind() != rt::ErrorKind::BadExpression) throw;
            QString why = QStringLiteral("The filter cannot be used");
            if (e.position() > 0) why += QStringLiteral(": at position %1").arg(e.position());
            ui_.alert(why + QStringLiteral(": ") + toQ(e.detail()) + QStringLiteral(".\n") + toQ(text));
            return;  // the list stays as it was
        }
        filterExpr_ = area_->compileHere(text);
    } else {
        filterExpr_ = {};
    }
    filter_ = text;
    area_->setFilter(text);
    // The same record when it passes, else the first that does.
    area_->goTo(here);
    if (!passesFilter()) area_->goTop();
    showFilter();
    browse_->resync();
}

void BrowserScreen::find() {
    if (!area_) return;
    const std::optional<std::string> typed = askText(ui_, QStringLiteral("Find"), QStringLiteral("Text:"), lastFind_, 60);
    if (!typed) return;
    const std::string text = ds::trimRight(*typed);
    if (text.empty()) return;
    lastFind_ = text;
    if (!findText(ctx_.session, *area_, toQ(text))) ui_.alert(QStringLiteral("No Match Found"));
    browse_->resync();
}

void BrowserScreen::goToRecord() {
    if (!area_) return;
    tk::PromptOptions options{.title = QStringLiteral("Go To"), .prompt = QStringLiteral("Record number:")};
    Value typed = Value::character(std::string(10, ' '));
    if (!ui_.prompt(options, typed)) return;
    const std::string text = ds::allTrim(typed.str());
    if (text.empty()) return;
    const double n = rt::parseNumber(text);
    const std::uint32_t total = area_->recordCount();
    if (n < 1 || n > total || n != static_cast<double>(static_cast<std::uint32_t>(n))) {
        ui_.alert(QStringLiteral("There is no record %1 in %2: it has %3 records.").arg(toQ(text), toQ(alias_)).arg(total));
        return;
    }
    const std::uint32_t here = area_->recno();
    area_->goTo(static_cast<std::uint32_t>(n));
    if (!passesFilter()) {
        area_->goTo(here);
        ui_.alert(QStringLiteral("Record %1 of %2 is hidden by the filter.").arg(static_cast<std::uint32_t>(n)).arg(toQ(alias_)));
    }
    browse_->resync();
}

void BrowserScreen::exportView() {
    if (!area_) return;
    QString name;
    if (ui_.scripted()) {
        const std::optional<std::string> typed = askText(ui_, QStringLiteral("Export"), QStringLiteral("File:"), {}, 200);
        if (!typed) return;
        name = toQ(ds::allTrim(*typed));
    } else {
        name = QFileDialog::getSaveFileName(&dlg_, QStringLiteral("Export"), startFolder() + QStringLiteral("/") + toQ(alias_).toLower() + QStringLiteral(".csv"),
                                            QStringLiteral("CSV files (*.csv);;All files (*)"),
                                            nullptr, QFileDialog::DontConfirmOverwrite);
    }
    if (name.isEmpty()) return;
    const QString path = QDir(startFolder()).absoluteFilePath(name);
    if (QFileInfo::exists(path) && !ui_.noYes(path + QStringLiteral(" exists. Replace it?"))) return;
    std::uint64_t rows = 0;
    try {
        rows = exportCsv(ctx_.session, *area_, path, ui_.dateStyle());
    } catch (const rt::DbError& e) {
        if (e.kind() != rt::ErrorKind::Io) throw;
        ui_.alert(QStringLiteral("The export was not written: ") + toQ(e.what()));
        return;
    }
    browse_->resync();
    ui_.info(QStringLiteral("%1 records of %2 exported to %3.").arg(rows).arg(toQ(alias_), path));
}

void BrowserScreen::print() {
    if (!area_) return;
    std::vector<PrintColumn> columns{{QStringLiteral("Del"), 3, false},
                                     {QStringLiteral("Rec"), static_cast<int>(std::to_string(area_->recordCount()).size()), true}};
    for (const rt::FieldDef& f : area_->table().fields()) {
        int chars = f.length;
        if (f.type == FieldType::Character) chars = std::min(f.length, kWidestColumnChars);
        if (f.type == FieldType::Memo) chars = kWidestColumnChars / 2;
        if (f.type == FieldType::Date) chars = static_cast<int>(ui_.dateStyle().picture.size());
        columns.push_back({toQ(f.name), std::max(chars, 1), f.type == FieldType::Numeric});
    }
    QString title = toQ(alias_);
    if (!filter_.empty()) title += QStringLiteral("  (filter: ") + toQ(filter_) + QStringLiteral(")");
    const tk::DateStyle& dates = ui_.dateStyle();
    printView(ctx_.session, *area_, title, columns, [this, &dates] {
        QStringList cells;
        for (const Value& v : rowValues()) cells << tk::Browse::cellText(v, dates);
        return cells;
    }, 2);
    screen_.restore();
}

void BrowserScreen::copy() {
    if (!area_ || area_->eof()) return;
    ui_.setClipboard(recordText(*area_, ui_.dateStyle()));
}

}  // namespace

namespace {
QString& startFolderSetting() {
    static QString folder;
    return folder;
}
}  // namespace

void setStartFolder(const QString& folder) { startFolderSetting() = folder; }

QString startFolder() { return startFolderSetting().isEmpty() ? QDir::currentPath() : startFolderSetting(); }

QString repairAdvice(const std::string& dataDir) {
    const QString dir = QDir(toQ(dataDir.empty() ? std::string(".") : dataDir)).absolutePath();
    return QStringLiteral("Check the data set with \"mxadmin check %1\"; rebuild its index files with "
                          "\"mxadmin reindex %1\" or the File menu's \"Reindex\".")
        .arg(dir);
}

void BROWSE(ds::DataContext& ctx) { BROWSE(ctx, {}, 0); }

void BROWSE(ds::DataContext& ctx, const std::string& table, std::uint32_t recno) {
    rt::SelectionGuard selection(ctx.session);
    ShowDeleted showDeleted(ctx.session.settings());
    BrowserScreen screen(ctx);  // its frame releases the screen's keys when it goes
    screen.run(table, recno);
}

}  // namespace mx::tablebrowser
