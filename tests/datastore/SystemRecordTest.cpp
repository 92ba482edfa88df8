// Reading the login switch at start-up, and the start-up path when the index
// of `indexdef` is missing: rebuilt silently, then `sysinfo` opens.
#include <gtest/gtest.h>

#include <filesystem>

#include "DataSet.h"
#include "DataStoreHarness.h"
#include "IndexRebuild.h"
#include "Opening.h"
#include "SystemRecord.h"

namespace mx::test {
namespace {

void setSecurity(const std::string& dir, bool on) {
    rt::Session s;
    rt::WorkArea& a = s.open(dir + "/sysinfo.dbf", "", rt::OpenMode::Exclusive);
    a.goTop();
    a.setField("SECURITY", rt::Value::logical(on));
    s.closeAll();
}

TEST(SystemRecordTest, ReadsTheLoginSwitchAndClosesTheTable) {
    Harness h;
    ds::createDataSet(h.dir());
    EXPECT_EQ(ds::readSecurity(h.ctx), std::optional<bool>(false));
    setSecurity(h.dir(), true);
    EXPECT_EQ(ds::readSecurity(h.ctx), std::optional<bool>(true));
    EXPECT_EQ(h.session.area("SYSINFO"), nullptr);
    EXPECT_TRUE(h.sink.empty());
}

TEST(SystemRecordTest, StartUpRebuildsAMissingIndexdefIndexThenReadsSysinfo) {
    Harness h;
    ds::createDataSet(h.dir());
    std::filesystem::remove(h.file("indexdef.ntx"));
    std::filesystem::remove(h.file("libcode.ntx"));
    ASSERT_FALSE(ds::indexdefIndexExists(h.ctx));
    EXPECT_EQ(ds::readSecurity(h.ctx), std::nullopt) << "without the index nothing opens";
    EXPECT_EQ(h.sink.alerts().size(), 1u);
    h.sink.clear();

    EXPECT_TRUE(ds::INIT_IDX(h.ctx).ok());
    EXPECT_TRUE(h.sink.empty()) << "a silent rebuild";
    EXPECT_TRUE(fileExists(h.file("libcode.ntx")));
    EXPECT_EQ(ds::readSecurity(h.ctx), std::optional<bool>(false));
}

}  // namespace
}  // namespace mx::test
