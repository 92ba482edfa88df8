// The library tests' scaffolding: the screen harness (ScreenHarness.h).
#pragma once

#include "ScreenHarness.h"

namespace mx::lib::test {

using mx::test::C;
using mx::test::L;
using mx::test::N;
using mx::test::Row;
using LibraryHarness = mx::test::ScreenHarness;

}  // namespace mx::lib::test
