// The Find Images search: criteria read from the dialog's texts and the
// walk of a folder tree, in temporary folders.
#include "models/search/FindImageSearch.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

using namespace vkfind;

namespace {

void Touch(const std::string& path, size_t size = 0, int64_t modified = -1)
{
    vktest::WriteFile(path, std::string(size, 'x'));
    if (modified >= 0) {
        const timeval times[2] = {{time_t(modified), 0}, {time_t(modified), 0}};
        ::utimes(path.c_str(), times);
    }
}

int64_t LocalTime(int year, int month, int day, int hour, int minute = 0, int second = 0)
{
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return int64_t(std::mktime(&tm));
}

std::vector<std::string> Find(const FindCriteria& criteria, SearchTotals* totals = nullptr)
{
    std::atomic<bool> abort{false};
    std::vector<std::string> found;
    const SearchTotals t = SearchTree(
        criteria, [&] { return abort.load(); }, [&](const std::string& path) { found.push_back(path); });
    if (totals)
        *totals = t;
    std::sort(found.begin(), found.end());
    return found;
}

std::vector<std::string> Names(const std::vector<std::string>& paths, const std::string& root)
{
    std::vector<std::string> names;
    for (const auto& p : paths)
        names.push_back(p.substr(root.size() + 1));
    return names;
}

using Strings = std::vector<std::string>;

} // namespace

