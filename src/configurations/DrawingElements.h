// The Drawing Elements screen of a configuration (`ASSDRAW`): its `assdraw`
// records listed in order 1 with a scope on its code, beside a preview of
// the drawing its data sheet prints, and the element dialog, whose own
// preview follows what is typed.
//
// The preview is drawn by the data sheet's own function (Drawing.h) at the
// screen's dimension values H, W and D, which start at the data sheet's
// ((maximum - minimum) / 2) and are never written; the other letters keep
// the data sheet's values. Every text of an element is checked as the
// drawing uses it (`checkElement`): an element that cannot be drawn is
// marked "!" in the list, and the dialog refuses to save one.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "Browse.h"
#include "CurrentConfiguration.h"
#include "DataContext.h"
#include "Drawing.h"
#include "HotKeyConvention.h"

namespace mx::configurations {

// The screen's title: the prefix, the configuration's trimmed description, the suffix.
inline constexpr const char* kDrawingTitlePrefix = "Drawing Elements for : ";
inline constexpr const char* kDrawingTitleSuffix = " - (ASSDRAW)";
// The element dialog's title, and the question before a delete.
inline constexpr const char* kElementTitle = "Drawing Element (ASSDRAW)";
inline constexpr const char* kDeleteElementQuestion = "Delete This Element?";

// The elements of the configuration `code` in `assdraw`'s controlling order
// (it must begin with ASSCODE), read while ASSCODE equals it; the record is
// put back afterwards.
std::vector<DrawingElement> readElements(rt::WorkArea& assdraw, const rt::Value& code);

// The drawing of `elements`, each drawn with `assdraw` on its record (so the
// coordinates see its fields, as on the data sheet); `typed`, when given,
// is drawn in place of the element with its record number, or after the
// others when none has it. The record is put back afterwards.
Drawing drawOver(rt::WorkArea& assdraw, std::span<const DrawingElement> elements, const DrawingValues& values,
                 const DrawingHosts& hosts, const DrawingElement* typed = nullptr);

// "N segments" (one: "1 segment").
QString segmentCount(std::size_t n);
// The fault of a text for people: `FROMROW "H/(2": at position 4, ...`.
QString faultText(const DrawingFailure& f);

// What both previews of the screen draw from: the configuration (the
// current `assembly` record when it is made), its elements as last read, the
// screen's dimension values, the drawing and the number of elements that
// cannot be drawn.
class DrawingModel {
public:
    DrawingModel(rt::Session& session, rt::WorkArea& assembly, rt::WorkArea& assdraw);

    const rt::Value& code() const { return code_; }
    rt::WorkArea& assdraw() { return assdraw_; }
    DrawingHosts hosts() const { return {*conditions_, *coordinates_}; }
    // The data sheet's values with H, W and D as the screen has them.
    DrawingValues values() const;
    const DrawingValues& sheetValues() const { return sheet_; }
    void setDimensions(double h, double w, double d);

    // Reads the elements again, redraws and counts the faults.
    void reload();
    // Draws the elements as read at the current values.
    void redraw();
    const std::vector<DrawingElement>& elements() const { return elements_; }
    const Drawing& drawing() const { return drawing_; }
    std::size_t faults() const { return faults_; }
    // Whether the table's record count moved since the last reload (another
    // workstation added an element).
    bool stale() const;

private:
    rt::Session& session_;
    rt::WorkArea& assembly_;
    rt::WorkArea& assdraw_;
    rt::Value code_;
    DrawingValues sheet_;
    double h_, w_, d_;
    std::unique_ptr<rt::ExprHost> conditions_, coordinates_;
    std::vector<DrawingElement> elements_;
    Drawing drawing_;
    std::size_t faults_ = 0;
    std::uint32_t recordsSeen_ = 0;
};

// The screen for the configuration under the Configurations screen's cursor
// (nothing when there is none). "&Print" runs `dataSheet` (the data sheet,
// as its button on the Configurations screen prints it) with `assembly`
// selected; empty, it says it is not available yet. `assdraw`'s order and
// filter, and the selected area, are put back afterwards.
void ASSDRAW(ds::DataContext& ctx, const std::function<void()>& dataSheet = {});
// The same for `current`, the configuration the Configurations screen read.
void ASSDRAW(ds::DataContext& ctx, const CurrentConfiguration& current, const std::function<void()>& dataSheet = {});

// The element dialog over the list's current element (with `adding`, over
// an element appended for the configuration first, taken out again when the
// dialog is cancelled). `model` gives the preview its values and the other
// elements. `screen` is bound again and `list` re-synchronised afterwards.
void ASSDUPD(ds::DataContext& ctx, tk::Browse& list, const ia::ScreenKeys& screen, DrawingModel& model, bool adding);

// A copy of the list's current element appended for the configuration; the
// list stands on the copy. False when there was none or it could not be added.
bool ASSDCOPY(ds::DataContext& ctx, tk::Browse& list);

}  // namespace mx::configurations
