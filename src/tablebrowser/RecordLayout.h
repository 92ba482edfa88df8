// How the record dialog of the table browser shows a record of any table:
// one control per field, its picture by type, and the fields laid out in
// columns on a page that scrolls when a wide table (a hundred fields and
// more) does not fit the screen. Pure arithmetic on the field list, no
// widgets: the dialog places what this gives.
//
// Units are the dialog's layout units (two screen pixels each in a pixel
// dialog); a character of the dialog font is taken as 3.5 units.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "FieldDef.h"
#include "Value.h"

namespace mx::tablebrowser {

// The edit picture of a field by its type: C none (the field's whole width,
// free text, case kept); N digits before the point and the field's decimals,
// room for a few digits more than fit so that a number too wide is typed
// whole and refused rather than cut; L "Y" (Y/N); D the date style's (none
// here); M none (a multi-line edit).
std::string fieldPicture(const rt::FieldDef& field);

// Why `value` does not fit `field` ("AMOUNT is N 7.2: 123456.00 does not
// fit"), or nullopt when it does. Numbers are rounded to the field's
// decimals as the table does before they are measured.
std::optional<std::string> misfit(const rt::FieldDef& field, const rt::Value& value);

// The label beside a field's control: its name, type and width ("AMOUNT  N 7.2").
std::string fieldLabel(const rt::FieldDef& field);

struct FieldPlace {
    int field = 0;       // index in the field list
    double row = 0;      // top of the line, on the page
    double labelCol = 0; // the label's left edge
    double col = 0;      // the control's left edge
    double width = 0;    // the control's width
    double height = 0;   // the control's height (a memo takes several lines)
};

struct RecordLayout {
    std::vector<FieldPlace> places;  // in field order: down the first column, then the next
    int columns = 1;
    double pageWidth = 0;   // the page that holds every control
    double pageHeight = 0;
};

// Geometry constants of the layout (layout units).
struct LayoutMetrics {
    double charWidth = 3.5;   // one character of the dialog font
    double lineHeight = 15;   // one field's line: a 12-unit control and the gap under it
    double controlHeight = 12;
    int memoLines = 4;        // lines a memo takes
    double labelWidth = 62;   // room for "BLADEWIDTH  N 3"
    double maxControl = 110;  // the widest control, about 30 characters (longer texts scroll inside it)
    double margin = 6;
    double columnGap = 10;
};

// Lays `fields` out for a page visible over `visibleWidth` x `visibleHeight`:
// as many columns as fit across (at least one), filled top to bottom with
// about the same height each, so that the page needs to scroll only down,
// and only when the fields do not fit.
RecordLayout layoutRecord(const std::vector<rt::FieldDef>& fields, double visibleWidth, double visibleHeight,
                          const LayoutMetrics& m = {});

}  // namespace mx::tablebrowser
