// The browse's row window, checked against a model list under random moves,
// with rows disappearing underneath it.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "RowWindow.h"

using mx::tk::RowCursor;
using mx::tk::RowWindow;

namespace {

// A RowCursor over a list of ids; "hidden" ids are not rows (deleted).
class ListCursor : public RowCursor {
public:
    explicit ListCursor(std::vector<std::uint32_t> ids) : ids_(std::move(ids)) {}

    std::vector<std::uint32_t> rows() const {
        std::vector<std::uint32_t> r;
        for (auto id : ids_)
            if (!hidden_.count(id)) r.push_back(id);
        return r;
    }
    void hide(std::uint32_t id) { hidden_.insert(id); }
    std::uint32_t here() const { return pos_ < ids_.size() ? ids_[pos_] : 0; }
    long moves = 0;
    long stepped = 0;  // records passed, hidden ones included

    bool top() override {
        ++moves;
        pos_ = 0;
        return settleForward();
    }
    bool bottom() override {
        ++moves;
        for (size_t i = ids_.size(); i-- > 0;)
            if (!hidden_.count(ids_[i])) {
                pos_ = i;
                return true;
            }
        pos_ = ids_.size();
        return false;
    }
    long skip(long n) override {
        ++moves;
        long moved = 0;
        while (moved != n) {
            long step = n > 0 ? 1 : -1;
            size_t p = pos_;
            bool found = false;
            while (true) {
                if (step < 0 && p == 0) break;
                p += step;
                if (p >= ids_.size()) break;
                ++stepped;
                if (!hidden_.count(ids_[p])) {
                    found = true;
                    break;
                }
            }
            if (!found) break;
            pos_ = p;
            moved += step;
        }
        return moved;
    }
    std::uint32_t id() override { return pos_ < ids_.size() && !hidden_.count(ids_[pos_]) ? ids_[pos_] : 0; }
    bool seek(std::uint32_t id) override {
        auto it = std::find(ids_.begin(), ids_.end(), id);
        pos_ = static_cast<size_t>(it - ids_.begin());
        if (it != ids_.end() && !hidden_.count(id)) return true;
        settle();
        return false;
    }
    bool settle() override {
        if (pos_ < ids_.size() && !hidden_.count(ids_[pos_])) return true;
        return settleForward() || bottom();
    }
    double fraction() override {
        auto r = rows();
        auto it = std::find(r.begin(), r.end(), id());
        return r.size() < 2 ? 0 : double(it - r.begin()) / double(r.size() - 1);
    }
    void goFraction(double f) override {
        auto r = rows();
        if (r.empty()) return;
        seek(r[static_cast<size_t>(f * double(r.size() - 1) + 0.5)]);
    }

private:
    bool settleForward() {
        while (pos_ < ids_.size() && hidden_.count(ids_[pos_])) ++pos_;
        return pos_ < ids_.size();
    }
    std::vector<std::uint32_t> ids_;
    std::set<std::uint32_t> hidden_;
    size_t pos_ = 0;
};

std::vector<std::uint32_t> range(std::uint32_t n) {
    std::vector<std::uint32_t> v(n);
    for (std::uint32_t i = 0; i < n; ++i) v[i] = i + 1;
    return v;
}

// The invariants RowWindow promises, checked against the model.
void checkInvariants(const RowWindow& w, ListCursor& c, const char* after) {
    auto model = c.rows();
    SCOPED_TRACE(after);
    ASSERT_EQ(w.rows().size(), std::min<size_t>(static_cast<size_t>(w.capacity()), model.size()));
    if (model.empty()) {
        EXPECT_EQ(w.current(), -1);
        return;
    }
    auto start = std::find(model.begin(), model.end(), w.rows().front().id);
    ASSERT_NE(start, model.end());
    for (size_t i = 0; i < w.rows().size(); ++i) {
        ASSERT_LT(start + static_cast<long>(i), model.end());
        EXPECT_EQ(w.rows()[i].id, *(start + static_cast<long>(i))) << "rows are consecutive";
        EXPECT_EQ(w.rows()[i].cells.at(0), std::to_string(w.rows()[i].id)) << "cells belong to their row";
    }
    ASSERT_GE(w.current(), 0);
    EXPECT_EQ(c.here(), w.rows()[static_cast<size_t>(w.current())].id) << "the cursor stands on the current row";
}

TEST(RowWindow, PagesThroughAListAsABrowseDoes) {
    ListCursor c(range(25));
    RowWindow w(c, [&] { return std::vector<std::string>{std::to_string(c.id())}; });
    w.setCapacity(10);
    w.top();
    checkInvariants(w, c, "top");
    EXPECT_EQ(w.current(), 0);
    w.pageDown();  // first to the window's last row
    EXPECT_EQ(c.here(), 10u);
    w.pageDown();  // then a page further
    EXPECT_EQ(c.here(), 20u);
    EXPECT_EQ(w.rows().front().id, 11u);
    w.pageDown();
    EXPECT_EQ(c.here(), 25u);
    EXPECT_EQ(w.rows().front().id, 16u);  // the window stays full at the end
    w.pageDown();
    EXPECT_EQ(c.here(), 25u);
    w.pageUp();
    EXPECT_EQ(c.here(), 16u);
    w.pageUp();
    EXPECT_EQ(c.here(), 6u);
    w.bottom();
    EXPECT_EQ(w.current(), 9);
    checkInvariants(w, c, "bottom");
    EXPECT_TRUE(w.goRow(3));
    EXPECT_EQ(c.here(), 3u);
    EXPECT_FALSE(w.goRow(26));
    checkInvariants(w, c, "goRow past the end");
}

TEST(RowWindow, FetchesOnlyWhatItShows) {
    ListCursor c(range(100000));
    RowWindow w(c, [&] { return std::vector<std::string>{std::to_string(c.id())}; });
    w.setCapacity(20);
    w.top();
    EXPECT_EQ(w.fetches(), 20);
    for (int i = 0; i < 10; ++i) w.down();  // within the window: nothing fetched
    EXPECT_EQ(w.fetches(), 20);
    for (int i = 0; i < 15; ++i) w.down();  // scrolling: one row each
    EXPECT_EQ(w.fetches(), 26);
    w.bottom();
    EXPECT_EQ(w.fetches(), 46);
    EXPECT_EQ(c.here(), 100000u);
}

TEST(RowWindow, APageMovePassesEachRecordBetweenOnce) {
    // One record in ten shown, as under a filter: every record passed costs a read.
    ListCursor c(range(1000));
    for (std::uint32_t id = 1; id <= 1000; ++id)
        if (id % 10 != 1) c.hide(id);
    RowWindow w(c, [&] { return std::vector<std::string>{std::to_string(c.id())}; });
    w.setCapacity(10);
    w.top();
    w.pageDown();  // to the window's last row
    ASSERT_EQ(c.here(), 91u);
    c.stepped = 0;
    const long fetched = w.fetches();
    w.pageDown();
    checkInvariants(w, c, "page down");
    EXPECT_EQ(c.here(), 191u);
    EXPECT_EQ(c.stepped, 100) << "rows 101 .. 191 and the hidden ones between, once";
    EXPECT_EQ(w.fetches() - fetched, 10);
    w.up();
    w.pageUp();  // to the window's first row, then a page up
    c.stepped = 0;
    w.pageUp();
    checkInvariants(w, c, "page up");
    EXPECT_EQ(c.here(), 1u);
    EXPECT_EQ(c.stepped, 100);
}

TEST(RowWindow, RandomMovesKeepTheInvariantsWhileRowsDisappear) {
    std::mt19937 rng(1234);
    for (int round = 0; round < 40; ++round) {
        ListCursor c(range(static_cast<std::uint32_t>(rng() % 40)));
        RowWindow w(c, [&] { return std::vector<std::string>{std::to_string(c.id())}; });
        w.setCapacity(1 + static_cast<int>(rng() % 12));
        w.top();
        checkInvariants(w, c, "start");
        for (int op = 0; op < 200; ++op) {
            static const char* names[] = {"down", "up", "pageDown", "pageUp", "top", "bottom", "select", "delete", "resize", "fraction", "goRow"};
            int k = static_cast<int>(rng() % 11);
            switch (k) {
                case 0: w.down(); break;
                case 1: w.up(); break;
                case 2: w.pageDown(); break;
                case 3: w.pageUp(); break;
                case 4: w.top(); break;
                case 5: w.bottom(); break;
                case 6: w.select(static_cast<int>(rng() % 12)); break;
                case 7:  // the screen deletes the current record, then resynchronises
                    if (c.id()) c.hide(c.id());
                    w.refresh();
                    break;
                case 8: w.setCapacity(1 + static_cast<int>(rng() % 12)); break;
                case 9: w.goFraction((rng() % 101) / 100.0); break;
                case 10: w.goRow(1 + static_cast<long>(rng() % 45)); break;
            }
            checkInvariants(w, c, names[k]);
            if (::testing::Test::HasFailure()) return;
        }
    }
}

}  // namespace
