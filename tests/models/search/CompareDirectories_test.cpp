// Compare Directories: candidates of a folder and the matching of source
// against destination files, checked against the plain pairwise rule.
#include "models/search/CompareDirectories.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <sys/time.h>

using namespace vkcompare;

namespace {

using Strings = std::vector<std::string>;

void Touch(const std::string& path, size_t size, int64_t modified)
{
    vktest::WriteFile(path, std::string(size, 'x'));
    const timeval times[2] = {{time_t(modified), 0}, {time_t(modified), 0}};
    ::utimes(path.c_str(), times);
}

CandidateFile File(const std::string& name, uint64_t size, int64_t modified)
{
    CandidateFile f;
    f.fileName = name;
    const size_t dot = name.rfind('.');
    f.title = name.substr(0, dot);
    f.extension = name.substr(dot + 1);
    f.size = size;
    f.modified = modified;
    return f;
}

// The rows the plain pairwise comparison gives: every source file against
// every destination file, in order.
CompareResult Pairwise(const CompareCriteria& c, const std::vector<CandidateFile>& src,
                       const std::vector<CandidateFile>& dst)
{
    CompareResult r;
    std::vector<bool> added(dst.size());
    for (size_t s = 0; s < src.size(); ++s) {
        bool first = true;
        for (size_t d = 0; d < dst.size(); ++d) {
            if (!Matches(c, src[s], dst[d]))
                continue;
            if (first)
                r.source.push_back(s);
            first = false;
            if (!added[d])
                r.destination.push_back(d);
            added[d] = true;
        }
    }
    return r;
}

CompareResult Indexed(const CompareCriteria& c, const std::vector<CandidateFile>& src,
                      const std::vector<CandidateFile>& dst)
{
    std::atomic<bool> abort{false};
    return Compare(c, src, dst, [&] { return abort.load(); });
}

CompareCriteria Criteria(bool name, bool size, bool date, bool caseSensitive = false)
{
    CompareCriteria c;
    c.byName = name;
    c.bySize = size;
    c.byDate = date;
    c.caseSensitive = caseSensitive;
    return c;
}

} // namespace

TEST(CompareMatch, NameSizeDateRules)
{
    const auto photoBmp = File("Photo.bmp", 100, 1000);
    const auto photoJpg = File("photo.jpg", 200, 1000);
    EXPECT_TRUE(Matches(Criteria(true, false, false), photoBmp, photoJpg));
    EXPECT_FALSE(Matches(Criteria(true, false, false, true), photoBmp, photoJpg)) << "case sensitive";
    EXPECT_FALSE(Matches(Criteria(true, true, false), photoBmp, photoJpg));
    EXPECT_TRUE(Matches(Criteria(true, false, true), photoBmp, photoJpg));
    EXPECT_TRUE(Matches(Criteria(false, true, false), File("empty.bmp", 0, 5), photoJpg))
        << "a source file of size 0 matches any size";
    EXPECT_FALSE(Matches(Criteria(false, true, false), photoJpg, File("empty.bmp", 0, 5)));
    EXPECT_FALSE(Matches(Criteria(false, false, true), photoBmp, File("x.gif", 100, 1001)));
    EXPECT_TRUE(Matches(Criteria(false, false, false), photoBmp, File("x.gif", 1, 1)))
        << "extension alone: every pair";
    EXPECT_TRUE(Matches(Criteria(true, false, false), File("ÉTÉ.png", 1, 1), File("été.gif", 2, 2)));
    EXPECT_TRUE(Matches(Criteria(false, true, false), File("big.tif", uint64_t(6) << 32, 1),
                        File("big2.tif", uint64_t(6) << 32, 9)));
    EXPECT_FALSE(
        Matches(Criteria(false, true, false), File("big.tif", uint64_t(6) << 32, 1), File("small.tif", 0, 9)))
        << "64-bit sizes";
}

