// The file list model: the two directory lists in both sort orders, the
// directory search, the mirrored selection, the clipboard and reselection.
#include "models/browser/DirectoryFill.h"
#include "models/browser/FileList.h"
#include "models/browser/FileSpec.h"
#include "models/platform/Drives.h"
#include "models/platform/Folders.h"
#include "models/settings/Settings.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using Names = std::vector<std::string>;

namespace {

void Touch(const vktest::TempDir& dir, const Names& names)
{
    for (const auto& n : names)
        vktest::WriteFile(dir.File(n), "x");
}

// A sparse file of the given size.
void MakeSized(const std::string& path, uint64_t size)
{
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(size)), 0);
    ::close(fd);
}

Names FillByName(const std::string& dir, const CSettings& s = CSettings())
{
    CSettings t = s;
    t.sortByName = 1;
    return vkfill::ListImageFiles(dir, t);
}

Names FillByExtension(const std::string& dir, const CSettings& s = CSettings())
{
    CSettings t = s;
    t.sortByName = 0;
    return vkfill::ListImageFiles(dir, t);
}

} // namespace

TEST(FileListFill, BothSortOrders)
{
    vktest::TempDir dir;
    Touch(dir, {"b.png", "a.bmp", "c.dib", "d.rle", "Zeta.jpg", "alpha.gif", "notes.txt", "e.ILBM", "f.Pict",
                "g.tiff", "README"});
    EXPECT_EQ(FillByName(dir.Path()), (Names{"a.bmp", "alpha.gif", "b.png", "c.dib", "d.rle", "e.ILBM",
                                             "f.Pict", "g.tiff", "Zeta.jpg"}));
    // Groups in the pattern order: bmp dib eps gif ico iff ilbm jpg pbm pct
    // pcx pgm pict png ppm ras rle tga tif, the other extensions among them.
    EXPECT_EQ(FillByExtension(dir.Path()), (Names{"a.bmp", "c.dib", "alpha.gif", "e.ILBM", "Zeta.jpg",
                                                  "f.Pict", "b.png", "d.rle", "g.tiff"}));
}

