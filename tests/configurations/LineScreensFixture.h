// The line screens' tests' data: three configurations (one with a suite
// limit of 3, a second structure type and panels of its own, one whose suite
// has no limit, one whose suite is not on file), stock items, formula and
// labour lines, panels and punch holes, with the Configurations screen as the
// action.
#pragma once

#include <gtest/gtest.h>

#include "ConfigurationHarness.h"
#include "Text.h"

namespace mx::configurations::test {

using Lines = std::vector<std::string>;

inline Row line(const char* code, const char* stock, const char* desc, bool labour = false) {
    return {{"ASSCODE", C(code)}, {"STKCODE", C(stock)}, {"DESC", C(desc)}, {"TYPE", C("L")},
            {"QTY", N(1)},        {"AMOUNT", C("W")},    {"LABOUR", L(labour)}};
}

class LineScreensTest : public ::testing::Test {
protected:
    void SetUp() override {
        h.append("lib", {{{"CODE", C("RS400")}, {"MAXADJUST", N(0)}}, {{"CODE", C("RS500")}, {"MAXADJUST", N(3)}}});
        // In code order: AW1 (suite limit 3, second structure, own panels),
        // FX2 (limit 0: 5), NL1 (a suite not on file: 5).
        h.append("assembly", {{{"CODE", C("FX2")}, {"DESC", C("FIXED LIGHT")}, {"LIB", C("RS400")}},
                              {{"CODE", C("AW1")},
                               {"DESC", C("AWNING WINDOW")},
                               {"LIB", C("RS500")},
                               {"STYPE2", C("LOW")},
                               {"MANPANEL", L(true)}},
                              {{"CODE", C("NL1")}, {"DESC", C("NO SUITE")}, {"LIB", C("GONE")}}});
        h.append("stock", {{{"CODE", C("HEAD")}, {"DESC", C("  AWNING HEAD")}},
                           {{"CODE", C("SILL")}, {"DESC", C("AWNING SILL")}},
                           {{"CODE", C("SASH")}, {"DESC", C("AWNING SASH")}}});
        h.append("assline", {line("AW1", "HEAD", "HEAD AS TYPED"), line("FX2", "SILL", "FIXED SILL"),
                             line("AW1", "GLAZE", "GLAZING LABOUR", true), line("AW1", "SILL", "AWNING SILL"),
                             line("AW1", "SASH", "AWNING SASH")});
        h.append("asspanel", {{{"ASSCODE", C("FX2")}, {"PANELCODE", C("P3")}},
                              {{"ASSCODE", C("AW1")}, {"PANELCODE", C("P2")}},
                              {{"ASSCODE", C("AW1")}, {"PANELCODE", C("P1")}}});
        h.append("punchole", {{{"ASSCODE", C("AW1")}, {"DESC", C("DRAIN")}, {"DIMENSION", C("W/4")}, {"ADJUST", N(-2)}},
                              {{"ASSCODE", C("FX2")}, {"DESC", C("VENT")}, {"DIMENSION", C("W/2")}}});
    }
    void play(const std::string& script) { ASSERT_EQ(h.playAction(script), 0) << h.joined(); }

    ConfigurationHarness h;
};

}  // namespace mx::configurations::test
