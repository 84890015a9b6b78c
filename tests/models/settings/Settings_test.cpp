// The settings record and its two files: exact format, round trips, and
// damaged files that must never lose what was read before the damage.
#include "models/settings/Favorites.h"
#include "models/settings/Settings.h"

#include "ReadOnlyFolder.h"
#include "ScopedEnv.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>

namespace {

// The default record as the file stores it, written out by hand from the
// table of positions.
std::string DefaultText()
{
    std::string s = "1 0 0 0 "; // 1-4
    for (int i = 0; i < 15; ++i)
        s += "1 ";                           // 5-19 associations
    s += "1 1 1 1 1 ";                       // 20-24 compare
    s += "bmp ";                             // 25
    s += "1 1 ";                             // 26-27
    s += "1 1 0 1 0 1 0 0 ";                 // 28-35 print layout
    s += "0 0 0 0 0 0 0 100 100 1 ";         // 36-45
    s += "1 1 2 45 0 1 45 0 0 1 ";           // 46-55
    s += "0 0 0 0 0 0 ";                     // 56-61
    s += "0 0 60 0 0 0 60 0 0 0 0 0 1 0 0 "; // 62-76 save options
    s += "1 0 1 1 ";                         // 77-80
    for (int i = 0; i < 15; ++i)
        s += "1 ";                       // 81-95 shown types
    s += "0 0 0 1 1 1 0 1 0 ";           // 96-104
    s += "1 3 0 0 0 1 1 1 1 1 1 0 0 0 "; // 105-118
    s += "*";                            // 119 empty home
    return s;
}

// A value for every integer position that differs from its default and
// has several digits wherever the range allows.
int32_t OtherValue(int position)
{
    const int32_t def = CSettings::DefaultAt(position);
    for (int32_t candidate : {1234, 359, -100, 89, 100, 11, 10, 8, 3, 2, 1, 0, -1})
        if (candidate != def && CSettings::InRange(position, candidate))
            return candidate;
    ADD_FAILURE() << "no other value for position " << position;
    return def;
}

CSettings OtherRecord()
{
    CSettings s;
    for (int p = 1; p <= CSettings::kPositions; ++p)
        if (int32_t* v = s.IntAt(p))
            *v = OtherValue(p);
    s.compareExtensionText = "tif";
    s.homeDirectory = "/home/some user/My Pictures";
    return s;
}

void ExpectSame(const CSettings& a, const CSettings& b)
{
    for (int p = 1; p <= CSettings::kPositions; ++p)
        if (const int32_t* v = a.IntAt(p)) {
            EXPECT_EQ(*v, *b.IntAt(p)) << "position " << p;
        }
    EXPECT_EQ(a.compareExtensionText, b.compareExtensionText);
    EXPECT_EQ(a.homeDirectory, b.homeDirectory);
}

} // namespace

TEST(SettingsRecord, DefaultsAndPositions)
{
    CSettings s;
    EXPECT_EQ(s.overwritePolicy, 0);
    EXPECT_EQ(s.useRecycleBin, 1);
    EXPECT_EQ(s.slideDelaySeconds, 3);
    EXPECT_EQ(s.rotateAngle, 45);
    EXPECT_EQ(s.compareExtensionText, "bmp");
    EXPECT_TRUE(s.homeDirectory.empty());
    // The position table lines up with the members at both ends and around
    // the strings.
    EXPECT_EQ(s.IntAt(1), &s.sortByName);
    EXPECT_EQ(s.IntAt(24), &s.compareCaseSensitive);
    EXPECT_EQ(s.IntAt(26), &s.comparePreviewSource);
    EXPECT_EQ(s.IntAt(118), &s.imageSizeUnit);
    for (int p : {0, 25, 119, 120})
        EXPECT_EQ(s.IntAt(p), nullptr) << p;
    int integers = 0;
    for (int p = 1; p <= CSettings::kPositions; ++p)
        integers += s.IntAt(p) != nullptr;
    EXPECT_EQ(integers, 117);

    EXPECT_EQ(s.Format(), DefaultText());
    s.sortByName = 0;
    s.SetDefaults();
    EXPECT_EQ(s.Format(), DefaultText());
}