TEST(FileListFill, WhatIsLeftOut)
{
    vktest::TempDir dir;
    Touch(dir, {"shown.jpg", ".x.jpg", "UPPER.JPG", "Same.png", "same.png", "SAME.PNG"});
    ASSERT_EQ(::mkdir(dir.File("y.jpg").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(dir.File(".hidden").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(dir.File("Sub").c_str(), 0755), 0);
    ASSERT_EQ(::mkfifo(dir.File("pipe.png").c_str(), 0644), 0);
    ASSERT_EQ(::symlink("shown.jpg", dir.File("link.jpg").c_str()), 0);
    ASSERT_EQ(::symlink("Sub", dir.File("linkdir").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", dir.File("dangling.png").c_str()), 0);

    const Names byName = FillByName(dir.Path());
    // Names that differ only in case are all listed, in a fixed order.
    EXPECT_EQ(byName, (Names{"link.jpg", "SAME.PNG", "Same.png", "same.png", "shown.jpg", "UPPER.JPG"}));
    Names byExt = FillByExtension(dir.Path());
    ASSERT_EQ(byExt.size(), 6u);
    // jpg group first, then png; directory order inside a group.
    std::sort(byExt.begin(), byExt.begin() + 3);
    std::sort(byExt.begin() + 3, byExt.end());
    EXPECT_EQ(byExt, (Names{"UPPER.JPG", "link.jpg", "shown.jpg", "SAME.PNG", "Same.png", "same.png"}));

    EXPECT_EQ(vkfill::ListDirectories(dir.Path()), (Names{"..", ".hidden", "linkdir", "Sub", "y.jpg"}));
    EXPECT_TRUE(vkfill::ListImageFiles(dir.File("missing"), CSettings()).empty());
    EXPECT_TRUE(vkfill::ListDirectories(dir.File("missing")).empty());
}

TEST(FileListFill, TypeSwitchesNewerTypesAndRoot)
{
    vktest::TempDir dir;
    Touch(dir, {"a.webp", "b.AVIF", "c.heic", "d.heif", "e.jxl", "f.bmp", "g.tif", "h.jpeg"});
    EXPECT_EQ(FillByExtension(dir.Path()),
              (Names{"b.AVIF", "f.bmp", "c.heic", "d.heif", "h.jpeg", "e.jxl", "g.tif", "a.webp"}));
    CSettings newer;
    newer.showBmp = newer.showTif = 0; // the newer types are listed whatever the settings say
    EXPECT_EQ(FillByName(dir.Path(), newer),
              (Names{"a.webp", "b.AVIF", "c.heic", "d.heif", "e.jxl", "h.jpeg"}));

    // Every name a JPEG or TIFF goes by follows its format's show setting.
    vktest::TempDir photos;
    Touch(photos,
          {"photo.jpeg", "CAMERA.JPG", "old.jfif", "w.JPE", "scan.tiff", "scan2.TIF", "pic.heif", "x.pnm"});
    EXPECT_EQ(FillByName(photos.Path()), (Names{"CAMERA.JPG", "old.jfif", "photo.jpeg", "pic.heif",
                                                "scan.tiff", "scan2.TIF", "w.JPE", "x.pnm"}));
    CSettings noJpeg;
    noJpeg.showJpg = 0;
    noJpeg.showTif = 0;
    EXPECT_EQ(FillByName(photos.Path(), noJpeg), (Names{"pic.heif", "x.pnm"}));

    vktest::TempDir classic;
    Touch(classic, {"a.bmp", "b.dib", "c.rle", "d.png", "e.tif", "f.pct", "g.pict"});
    CSettings s;
    s.showBmp = 0;
    EXPECT_EQ(FillByName(classic.Path(), s), (Names{"d.png", "e.tif", "f.pct", "g.pict"}));
    s.showPct = 0;
    s.showTif = 0;
    EXPECT_EQ(FillByExtension(classic.Path(), s), (Names{"d.png"}));
    s.showPng = 0;
    EXPECT_TRUE(FillByName(classic.Path(), s).empty());

    const Names root = vkfill::ListDirectories("/");
    EXPECT_EQ(std::count(root.begin(), root.end(), ".."), 0);
    EXPECT_EQ(std::count(root.begin(), root.end(), "."), 0);
    EXPECT_NE(std::find(root.begin(), root.end(), "tmp"), root.end());
}

TEST(FileListFill, NameLookupPrefersTheExactEntryThenIgnoresCase)
{
    // Which names belong to which pattern shows in the listings above and in
    // the comparison with the wildcard search below.
    const Names entries{"A.jpg", "b.png", "a.jpg", "Ärger.png"};
    EXPECT_EQ(vkfill::FindEntry(entries, "a.jpg"), 2); // exact wins
    EXPECT_EQ(vkfill::FindEntry(entries, "A.JPG"), 0);
    EXPECT_EQ(vkfill::FindEntry(entries, "B.PNG"), 1);
    EXPECT_EQ(vkfill::FindEntry(entries, "ärger.PNG"), 3);
    EXPECT_EQ(vkfill::FindEntry(entries, "c.png"), -1);
    EXPECT_TRUE(vkfill::SameName("ÄRGER.png", "ärger.PNG"));
    EXPECT_FALSE(vkfill::SameName("a.png", "a.png "));
    EXPECT_FALSE(vkfill::PatternShown(-1, vkfill::ShownTypes{})) << "no pattern is never shown";
}

TEST(FileListSpec, WildcardSearch)
{
    vktest::TempDir dir;
    Touch(dir, {"one.BMP", "two.bmp", "three.png", "bmp"});
    ASSERT_EQ(::mkdir(dir.File("sub.bmp").c_str(), 0755), 0);

    CFileSpec spec;
    EXPECT_FALSE(spec.FindNext()); // no search open
    Names found;
    for (bool more = spec.FindFirst(dir.File("*.bmp")); more; more = spec.FindNext())
        found.push_back(spec.entry.name);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (Names{"one.BMP", "sub.bmp", "two.bmp"}));

    ASSERT_TRUE(spec.FindFirst(dir.File("sub.*")));
    EXPECT_EQ(spec.entry.attributes & vkplatform::kAttrDirectory, vkplatform::kAttrDirectory);
    ASSERT_TRUE(spec.FindFirst(dir.File("three.png")));
    EXPECT_EQ(spec.entry.size, 1u);
    EXPECT_EQ(spec.entry.attributes, vkplatform::kAttrArchive);
    EXPECT_FALSE(spec.FindNext());

    // "*.*" matches every name, "." and ".." included, as the directory
    // search always did.
    int all = 0;
    for (bool more = spec.FindFirst(dir.File("*.*")); more; more = spec.FindNext())
        ++all;
    EXPECT_EQ(all, 7);

    EXPECT_FALSE(spec.FindFirst(dir.File("*.gif")));
    EXPECT_FALSE(spec.IsOpen());
    EXPECT_FALSE(spec.FindFirst(dir.File("missing/*.*")));

    // Relative to the working directory.
    const std::string cwd = vkplatform::WorkingDirectory();
    ASSERT_TRUE(vkplatform::EnterDirectory(dir.Path()));
    EXPECT_TRUE(spec.FindFirst("*.png"));
    EXPECT_EQ(spec.entry.name, "three.png");
    spec.Close();
    vkplatform::EnterDirectory(cwd);

    EXPECT_TRUE(CFileSpec::Matches("a?c*.J*G", "abcdef.jpeg"));
    EXPECT_FALSE(CFileSpec::Matches("*.jpg", "x.jpg.txt"));
    EXPECT_TRUE(CFileSpec::Matches("*", ""));
    EXPECT_FALSE(CFileSpec::Matches("?", ""));
    EXPECT_TRUE(CFileSpec::Matches("**a**", "bab"));
}

TEST(FileListModel, DirectoriesDrivesAndFreeSpace)
{
    CFileList list;
    EXPECT_EQ(list.GetPreviousDir(), "");
    list.SetCurrentDir("/tmp/", true);
    EXPECT_EQ(list.GetCurrentDir(), "/tmp");
    list.SetCurrentDir("/", true);
    EXPECT_EQ(list.GetCurrentDir(), "/");
    EXPECT_EQ(list.GetCurrentDrive(), "/");
    EXPECT_EQ(list.GetPreviousDir(), "/tmp");
    EXPECT_EQ(list.GetPreviousDrive(), vkplatform::MountPointOf("/tmp"));
    list.SetCurrentDir("/tmp", true);
    EXPECT_EQ(list.GetPreviousDir(), "/");
    EXPECT_EQ(list.GetPreviousDrive(), "/");

    // Free space is 64-bit, and a vanished directory reports its drive's.
    vktest::TempDir dir;
    EXPECT_EQ(vkfill::GetFreeSpace(dir.Path()) / (1ull << 30),
              vkplatform::FreeBytes(dir.Path()) / (1ull << 30));
    EXPECT_GT(vkfill::GetFreeSpace(dir.File("gone/away")), 0u);
}

TEST(FileListModel, SelectionMirrorAndTotals)
{
    vktest::TempDir dir;
    const Names entries{"e0.png", "e1.png", "e2.png", "e3.png", "e4.png", "e5.png"};
    for (size_t i = 0; i < entries.size(); ++i)
        vktest::WriteFile(dir.File(entries[i]), std::string(10 * (i + 1), 'x'));

    CFileList list;
    list.SetCurrentDir(dir.Path(), true);
    // Clicked in the order 2, 5, 3: the list order is what counts.
    std::vector<bool> selected(6, false);
    for (int row : {2, 5, 3})
        selected[static_cast<size_t>(row)] = true;
    list.UpdateSelection(entries, selected);
    EXPECT_EQ(list.SelectedNames(), (Names{"e2.png", "e3.png", "e5.png"}));
    EXPECT_EQ(list.GetCurrentFile(), "e5.png");
    EXPECT_EQ(list.GetSelectedTotal(), 30u + 40u + 60u);
    EXPECT_EQ(list.GetSelected(1), "e3.png");
    EXPECT_EQ(list.GetSelected(3), "");

    // A file that vanished still counts as selected and adds nothing.
    list.UpdateSelection(Names{"e0.png", "gone.png"});
    EXPECT_EQ(list.GetSelectedCount(), 2);
    EXPECT_EQ(list.GetSelectedTotal(), 10u);
    EXPECT_EQ(list.GetCurrentFile(), "gone.png");

    list.UpdateSelection(entries, std::vector<bool>(6, false));
    EXPECT_EQ(list.GetCurrentFile(), "");
    EXPECT_EQ(list.GetSelectedCount(), 0);

    // The clipboard keeps its copy while the selection moves on.
    list.UpdateSelection(Names{"e1.png", "e4.png"});
    list.isCopy = true;
    EXPECT_EQ(list.RememberClipboard(), 2);
    list.SetCurrentDir("/", true);
    EXPECT_EQ(list.GetSelectedCount(), 0);
    EXPECT_EQ(list.GetSelectedTotal(), 0u);
    EXPECT_EQ(list.GetCurrentFile(), "");
    EXPECT_EQ(list.GetClipboardCount(), 2);
    EXPECT_EQ(list.GetClipboardName(1), "e4.png");
    EXPECT_EQ(list.GetClipboardName(2), "");
    EXPECT_EQ(list.GetSourceDir(), dir.Path());
    EXPECT_EQ(list.GetTotalSize(), 20u + 50u);
    list.ClearClipboard();
    EXPECT_EQ(list.GetClipboardCount(), 0);
}

TEST(FileListModel, TotalsBeyondFourGigabytes)
{
    vktest::TempDir dir;
    MakeSized(dir.File("big1.tif"), 3ull << 30);
    MakeSized(dir.File("big2.tif"), 3ull << 30);
    CFileList list;
    list.SetCurrentDir(dir.Path(), true);
    list.UpdateSelection(Names{"big1.tif", "big2.tif"});
    EXPECT_EQ(list.GetSelectedTotal(), 6ull << 30); // no wrap at 4 GB
    list.RememberClipboard();
    EXPECT_EQ(list.GetTotalSize(), 6ull << 30);
}

TEST(FileListModel, ExtensionAndTitle)
{
    EXPECT_EQ(CFileList::GetExtension("photo.tar.gz"), "gz");
    EXPECT_EQ(CFileList::GetTitle("photo.tar.gz"), "photo.tar");
    EXPECT_EQ(CFileList::GetExtension("README"), "README");
    EXPECT_EQ(CFileList::GetTitle("README"), "");
    EXPECT_EQ(CFileList::GetExtension(".hidden"), ".hidden") << "a hidden name has no extension";
    EXPECT_EQ(CFileList::GetTitle(".hidden"), "");
    EXPECT_EQ(CFileList::GetExtension("dot."), "");
    CFileList list;
    list.SetCurrentFile("Beach.JPG");
    EXPECT_EQ(list.GetCurrentExtension(), "JPG");
    EXPECT_EQ(list.GetCurrentTitle(), "Beach");
}

TEST(FileListModel, ReselectAfterFill)
{
    vktest::TempDir dir;
    CFileList list;
    list.SetCurrentDir(dir.Path(), true);
    list.UpdateSelection(Names{"a.png", "c.png"});

    // Every name found: rows in the new order, the model left as it was.
    auto r = vkfill::ReselectAfterFill(Names{"c.png", "b.png", "a.png"}, list);
    EXPECT_TRUE(r.allFound);
    EXPECT_FALSE(r.clearView);
    EXPECT_EQ(r.selectedRows, (std::vector<int>{0, 2}));
    EXPECT_EQ(list.GetCurrentFile(), "c.png");

    // An exact-case entry wins over one that differs only in case.
    list.UpdateSelection(Names{"a.png"});
    r = vkfill::ReselectAfterFill(Names{"A.png", "a.png"}, list);
    EXPECT_EQ(r.selectedRows, (std::vector<int>{1}));
    // Two selected names differing in case each find their own entry.
    list.UpdateSelection(Names{"A.png", "a.png"});
    r = vkfill::ReselectAfterFill(Names{"a.png", "b.png", "A.png"}, list);
    EXPECT_EQ(r.selectedRows, (std::vector<int>{0, 2}));
    EXPECT_TRUE(r.allFound);
    // Without an exact entry a case-insensitive one is taken.
    list.UpdateSelection(Names{"x.PNG"});
    r = vkfill::ReselectAfterFill(Names{"w.png", "x.png"}, list);
    EXPECT_EQ(r.selectedRows, (std::vector<int>{1}));
    EXPECT_TRUE(r.allFound);

    // A vanished name: the model mirrors what remains; the current file
    // survived, so the view stays.
    list.UpdateSelection(Names{"gone.png", "kept.png"});
    r = vkfill::ReselectAfterFill(Names{"kept.png", "z.png"}, list);
    EXPECT_FALSE(r.allFound);
    EXPECT_FALSE(r.clearView);
    EXPECT_EQ(list.SelectedNames(), (Names{"kept.png"}));
    EXPECT_EQ(list.GetCurrentFile(), "kept.png");

    // The current file vanished: clear the view, current file moves on.
    list.UpdateSelection(Names{"kept.png", "last.png"});
    r = vkfill::ReselectAfterFill(Names{"kept.png"}, list);
    EXPECT_TRUE(r.clearView);
    EXPECT_EQ(list.GetCurrentFile(), "kept.png");

    // An empty directory.
    r = vkfill::ReselectAfterFill(Names{}, list);
    EXPECT_TRUE(r.clearView);
    EXPECT_EQ(list.GetSelectedCount(), 0);
    EXPECT_EQ(list.GetCurrentFile(), "");
}

// One read classified by extension gives what one wildcard search per
// pattern gives, with hidden, system and directory entries left out.
TEST(FileListFill, OneReadEqualsOneSearchPerPattern)
{
    vktest::TempDir dir;
    const char* exts[] = {"bmp", "DIB",  "eps", "gif", "ico", "iff", "ilbm", "jpg", "Pbm",  "pct",  "pcx",
                          "pgm", "pict", "png", "ppm", "ras", "rle", "tga",  "tif", "tiff", "jpeg", "txt"};
    unsigned state = 5;
    for (int i = 0; i < 400; ++i) {
        state = state * 1103515245u + 12345u;
        std::string name = std::string((state >> 9) % 7 == 0 ? "." : "") + "f" + std::to_string(i) + "." +
                           exts[(state >> 16) % (sizeof exts / sizeof *exts)];
        if ((state >> 24) % 13 == 0)
            ASSERT_EQ(::mkdir(dir.File(name).c_str(), 0755), 0);
        else if ((state >> 24) % 13 == 1)
            ASSERT_EQ(::mkfifo(dir.File(name).c_str(), 0644), 0);
        else
            vktest::WriteFile(dir.File(name), "x");
    }
    CSettings s;
    s.showGif = 0;
    s.showPct = 0;
    const vkfill::ShownTypes shown = vkfill::ShownTypesOf(s);

    Names searched;
    CFileSpec spec;
    for (int p = 0; p < vkfill::kPatternCount; ++p) {
        if (!vkfill::PatternShown(p, shown))
            continue;
        const std::string pattern = dir.File(std::string("*.") + vkfill::PatternExtension(p));
        for (bool more = spec.FindFirst(pattern); more; more = spec.FindNext())
            if ((spec.entry.attributes &
                 (vkplatform::kAttrHidden | vkplatform::kAttrSystem | vkplatform::kAttrDirectory)) == 0)
                searched.push_back(spec.entry.name);
    }
    ASSERT_GT(searched.size(), 100u);
    EXPECT_EQ(vkfill::ListImageFiles(dir.Path(), false, shown), searched);

    Names sorted = searched;
    vkfill::SortNames(sorted);
    EXPECT_EQ(vkfill::ListImageFiles(dir.Path(), true, shown), sorted);
}
