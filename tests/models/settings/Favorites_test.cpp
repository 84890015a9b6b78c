// The favorites store and "vk.fav".
#include "models/settings/Favorites.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

TEST(Favorites, ExactFileFormatAndRoundTrip)
{
    vktest::TempDir dir;
    CFavorites store;
    ASSERT_TRUE(store.SaveFavorites(dir.File("empty.fav")));
    EXPECT_EQ(vktest::ReadFile(dir.File("empty.fav")), "0*");

    ASSERT_TRUE(store.AddFavorite("Work", "/home/u/Work", "", 0));
    ASSERT_TRUE(store.SaveFavorites(dir.File("vk.fav")));
    EXPECT_EQ(vktest::ReadFile(dir.File("vk.fav")), "1*Work*/home/u/Work**0*");

    ASSERT_TRUE(store.AddFavorite("Holiday shot", "/media/usb stick/2020", "Beach.JPG",
                                  CFavorites::IconIndexFor("Beach.JPG")));
    ASSERT_TRUE(store.AddFavorite("Root", "/", "", 0));
    ASSERT_TRUE(store.SaveFavorites(dir.File("vk.fav")));
    EXPECT_EQ(vktest::ReadFile(dir.File("vk.fav")),
              "3*Work*/home/u/Work**0*Holiday shot*/media/usb stick/2020*Beach.JPG*6*Root*/**0*");

    CFavorites back;
    ASSERT_TRUE(back.LoadFavorites(dir.File("vk.fav")));
    ASSERT_EQ(back.GetCount(), 3);
    EXPECT_EQ(back.favoriteNames, store.favoriteNames);
    EXPECT_EQ(back.favoriteFolders, store.favoriteFolders);
    EXPECT_EQ(back.favoriteFiles, store.favoriteFiles);
    EXPECT_EQ(back.favoriteIcons, store.favoriteIcons);

    CFavorites none;
    EXPECT_FALSE(none.LoadFavorites(dir.File("missing.fav")));
    EXPECT_EQ(none.GetCount(), 0);
}

TEST(Favorites, AddRenameDeleteGet)
{
    CFavorites store;
    store.AddFavorite("Work", "/w", "", 0);
    store.AddFavorite("Cat", "/p", "cat.png", 11);
    store.AddFavorite("Dog", "/p", "dog.gif", 3);
    EXPECT_EQ(store.FindName("WORK"), 0);
    EXPECT_EQ(store.FindName("dog"), 2);
    EXPECT_EQ(store.FindName("Bird"), -1);

    // Names are unique ignoring case in every script, not only ASCII.
    store.AddFavorite("Straße", "/s", "", 0);
    store.AddFavorite("Ärger", "/a", "", 0);
    store.AddFavorite("Σοφία", "/g", "", 0);
    store.AddFavorite("Жук", "/r", "", 0);
    EXPECT_EQ(store.FindName("STRASSE"), 3);
    EXPECT_EQ(store.FindName("ärger"), 4);
    EXPECT_EQ(store.FindName("ΣΟΦΊΑ"), 5);
    EXPECT_EQ(store.FindName("жук"), 6);
    EXPECT_EQ(store.FindName("Жуки"), -1);
    EXPECT_EQ(store.CheckName("WORK"), CFavorites::NameCheck::Taken);
    EXPECT_EQ(store.CheckName("ЖУК"), CFavorites::NameCheck::Taken);
    EXPECT_EQ(store.CheckName(""), CFavorites::NameCheck::Empty);
    EXPECT_EQ(store.CheckName("a*b"), CFavorites::NameCheck::Unstorable);
    EXPECT_EQ(store.CheckName("Holiday"), CFavorites::NameCheck::Ok);
    for (int i = 6; i >= 3; --i)
        store.DeleteFavorite(i);

    EXPECT_TRUE(store.RenameFavorite(1, "Kitten"));
    EXPECT_FALSE(store.RenameFavorite(3, "x"));
    EXPECT_FALSE(store.RenameFavorite(-1, "x"));
    Favorite f;
    ASSERT_TRUE(store.GetFavorite(1, f));
    EXPECT_EQ(f.name, "Kitten");
    EXPECT_EQ(f.folder, "/p");
    EXPECT_EQ(f.file, "cat.png");
    EXPECT_EQ(f.icon, 11);
    EXPECT_FALSE(store.GetFavorite(5, f));

    // Deleting keeps the four arrays in step.
    EXPECT_TRUE(store.DeleteFavorite(0));
    EXPECT_FALSE(store.DeleteFavorite(2));
    ASSERT_EQ(store.GetCount(), 2);
    EXPECT_EQ(store.GetFavorite(0).name, "Kitten");
    EXPECT_EQ(store.GetFavorite(1).file, "dog.gif");
    EXPECT_EQ(store.favoriteIcons, (std::vector<int32_t>{11, 3}));
    EXPECT_EQ(store.favoriteFolders.size(), 2u);
    EXPECT_EQ(store.favoriteFiles.size(), 2u);

    // "*" would split a record in the file.
    EXPECT_FALSE(store.AddFavorite("a*b", "/x", "", 0));
    EXPECT_FALSE(store.AddFavorite("ok", "/x*y", "", 0));
    EXPECT_FALSE(store.RenameFavorite(0, "*"));
    EXPECT_EQ(store.GetCount(), 2);

    // Deleting every favorite writes an empty store.
    store.DeleteFavorite(0);
    store.DeleteFavorite(0);
    EXPECT_EQ(store.Format(), "0*");
}

TEST(Favorites, IconIndexByExtension)
{
    const std::pair<const char*, int> cases[] = {
        {"", 0},          {"a.bmp", 1},  {"a.DIB", 1},  {"a.rle", 1},   {"a.eps", 2},   {"a.gif", 3},
        {"a.ico", 4},     {"a.iff", 5},  {"a.ILBM", 5}, {"a.jpg", 6},   {"a.pbm", 7},   {"a.pct", 8},
        {"a.pict", 8},    {"a.pcx", 9},  {"a.pgm", 10}, {"a.png", 11},  {"a.ppm", 12},  {"a.ras", 13},
        {"a.tga", 14},    {"a.TIF", 15}, {"a.jpeg", 6}, {"a.tiff", 15}, {"a.webp", 16}, {"README", 0},
        {"x.tar.gif", 3}, {"a.", 0},     {"a.txt", 0},
    };
    for (const auto& [file, icon] : cases)
        EXPECT_EQ(CFavorites::IconIndexFor(file), icon) << file;
}

TEST(Favorites, DamagedFileKeepsWholeRecords)
{
    CFavorites s;
    s.Parse("3*A*/a**0*B*/b*b.png*11*C*/c*");
    ASSERT_EQ(s.GetCount(), 2);
    EXPECT_EQ(s.GetFavorite(1).file, "b.png");

    // An icon that is not a number falls back to the file's icon.
    CFavorites t;
    t.Parse("1*A*/a*x.gif*zz*");
    ASSERT_EQ(t.GetCount(), 1);
    EXPECT_EQ(t.GetFavorite(0).icon, 3);

    for (const char* bad : {"", "*", "1234567*A*/a**0*", "-1*A*/a**0*", "x*A*/a**0*", "0*A*/a**0*"}) {
        CFavorites u;
        u.Parse(bad);
        EXPECT_EQ(u.GetCount(), 0) << bad;
    }
    // A huge count with little data reads what is there and stops.
    CFavorites v;
    v.Parse("999999*A*/a**0*");
    EXPECT_EQ(v.GetCount(), 1);
}