TEST(SettingsFile, RoundTripOfEveryPosition)
{
    vktest::TempDir dir;
    const CSettings written = OtherRecord();
    ASSERT_TRUE(written.Save(dir.File("vk.set")));
    const std::string text = vktest::ReadFile(dir.File("vk.set"));
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_EQ(text.back(), '*');
    EXPECT_NE(text.find(" 1234 "), std::string::npos);
    EXPECT_NE(text.find(" -100 "), std::string::npos);

    CSettings read;
    ASSERT_TRUE(read.Load(dir.File("vk.set")));
    ExpectSame(written, read);

    // A home directory with spaces and even a "*" is the last item.
    CSettings odd;
    odd.homeDirectory = "/srv/a b/c*d  e";
    ASSERT_TRUE(odd.Save(dir.File("odd.set")));
    CSettings back;
    ASSERT_TRUE(back.Load(dir.File("odd.set")));
    EXPECT_EQ(back.homeDirectory, odd.homeDirectory);

    // The extension text cannot shift the tokens after it.
    odd.compareExtensionText = "j p*g";
    EXPECT_TRUE(back.Parse(odd.Format()));
    EXPECT_EQ(back.compareExtensionText, "jpg");
    odd.compareExtensionText.clear();
    odd.slideDelaySeconds = 7;
    EXPECT_TRUE(back.Parse(odd.Format()));
    EXPECT_EQ(back.compareExtensionText, "");
    EXPECT_EQ(back.slideDelaySeconds, 7);
}