TEST(CompareMatch, LookupGivesThePairwiseRowsForEveryCombination)
{
    // Small value ranges so that names, sizes and dates collide often,
    // with some empty source files and names that differ only in case.
    std::mt19937 random(7);
    const Strings titles{"a", "A", "b", "B", "c", "photo", "Photo", "z"};
    const Strings exts{"bmp", "jpg", "GIF"};
    auto make = [&](int n) {
        std::vector<CandidateFile> files;
        for (int i = 0; i < n; ++i)
            files.push_back(File(titles[random() % titles.size()] + std::to_string(random() % 3) + "." +
                                     exts[random() % exts.size()],
                                 random() % 4 == 0 ? 0 : random() % 3 * 100, int64_t(random() % 3)));
        return files;
    };
    for (int round = 0; round < 20; ++round) {
        const auto src = make(40);
        const auto dst = make(40);
        for (int mask = 0; mask < 16; ++mask) {
            const CompareCriteria c = Criteria(mask & 1, mask & 2, mask & 4, mask & 8);
            const CompareResult want = Pairwise(c, src, dst);
            const CompareResult got = Indexed(c, src, dst);
            ASSERT_EQ(got.source, want.source) << "round " << round << " criteria " << mask;
            ASSERT_EQ(got.destination, want.destination) << "round " << round << " criteria " << mask;
        }
    }
}

TEST(CompareMatch, ExtensionAloneListsEveryFileOnceAndAbortStops)
{
    const std::vector<CandidateFile> src{File("Photo.bmp", 10, 1), File("zero.bmp", 0, 1),
                                         File("x.bmp", 7, 1)};
    const std::vector<CandidateFile> dst{File("photo.jpg", 20, 1), File("other.png", 30, 2),
                                         File("y.gif", 7, 1)};
    CompareCriteria ext;
    ext.byExtension = true;
    const CompareResult r = Indexed(ext, src, dst);
    EXPECT_EQ(r.source, (std::vector<size_t>{0, 1, 2}));
    EXPECT_EQ(r.destination, (std::vector<size_t>{0, 1, 2}));
    EXPECT_FALSE(r.aborted);
    EXPECT_TRUE(Compare(ext, src, dst, [] { return true; }).aborted);
}

TEST(CompareCandidates, ListedSortedAndFiltered)
{
    vktest::TempDir dir;
    Touch(dir.File("b.JPG"), 3, 86400 * 365 * 30);
    Touch(dir.File("A.jpg"), 1, 86400 * 365 * 30);
    Touch(dir.File("c.png"), 2, 86400 * 365 * 30);
    Touch(dir.File("d.jpeg"), 2, 86400 * 365 * 30);
    Touch(dir.File("noext"), 2, 86400 * 365 * 30);
    vktest::WriteFile(dir.File("big.tif"), "");
    ::truncate(dir.File("big.tif").c_str(), int64_t(5) << 30); // sparse, 5 GB
    ::mkdir(dir.File("folder.png").c_str(), 0755);

    CompareCriteria c;
    bool readable = false;
    auto files = ListCandidates(dir.Path(), c, &readable);
    EXPECT_TRUE(readable);
    Strings names;
    for (const auto& f : files)
        names.push_back(f.fileName);
    EXPECT_EQ(names, (Strings{"A.jpg", "b.JPG", "big.tif", "c.png", "d.jpeg"}));
    ASSERT_EQ(files.size(), 5u);
    EXPECT_EQ(files[1].title, "b");
    EXPECT_EQ(files[1].extension, "JPG");
    EXPECT_EQ(files[2].size, uint64_t(5) << 30);
    // Month, day and year of the local date: noon UTC is that day in most zones.
    EXPECT_EQ(DateText(946080000 + 43200), "12 25 1999");

    c.byExtension = true;
    c.extensionText = "jpg";
    names.clear();
    for (const auto& f : ListCandidates(dir.Path(), c))
        names.push_back(f.fileName);
    EXPECT_EQ(names, (Strings{"A.jpg", "b.JPG"}));

    EXPECT_TRUE(ListCandidates(dir.File("missing"), c, &readable).empty());
    EXPECT_FALSE(readable);
}