TEST(FindCriteria, SizeFromNumberAndUnit)
{
    const struct {
        const char* text;
        int unit;
        bool ok;
        uint64_t bytes;
    } cases[] = {
        {"1", UnitKB, true, 1024},
        {"3", UnitMB, true, 3u << 20},
        {"5000000", UnitMB, true, uint64_t(5000000) << 20}, // beyond 32 bits
        {"", UnitBytes, true, 0},                           // nothing typed: no criterion
        {"99999999999999999999999", UnitBytes, true, UINT64_MAX},
        {"18446744073709551615", UnitMB, true, UINT64_MAX}, // overflow saturates
        {"12a", UnitBytes, false, 0},
        {"-1", UnitBytes, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        uint64_t bytes = 99;
        EXPECT_EQ(MakeSizeCriterion(c.text, c.unit, bytes), c.ok);
        if (c.ok) {
            EXPECT_EQ(bytes, c.bytes);
        }
    }
    // Sizes beyond 32 bits compare whole.
    FindCriteria size;
    size.sizeBytes = uint64_t(5) << 32;
    EXPECT_TRUE(MatchesSizeAndDate(size, uint64_t(5) << 32, 0));
    EXPECT_FALSE(MatchesSizeAndDate(size, 0, 0));
}

TEST(FindCriteria, DateRangeBoundsAndValidity)
{
    int64_t from = 0, to = 0;
    const std::string range[6] = {"1", "1", "2000", "1", "2", "2000"};
    ASSERT_TRUE(MakeDateRange(range, from, to));
    EXPECT_EQ(from, LocalTime(2000, 1, 1, 1, 1, 1));
    EXPECT_EQ(to, LocalTime(2000, 1, 2, 1, 1, 1));

    const std::string late[6] = {"12", "31", "2037", "12", "31", "2038"};
    ASSERT_TRUE(MakeDateRange(late, from, to));
    EXPECT_GT(to, from);
    EXPECT_GT(to, int64_t(INT32_MAX)) << "no 32-bit wrap";

    const std::string bad[][6] = {{"1", "1", "1969", "1", "1", "2000"},  {"1", "1", "2000", "1", "1", "1969"},
                                  {"13", "1", "2000", "1", "1", "2001"}, {"0", "1", "2000", "1", "1", "2001"},
                                  {"1", "32", "2000", "1", "1", "2001"}, {"1", "0", "2000", "1", "1", "2001"},
                                  {"1", "1", "2039", "1", "1", "2040"},  {"1", "1", "", "1", "1", "2001"},
                                  {"1", "x", "2000", "1", "1", "2001"}};
    for (const auto& fields : bad)
        EXPECT_FALSE(MakeDateRange(fields, from, to)) << fields[0] << "/" << fields[1] << "/" << fields[2];
}

TEST(FindSearch, EveryCriterionInAFolderTree)
{
    vktest::TempDir dir;
    const std::string root = dir.Path();
    ::mkdir((root + "/sub").c_str(), 0755);
    ::mkdir((root + "/sub/deeper").c_str(), 0755);
    ::mkdir((root + "/dir.jpg").c_str(), 0755); // a folder named like a picture
    const int64_t noon1 = LocalTime(2000, 1, 1, 12);
    const int64_t noon2 = LocalTime(2000, 1, 2, 12);
    // Every extension read counts, a.jpeg too; a name without a dot has no extension.
    for (const char* name : {"a.jpeg", "b.jpg", "notes.txt", ".hidden.png", "gif", "a.gifx", "x.tar.ilbm",
                             "\xc3\xa9T\xc3\x89.png"})
        Touch(root + "/" + name, 10, noon1);
    Touch(root + "/img.bmp", 1025, noon2);
    Touch(root + "/Img.GIF", 1024, noon1);
    Touch(root + "/img1.bmp", 2000, noon1);
    Touch(root + "/sub/IMG.tif", 1, noon1);
    Touch(root + "/sub/deeper/c.JPG", 3000, LocalTime(1999, 12, 31, 12));

    FindCriteria all;
    all.lookIn = root;
    SearchTotals totals;
    EXPECT_EQ(Names(Find(all, &totals), root),
              (Strings{".hidden.png", "Img.GIF", "a.jpeg", "b.jpg", "img.bmp", "img1.bmp", "sub/IMG.tif",
                       "sub/deeper/c.JPG", "x.tar.ilbm", "\xc3\xa9T\xc3\x89.png"}));
    EXPECT_EQ(totals.found, 10u);
    EXPECT_EQ(totals.folders, 4u);

    const std::string day1[6] = {"1", "1", "2000", "1", "2", "2000"};
    const struct {
        const char* name;
        const char* extension;
        int sizeCompare;
        uint64_t sizeBytes;
        bool date;
        Strings want;
    } cases[] = {
        {"img", "*.*", SizeEqual, 0, false, {"Img.GIF", "img.bmp", "sub/IMG.tif"}},
        {"\xc3\x89t\xc3\xa9", "*.*", SizeEqual, 0, false, {"\xc3\xa9T\xc3\x89.png"}}, // case beyond ASCII
        {"img", "bmp", SizeEqual, 0, false, {"img.bmp"}},
        {"", "bmp", SizeEqual, 0, false, {"img.bmp", "img1.bmp"}},
        {"", "gif", SizeEqual, 0, false, {"Img.GIF"}},
        {"", "jpeg", SizeEqual, 0, false, {"a.jpeg"}},
        {"", "*.*", SizeAbove, 1024, false, {"img.bmp", "img1.bmp", "sub/deeper/c.JPG"}},
        {"", "*.*", SizeEqual, 1024, false, {"Img.GIF"}},
        {"",
         "*.*",
         SizeBelow,
         1024,
         false,
         {".hidden.png", "a.jpeg", "b.jpg", "sub/IMG.tif", "x.tar.ilbm", "\xc3\xa9T\xc3\x89.png"}},
        // Noon on the first day is inside, noon on the second outside.
        {"",
         "*.*",
         SizeEqual,
         0,
         true,
         {".hidden.png", "Img.GIF", "a.jpeg", "b.jpg", "img1.bmp", "sub/IMG.tif", "x.tar.ilbm",
          "\xc3\xa9T\xc3\x89.png"}},
        {"img", "gif", SizeEqual, 1024, true, {"Img.GIF"}},
        {"img", "gif", SizeEqual, 1023, true, {}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(testing::Message() << row.name << " ." << row.extension << " size " << row.sizeCompare
                                        << " " << row.sizeBytes << (row.date ? " day 1" : ""));
        FindCriteria c = all;
        c.name = row.name;
        c.extension = row.extension;
        c.sizeCompare = row.sizeCompare;
        c.sizeBytes = row.sizeBytes;
        c.dateActive = row.date && MakeDateRange(day1, c.dateFrom, c.dateTo);
        EXPECT_EQ(Names(Find(c), root), row.want);
    }
}

TEST(FindSearch, LinksLoopsAndUnreadableFolders)
{
    vktest::TempDir dir;
    const std::string root = dir.Path();
    ::mkdir((root + "/a").c_str(), 0755);
    ::mkdir((root + "/a/b").c_str(), 0755);
    ::mkdir((root + "/locked").c_str(), 0755);
    Touch(root + "/a/b/deep.png");
    Touch(root + "/locked/secret.png");
    Touch(root + "/z.gif");
    ASSERT_EQ(::symlink("..", (root + "/a/b/up").c_str()), 0);         // a loop
    ASSERT_EQ(::symlink(root.c_str(), (root + "/a/self").c_str()), 0); // another
    ASSERT_EQ(::symlink("../z.gif", (root + "/a/link.gif").c_str()), 0);
    ASSERT_EQ(::symlink("missing.png", (root + "/a/dangling.png").c_str()), 0);
    ::chmod((root + "/locked").c_str(), 0);
    const bool canRead = ::access((root + "/locked").c_str(), R_OK) == 0; // root reads anyway

    FindCriteria c;
    c.lookIn = root;
    SearchTotals totals;
    const auto found = Names(Find(c, &totals), root);
    ::chmod((root + "/locked").c_str(), 0755);
    Strings want{"a/b/deep.png", "a/link.gif", "z.gif"};
    if (canRead)
        want.insert(want.begin() + 2, "locked/secret.png");
    EXPECT_EQ(found, want) << "links to folders are not followed, links to files count";
    EXPECT_EQ(totals.unreadable, canRead ? 0u : 1u);

    // The folder chosen may itself be a link.
    ASSERT_EQ(::symlink((root + "/a").c_str(), (root + "/alias").c_str()), 0);
    c.lookIn = root + "/alias";
    EXPECT_EQ(Names(Find(c), c.lookIn), (Strings{"b/deep.png", "link.gif"}));

    c.lookIn = root + "/does-not-exist";
    EXPECT_TRUE(Find(c, &totals).empty());
    EXPECT_EQ(totals.unreadable, 1u);
}

TEST(FindSearch, AbortStopsTheWalkAtOnce)
{
    vktest::TempDir dir;
    std::string path = dir.Path();
    for (int i = 0; i < 50; ++i) {
        path += "/d";
        ::mkdir(path.c_str(), 0755);
        Touch(path + "/p.png");
    }
    FindCriteria c;
    c.lookIn = dir.Path();
    std::atomic<bool> abort{false};
    int found = 0;
    const SearchTotals totals = SearchTree(
        c, [&] { return abort.load(); },
        [&](const std::string&) {
            if (++found == 10)
                abort = true;
        });
    EXPECT_TRUE(totals.aborted);
    EXPECT_EQ(found, 10) << "nothing reported after the abort";
}

TEST(FindCriteria, FromTheDialogsInput)
{
    // The dialog's own test searches with name, extension and size; here
    // the trailing separator, the date and the unchecked size.
    FindInput in;
    in.lookIn = "/";
    in.extensionIndex = 19; // the last classic choice keeps its place
    in.sizeText = "1";
    in.sizeUnit = UnitKB;
    in.dateChecked = true;
    const std::string fields[6] = {"1", "1", "2000", "1", "2", "2000"};
    std::copy(std::begin(fields), std::end(fields), in.dateFields);
    FindCriteria c = CriteriaFrom(in);
    EXPECT_EQ(c.lookIn, "/") << "the root keeps its separator";
    EXPECT_EQ(c.extension, "tif");
    // The extensions added to the list come after "tif".
    bool jpeg = false;
    for (in.extensionIndex = 20; in.extensionIndex <= kImageExtensionCount; ++in.extensionIndex)
        jpeg = jpeg || CriteriaFrom(in).extension == "jpeg";
    EXPECT_TRUE(jpeg);
    EXPECT_EQ(CriteriaFrom(in).extension, "*.*") << "past the end: all files";
    EXPECT_EQ(c.sizeBytes, 0u) << "unchecked: no size criterion";
    EXPECT_TRUE(c.dateActive);
    EXPECT_EQ(c.dateFrom, LocalTime(2000, 1, 1, 1, 1, 1));

    in.lookIn = "/pics/";
    in.sizeChecked = true;
    in.dateFields[2] = "1969";
    c = CriteriaFrom(in);
    EXPECT_EQ(c.lookIn, "/pics") << "other folders lose it";
    EXPECT_EQ(c.sizeBytes, 1024u);
    EXPECT_FALSE(c.dateActive) << "1969 turns the date criterion off";
}
