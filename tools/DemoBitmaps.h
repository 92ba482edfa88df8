// The bitmaps a data set holds: the search prompts' magnifier, which every
// data set gets, and the demo's background logo and start-up splash, all
// drawn here so that nothing binary needs to be kept in the sources. Each
// file is written whole or not at all; a failure throws std::runtime_error
// naming the file.
#pragma once

#include <string>
#include <vector>

namespace mx::admin {

// Writes "lupa.bmp" (the search prompts' magnifier) into `dir`; with
// `onlyMissing` a file already there is kept. `written` gets the names written.
void writeProgramBitmaps(const std::string& dir, bool onlyMissing = false, std::vector<std::string>* written = nullptr);

// The same for the demo's "logo.bmp" and "tws.bmp".
void writeDemoBitmaps(const std::string& dir, bool onlyMissing = false, std::vector<std::string>* written = nullptr);

}  // namespace mx::admin