TEST(SettingsFile, MissingAndUnwritableFiles)
{
    vktest::TempDir dir;
    CSettings s = OtherRecord();
    EXPECT_FALSE(s.Load(dir.File("absent.set")));
    ExpectSame(s, OtherRecord()); // untouched

    // A folder in the way of the file: Save fails and leaves no temporary.
    ASSERT_EQ(::mkdir(dir.File("vk.set").c_str(), 0755), 0);
    EXPECT_FALSE(s.Save(dir.File("vk.set")));
    EXPECT_FALSE(s.Load(dir.File("vk.set")));
    // A file in the way of the folder.
    vktest::WriteFile(dir.File("plain"), "x");
    EXPECT_FALSE(s.Save(dir.File("plain/vk.set")));

    // Replacing a good file: the new contents, nothing else left behind.
    ASSERT_TRUE(CSettings().Save(dir.File("good.set")));
    ASSERT_TRUE(s.Save(dir.File("good.set")));
    EXPECT_EQ(vktest::ReadFile(dir.File("good.set")), s.Format());
    std::string listing;
    vktest::Run("ls -A " + vktest::Quote(dir.Path()), &listing);
    EXPECT_EQ(listing.find(".good.set"), std::string::npos) << listing;

    // A settings file that is a link to a kept copy stays a link.
    ASSERT_EQ(::symlink("good.set", dir.File("linked.set").c_str()), 0);
    CSettings other;
    other.saveOptions.jpegQuality = 77;
    ASSERT_TRUE(other.Save(dir.File("linked.set")));
    struct stat st {};
    ASSERT_EQ(::lstat(dir.File("linked.set").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(vktest::ReadFile(dir.File("good.set")), other.Format());
}

TEST(SettingsFile, FolderThatRefusesWritesKeepsTheOldFiles)
{
    vktest::TempDir dir;
    vktest::ReadOnlyFolder config(
        dir.File("config"),
        {{"vk.set", "old settings"}, {"vk.ruf", "old recent"}, {"vk.fav", "old favorites"}});
    if (!config.Locked())
        GTEST_SKIP() << "cannot lock a folder here";
    EXPECT_FALSE(OtherRecord().Save(config.File("vk.set")));
    EXPECT_FALSE(CSettings::SaveRecentFolders(config.File("vk.ruf"), {"/home"}));
    EXPECT_FALSE(CFavorites().SaveFavorites(config.File("vk.fav")));
    EXPECT_EQ(vktest::ReadFile(config.File("vk.set")), "old settings");
    EXPECT_EQ(vktest::ReadFile(config.File("vk.ruf")), "old recent");
    EXPECT_EQ(vktest::ReadFile(config.File("vk.fav")), "old favorites");
    std::string listing;
    vktest::Run("ls -A " + vktest::Quote(config.Path()), &listing);
    EXPECT_EQ(listing, "vk.fav\nvk.ruf\nvk.set\n");
}

TEST(SettingsFile, DamagedFilesKeepWhatWasReadBefore)
{
    const CSettings full = OtherRecord();
    const std::string text = full.Format();
    // Cut at every length: each token read whole before the cut is kept,
    // the rest takes defaults, and nothing crashes.
    for (size_t cut = 0; cut < text.size(); ++cut) {
        CSettings s = full;
        EXPECT_FALSE(s.Parse(text.substr(0, cut))) << cut;
        // Count whole tokens (followed by their space) before the cut.
        int whole = 0;
        for (size_t i = 0; i < cut; ++i)
            whole += text[i] == ' ';
        for (int p = 1; p <= 118; ++p) {
            if (p == 25) {
                EXPECT_EQ(s.compareExtensionText, whole >= 25 ? "tif" : "bmp") << cut;
                continue;
            }
            EXPECT_EQ(*s.IntAt(p), p <= whole ? *full.IntAt(p) : CSettings::DefaultAt(p))
                << "cut " << cut << " position " << p;
        }
        EXPECT_TRUE(s.homeDirectory.empty());
    }

    auto withToken = [&](int position, const std::string& token) {
        std::string t;
        size_t at = 0;
        for (int p = 1; p < position; ++p)
            at = text.find(' ', at) + 1;
        const size_t end = text.find(' ', at);
        t = text.substr(0, at) + token + text.substr(end);
        return t;
    };
    struct Case {
        int position;
        std::string token;
    };
    // A number outside its range gets its own default; every other position
    // is still read (one negative margin must not reset the home folder).
    for (const Case& c : {Case{49, "400"}, Case{49, "0"}, Case{56, "-101"}, Case{106, "11"},
                          Case{2, "99999999999"}, Case{36, "-5"}, Case{43, "-1"}}) {
        CSettings s;
        EXPECT_FALSE(s.Parse(withToken(c.position, c.token))) << c.position << " " << c.token;
        for (int p = 1; p <= 118; ++p) {
            if (p == 25)
                continue;
            EXPECT_EQ(*s.IntAt(p), p == c.position ? CSettings::DefaultAt(p) : *full.IntAt(p))
                << "range fault at " << c.position << " '" << c.token << "', position " << p;
        }
        EXPECT_EQ(s.compareExtensionText, full.compareExtensionText);
        EXPECT_EQ(s.homeDirectory, full.homeDirectory);
    }
    // A token that is not a number still ends reading.
    for (const Case& c : {Case{10, "1x"}, Case{10, "x"}, Case{10, ""}, Case{1, "+1"}, Case{36, "-"}}) {
        CSettings s;
        EXPECT_FALSE(s.Parse(withToken(c.position, c.token))) << c.position << " " << c.token;
        for (int p = 1; p <= 118; ++p) {
            if (p == 25)
                continue;
            EXPECT_EQ(*s.IntAt(p), p < c.position ? *full.IntAt(p) : CSettings::DefaultAt(p))
                << "fault at " << c.position << " '" << c.token << "', position " << p;
        }
        EXPECT_TRUE(s.homeDirectory.empty());
    }

    // Binary junk and a file of nothing but spaces.
    CSettings junk;
    EXPECT_FALSE(junk.Parse(std::string("\0\xff\x01 2 3", 7)));
    ExpectSame(junk, CSettings());
    EXPECT_FALSE(junk.Parse(std::string(500, ' ')));
    ExpectSame(junk, CSettings());
}

TEST(SettingsFile, ConfigFolderFromEnvironment)
{
    vktest::TempDir dir;
    vktest::ScopedEnv env({"VELKOR_CONFIG_DIR"});
    const std::string folder = dir.File("cfg dir/velkor");
    vktest::ScopedEnv::Set("VELKOR_CONFIG_DIR", folder);
    EXPECT_EQ(CSettings::SettingsPath(), folder + "/vk.set");
    EXPECT_EQ(CSettings::RecentFoldersPath(), folder + "/vk.ruf");
    CSettings s;
    s.saveOptions.jpegQuality = 95;
    EXPECT_TRUE(s.Save()); // creates the folder
    CSettings back;
    EXPECT_TRUE(back.Load());
    EXPECT_EQ(back.saveOptions.jpegQuality, 95);
    // The favorites live beside the settings.
    CFavorites store;
    store.AddFavorite("Here", dir.Path(), "", 0);
    EXPECT_TRUE(store.SaveFavorites());
    EXPECT_TRUE(vktest::FileExists(folder + "/vk.fav"));
}

TEST(RecentFolders, FormatRoundTripAndDamage)
{
    vktest::TempDir dir;
    const std::vector<std::string> folders{"/home/u", "/media/usb stick/Photos 2020", "/"};
    ASSERT_TRUE(CSettings::SaveRecentFolders(dir.File("vk.ruf"), folders));
    EXPECT_EQ(vktest::ReadFile(dir.File("vk.ruf")), "3*/home/u*/media/usb stick/Photos 2020*/*");
    std::vector<std::string> back;
    ASSERT_TRUE(CSettings::LoadRecentFolders(dir.File("vk.ruf"), back));
    EXPECT_EQ(back, folders);

    std::vector<std::string> none;
    EXPECT_FALSE(CSettings::LoadRecentFolders(dir.File("missing.ruf"), none));
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(CSettings::FormatRecentFolders({}), "0*");

    // Fewer entries than counted: those present are kept.
    std::vector<std::string> partial;
    CSettings::ParseRecentFolders("3*/a*/b*/c", partial);
    EXPECT_EQ(partial, (std::vector<std::string>{"/a", "/b"}));
    for (const char* bad : {"", "*", "x*/a*", "-2*/a*", "99999999999*/a*", "2/a*/b*"}) {
        std::vector<std::string> v;
        CSettings::ParseRecentFolders(bad, v);
        EXPECT_TRUE(v.empty()) << bad;
    }
    // A folder holding "*" cannot be stored and is left out.
    EXPECT_EQ(CSettings::FormatRecentFolders({"/a*b", "/c"}), "1*/c*");
}

TEST(SettingsFile, ClampBringsEveryValueIntoItsRange)
{
    CSettings s;
    s.printMarginLeft = -5;
    s.printThumbWidth = 2000000000;
    s.slideDelaySeconds = 42;
    s.rotateAngle = 0;
    s.ClampAll();
    EXPECT_EQ(s.printMarginLeft, 0);
    EXPECT_EQ(s.printThumbWidth, 1000000);
    EXPECT_EQ(s.slideDelaySeconds, 10);
    EXPECT_EQ(s.rotateAngle, 1);
    for (int p = 1; p <= CSettings::kPositions; ++p)
        if (const int32_t* v = s.IntAt(p)) {
            EXPECT_TRUE(CSettings::InRange(p, *v)) << p;
        }
    CSettings back;
    EXPECT_TRUE(back.Parse(s.Format()));
    ExpectSame(back, s);
}

TEST(SettingsFile, MutatedFilesAlwaysGiveValuesInRange)
{
    const std::string good = OtherRecord().Format();
    const std::string alphabet("0123456789- *x\n\0", 16);
    unsigned state = 99;
    auto next = [&state] { return state = state * 1103515245u + 12345u, state >> 8; };
    for (int round = 0; round < 3000; ++round) {
        std::string text = good;
        for (int edits = 1 + next() % 4; edits > 0; --edits) {
            const size_t at = next() % text.size();
            switch (next() % 3) {
            case 0:
                text[at] = alphabet[next() % alphabet.size()];
                break;
            case 1:
                text.erase(at, 1 + next() % 3);
                break;
            default:
                text.insert(at, 1, alphabet[next() % alphabet.size()]);
                break;
            }
            if (text.empty())
                text = " ";
        }
        CSettings s;
        s.Parse(text);
        for (int p = 1; p <= CSettings::kPositions; ++p)
            if (const int32_t* v = s.IntAt(p)) {
                ASSERT_TRUE(CSettings::InRange(p, *v)) << "position " << p << " in " << text;
            }
        ASSERT_EQ(s.compareExtensionText.find_first_of(" *"), std::string::npos);
        std::vector<std::string> folders;
        CSettings::ParseRecentFolders(text, folders);
    }
}
