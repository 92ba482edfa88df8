// The bitmaps of the demo data set: the main window's background logo and
// the start-up splash, drawn here so the demo needs no binary sources.
#pragma once

#include <string>

namespace mx::admin {

// Writes "logo.bmp" and "tws.bmp" into the data set's folder.
void writeDemoBitmaps(const std::string& dir);

}  // namespace mx::admin
