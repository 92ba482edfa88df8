// The golden "people" table: its rows and memo texts as the golden files hold
// them, and a replay of how the reference runtime made it.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Session.h"

namespace mx::test::people {

using namespace mx::rt;

struct PeopleRow {
    bool deleted;
    const char* name;
    double code;
    double amount;
    bool active;
    const char* born;  // DTOS text
};

inline const PeopleRow kPeople[] = {
    {false, "Smith, John", 10, 1234.50, true, "19700315"},  {false, "adams, mary", 20, -45.25, false, "19851102"},
    {false, "Baker", 10, 0, true, "        "},               {false, "Zimmer, Karl", 5, 999999.99, true, "19691231"},
    {false, "O'Brien", 30, -0.01, false, "20000229"},        {false, "Baker", 15, 12.50, true, "20010101"},
    {false, "Young, Ann", 40, -1000, false, "19991231"},     {false, "Clark", 20, 7, true, "19851102"},
    {true, "Deleted One", 50, 5, true, "19900505"},          {false, "Evans", 5, -45.25, false, "19750704"},
    {true, "Deleted Two", 60, -3.10, false, "        "},      {false, "Fox", 9999, 0.5, true, "20240229"},
    {false, "", 0, 0, false, "        "},
};

inline std::string rtrim(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

inline std::string repeatTo(const std::string& unit, size_t n) {
    std::string s;
    while (s.size() < n) s += unit;
    s.resize(n);
    return s;
}

// The memo texts of people.dbt, by record.
inline std::string peopleMemo(int rec) {
    switch (rec) {
        case 1: return "First note.";
        case 3: {
            std::string s = repeatTo("The quick brown fox. ", 600);
            s.replace(588, 12, "ENDMEMO600..");
            return s;
        }
        case 4: return "Rewritten text of record four, longer than the original one.";
        case 5: return repeatTo("abcdefghij", 510) + "X";
        case 6: return "Line one\r\nLine two";
        case 8: return repeatTo("0123456789", 510) + "YZ";
        case 9: return "to be deleted";
        case 11: return "second deleted";
        case 12: return "Last";
        default: return "";
    }
}

inline void expectPeopleRecord(WorkArea& a, int rec) {
    const PeopleRow& r = kPeople[rec - 1];
    SCOPED_TRACE("record " + std::to_string(rec));
    EXPECT_EQ(a.recno(), static_cast<std::uint32_t>(rec));
    EXPECT_EQ(a.deleted(), r.deleted);
    EXPECT_EQ(rtrim(a.fieldValue("NAME").str()), r.name);
    EXPECT_EQ(a.fieldValue("NAME").str().size(), 20u);
    EXPECT_DOUBLE_EQ(a.fieldValue("CODE").num(), r.code);
    EXPECT_DOUBLE_EQ(a.fieldValue("AMOUNT").num(), r.amount);
    EXPECT_EQ(a.fieldValue("AMOUNT").decimals(), 2);
    EXPECT_EQ(a.fieldValue("ACTIVE").boolean(), r.active);
    EXPECT_EQ(dayToDtos(a.fieldValue("BORN").day()), r.born);
    EXPECT_EQ(a.fieldValue("NOTES").str(), peopleMemo(rec));
}

inline std::vector<FieldDef> peopleFields() {
    return {charField("NAME", 20), numField("CODE", 4), numField("AMOUNT", 9, 2), logField("ACTIVE"), dateField("BORN"),
            memoField("NOTES")};
}

// Replays the golden file's making: exclusive appends and assignments,
// a rewritten memo, two deletions.
inline void writePeople(Session& s, const std::string& path) {
    DbfTable::create(path, peopleFields());
    WorkArea& a = s.open(path, "P", OpenMode::Exclusive);
    for (int rec = 1; rec <= 12; ++rec) {
        const PeopleRow& r = kPeople[rec - 1];
        ASSERT_TRUE(a.append());
        a.setField("NAME", Value::character(r.name));
        a.setField("CODE", Value::numeric(r.code, 4, 0));
        a.setField("AMOUNT", Value::numeric(r.amount, 9, 2));
        a.setField("ACTIVE", Value::logical(r.active));
        a.setField("BORN", Value::date(dayFromDtos(r.born)));
        a.setField("NOTES", Value::character(rec == 4 ? std::string("Original text of record four.") : peopleMemo(rec)));
    }
    ASSERT_TRUE(a.append());
    a.commit();
    a.goTo(4);
    a.setField("NOTES", Value::character(peopleMemo(4)));
    a.goTo(9);
    a.deleteRecord();
    a.goTo(11);
    a.deleteRecord();
    a.commit();
    s.close("P");
}

}  // namespace mx::test::people
