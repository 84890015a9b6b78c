// The format registry: codes, names and extensions that map back to their
// row, the tables derived from it for the file list, the save dialog and the
// help, and a file of every format recognised as its row.
#include "RawFiles.h"
#include "TestSupport.h"
#include "engine/metadata/Metadata.h"
#include "engine/picture/AnyPicDecoder.h"
#include "engine/picture/WinBmp.h"
#include "engine/save/SaveDispatch.h"
#include "engine/save/SaveNames.h"

#include <cctype>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <string_view>

using namespace vktest;

namespace {

const PictureFormatInfo* DetectedRow(const std::string& bytes)
{
    return CAnyPicDecoder::Detect(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

} // namespace

TEST(FormatRegistry, CodesNamesAndExtensionsMapBackToTheirRow)
{
    std::set<int> formats, detections, saveCodes, slots;
    std::set<std::string> names, listed, saved;
    for (const PictureFormatInfo& row : kPictureFormats) {
        SCOPED_TRACE(row.name);
        EXPECT_TRUE(formats.insert(row.format).second);
        EXPECT_TRUE(detections.insert(row.detected).second);
        EXPECT_TRUE(names.insert(row.name).second);
        EXPECT_NE(row.detected, kDetectedNone);
        EXPECT_EQ(FindPictureFormat(row.format), &row);
        EXPECT_STREQ(FormatName(row.format), row.name);
        ASSERT_NE(row.detect, nullptr);
        ASSERT_NE(row.makeDecoder, nullptr);
        EXPECT_NE(row.makeDecoder(), nullptr);
        EXPECT_TRUE(row.storedOrientation || !row.orientationLeft) << "a rest of nothing";
        bool anyListed = false;
        for (const FileKind& kind : row.kinds) {
            for (const char* e : kind.extensions) {
                if (!e)
                    continue;
                anyListed = true;
                EXPECT_TRUE(listed.insert(e).second) << e;
                EXPECT_EQ(FormatOfListedExtension(e), &row) << e;
                EXPECT_EQ(FileKindOfExtension(e), &kind) << e;
                std::string upper = e;
                for (char& c : upper)
                    c = char(std::toupper(static_cast<unsigned char>(c)));
                EXPECT_EQ(FormatOfListedExtension(upper), &row) << upper;
            }
            if (!kind.extensions[0])
                continue;
            EXPECT_NE(kind.mimeType, nullptr) << kind.extensions[0];
            EXPECT_NE(kind.openName, nullptr) << kind.extensions[0];
            EXPECT_LT(kind.slot, kSettingSlotCount);
            if (kind.slot >= 0) {
                EXPECT_TRUE(slots.insert(kind.slot).second) << kind.extensions[0];
                EXPECT_EQ(FileKindOfSlot(kind.slot), &kind);
                EXPECT_EQ(FavoriteIconOf(std::string("a.") + kind.extensions[0]), kind.slot + 1);
            }
        }
        EXPECT_TRUE(anyListed) << "every format read is shown in the list";
        for (const SaveTarget& t : row.saved) {
            if (!t.extension)
                continue;
            EXPECT_TRUE(saveCodes.insert(t.code).second) << t.extension;
            EXPECT_TRUE(saved.insert(t.extension).second) << t.extension;
            EXPECT_TRUE(listed.count(t.extension)) << "a written file is listed: " << t.extension;
            EXPECT_EQ(SaveFormatFromExtension(t.extension), t.code);
            EXPECT_STREQ(SaveExtensionOf(t.code), t.extension);
            EXPECT_EQ(SaveTargetOfCode(t.code), SaveTargetOfExtension(t.extension));
            EXPECT_NE(std::string(t.filterText).find(std::string("(*.") + t.extension + ")"),
                      std::string::npos);
        }
    }
    EXPECT_STREQ(FormatName(FormatNone), "");
    EXPECT_EQ(FindPictureFormat(FormatNone), nullptr);
    EXPECT_EQ(FormatOfListedExtension("jpeg"), FindPictureFormat(FormatJPEG));
    EXPECT_EQ(FormatOfListedExtension("TIFF"), FindPictureFormat(FormatTIFF));
    EXPECT_EQ(FormatOfListedExtension("heif"), FindPictureFormat(FormatHEIF));
    EXPECT_EQ(FormatOfListedExtension("txt"), nullptr);
    EXPECT_EQ(slots.size(), size_t(kSettingSlotCount)) << "every show and associate flag has its kind";
    EXPECT_EQ(FormatOfListedExtension(""), nullptr);
    EXPECT_EQ(SaveTargetOfExtension("heif"), nullptr) << "read only; HEIC is written as .heic";
    EXPECT_EQ(SaveTargetOfExtension("ico"), nullptr) << "read only";

    // The file list's patterns: each listed extension once, alphabetical.
    ASSERT_EQ(kListPatterns.size(), listed.size());
    for (size_t i = 1; i < kListPatterns.size(); ++i)
        EXPECT_LT(std::string_view(kListPatterns[i - 1].extension),
                  std::string_view(kListPatterns[i].extension));
    // The save dialog's targets: each once, in dialog order, and the same
    // order in Save As and Convert.
    ASSERT_EQ(kSaveTargets.size(), saved.size());
    ASSERT_EQ(SaveFilters().size(), kSaveTargets.size());
    ASSERT_EQ(ConvertFormats().size(), kSaveTargets.size());
    for (size_t i = 0; i < kSaveTargets.size(); ++i) {
        EXPECT_EQ(kSaveTargets[i].dialogPosition, int(i));
        EXPECT_EQ(SaveFilters()[i].code, kSaveTargets[i].code);
        EXPECT_EQ(ConvertFormats()[i].code, kSaveTargets[i].code);
        EXPECT_EQ(std::string(ConvertFormats()[i].extension), std::string(".") + kSaveTargets[i].extension);
    }
    // The help's lists: every row read, every target written, by name.
    const std::vector<ReadableFormat> readable = ReadableFormats();
    ASSERT_EQ(readable.size(), kPictureFormatCount);
    EXPECT_STREQ(readable[0].name, "BMP");
    EXPECT_EQ(std::vector<std::string>(readable[0].extensions.begin(), readable[0].extensions.end()),
              (std::vector<std::string>{"bmp", "dib", "rle"}));
    const std::vector<WritableFormat> writable = WritableFormats();
    ASSERT_EQ(writable.size(), kSaveTargets.size());
    EXPECT_STREQ(writable[3].name, "PNM");
    EXPECT_STREQ(writable[3].target->extension, "ppm");
}

// The lists users and settings know keep their classic entries in their
// places; what the registry adds comes after them.
TEST(FormatRegistry, ClassicListsKeepTheirPlacesAndNewEntriesFollow)
{
    const std::vector<std::string> classic = {"bmp", "dib", "eps", "gif", "ico", "iff",  "ilbm",
                                              "jpg", "pbm", "pct", "pcx", "pgm", "pict", "png",
                                              "ppm", "ras", "rle", "tga", "tif"};
    ASSERT_GT(kExtensionChoices.size(), classic.size());
    for (size_t i = 0; i < classic.size(); ++i)
        EXPECT_STREQ(kExtensionChoices[i], classic[i].c_str());
    std::set<std::string> added(kExtensionChoices.begin() + std::ptrdiff_t(classic.size()),
                                kExtensionChoices.end());
    for (const char* e : {"jpeg", "jpe", "jfif", "tiff", "webp", "avif", "heic", "heif", "jxl", "pnm"})
        EXPECT_TRUE(added.count(e)) << e;

    std::vector<std::string> display;
    for (const FileKind* kind : DisplayKinds())
        display.emplace_back(kind->displayLabel);
    EXPECT_EQ(display, (std::vector<std::string>{
                           "Windows Bitmap (BMP, DIB, RLE)", "JPEG/JFIF (JPG)", "Tag Image File Format (TIF)",
                           "TrueVision Targa (TGA)", "Portable Network Graphics (PNG)",
                           "Graphics Interchange Format (GIF)", "Macintosh PICT (PCT, PICT)", "Icons (ICO)",
                           "Interchange File Format (IFF, ILBM)", "ZSoft Paintbrush (PCX)",
                           "Sun Rasterfile (RAS)", "EPS TIFF Preview (EPS)", "Portable Pixmap (PPM)",
                           "Portable Graymap (PGM)", "Portable Bitmap (PBM)"}));
    // Show flags in settings order: bmp eps gif ico iff jpg pbm pct pcx pgm png ppm ras tga tif.
    EXPECT_EQ(FileKindOfExtension("jpeg")->slot, 5);
    EXPECT_EQ(FileKindOfExtension("TIFF")->slot, 14);
    EXPECT_EQ(FileKindOfExtension("webp")->slot, -1);
    EXPECT_EQ(FavoriteIconOf("scan.tiff"), 15);
    EXPECT_EQ(FavoriteIconOf("photo.JPEG"), 6);
    EXPECT_EQ(FavoriteIconOf("new.avif"), kSettingSlotCount + 1);
    EXPECT_EQ(FavoriteIconOf("notes.txt"), 0);

    const std::vector<std::string> filters = OpenFilters();
    ASSERT_GE(filters.size(), 21u);
    EXPECT_EQ(filters[0].rfind("All pictures (*.3fr *.arw *.avif *.bmp ", 0), 0u) << filters[0];
    for (const char* e : {"*.jpeg", "*.tiff", "*.heif", "*.jxl", "*.pbm"})
        EXPECT_NE(filters[0].find(e), std::string::npos) << e;
    EXPECT_EQ(filters[1], "Windows Bitmap (*.bmp *.dib *.rle)");
    EXPECT_EQ(filters[2], "JPEG (*.jpg *.jpeg *.jpe *.jfif)");
    EXPECT_EQ(filters[15], "Icon Files (*.ico)");
    EXPECT_EQ(filters[16], "WebP (*.webp)");
}

// The newer formats are written from their rows: each a quality dialog
// naming the values it shows, the parameters they become, and camera data
// the writer embeds itself (exiv2 does not rewrite these files).
TEST(FormatRegistry, NewerTargetsDescribeTheirOptions)
{
    const struct {
        const char* extension;
        PictureFormat format;
        const char* title;
        bool lossless, speed, effort, distance;
    } newer[] = {
        {"webp", FormatWEBP, "WebP Options", true, false, false, false},
        {"avif", FormatAVIF, "AVIF Options", false, true, false, false},
        {"jxl", FormatJXL, "JPEG XL Options", true, false, true, true},
        {"heic", FormatHEIF, "HEIC Options", false, false, false, false},
    };
    std::set<std::string> keys;
    for (const NewerSaveValue& v : kNewerSaveValues)
        keys.insert(v.key);
    for (const auto& n : newer) {
        SCOPED_TRACE(n.extension);
        const SaveTarget* t = SaveTargetOfExtension(n.extension);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(FormatOfListedExtension(n.extension), FindPictureFormat(n.format));
        EXPECT_GE(t->dialogPosition, 12) << "after the classic twelve";
        EXPECT_EQ(t->options.dialog, SaveDialog::Quality);
        EXPECT_STREQ(t->options.title, n.title);
        ASSERT_NE(t->options.quality, nullptr);
        EXPECT_EQ(t->options.lossless != nullptr, n.lossless);
        EXPECT_EQ(t->options.speed != nullptr, n.speed);
        EXPECT_EQ(t->options.effort != nullptr, n.effort);
        EXPECT_EQ(t->options.distance != nullptr, n.distance);
        EXPECT_EQ(t->metadata, CarriedMetadata::Embedded);
        EXPECT_FALSE(SaveCodeHoldsMetadata(t->code));
        // Every value the row names is one the own file keeps.
        for (SavedValue member : {t->options.quality, t->options.lossless, t->options.speed,
                                  t->options.effort, t->options.distance}) {
            if (!member)
                continue;
            bool kept = false;
            for (const NewerSaveValue& v : kNewerSaveValues)
                kept = kept || v.member == member;
            EXPECT_TRUE(kept);
        }
        // The row's remembered values become the writer's parameters.
        SaveOptionValues v;
        v.*t->options.quality = 42;
        EXPECT_EQ(MakeSaveParameters(t->code, v).quality, 42);
    }
    EXPECT_EQ(keys.size(), std::size(kNewerSaveValues));
    SaveOptionValues v;
    v.jxlLossless = 1;
    v.jxlEffort = 2;
    v.jxlDistance = 150;
    v.avifSpeed = 9;
    EXPECT_TRUE(MakeSaveParameters(kSaveJxl, v).lossless);
    EXPECT_EQ(MakeSaveParameters(kSaveJxl, v).effort, 2);
    EXPECT_EQ(MakeSaveParameters(kSaveJxl, v).distance, 150);
    EXPECT_EQ(MakeSaveParameters(kSaveAvif, v).speed, 9);
    EXPECT_FALSE(MakeSaveParameters(kSaveWebp, v).lossless) << "each format its own values";
    for (int code : {kSaveJpg, kSavePng, kSaveTif})
        EXPECT_TRUE(SaveCodeHoldsMetadata(code));
}

// Every written format read back as the row that writes it, and a sample
// of every other format read: written by the Debian encoders where they are
// installed, a signature standing in for a missing encoder.
TEST(FormatRegistry, EveryFormatIsRecognisedAsItsRow)
{
    TempDir dir;
    CWinBmp picture;
    MakeTestPicture(picture, 40, 20);
    std::set<int> seen;
    for (const PictureFormatInfo& row : kPictureFormats) {
        for (const SaveTarget& t : row.saved) {
            if (!t.extension)
                continue;
            SCOPED_TRACE(t.extension);
            const std::string path = dir.File(std::string("a.") + t.extension);
            ASSERT_TRUE(SavePicture(SaveFormatFromExtension(t.extension), path, picture, SaveOptionValues{}));
            EXPECT_EQ(DetectedRow(ReadFile(path)), &row);
            CAnyPicDecoder decoder;
            CWinBmp bmp;
            decoder.DecodeFile(path, bmp, 32);
            EXPECT_EQ(decoder.GetDetectedFormat(), row.format);
            EXPECT_EQ(bmp.GetWidth(), 40);
            EXPECT_EQ(bmp.GetHeight(), 20);
            seen.insert(row.format);
        }
    }
    const std::string png = dir.File("a.png"), tiff = ReadFile(dir.File("a.tif"));
    const struct {
        PictureFormat format;
        const char* encoder;
        std::string signature;
    } samples[] = {
        {FormatWEBP, "cwebp -quiet {in} -o {out}", std::string("RIFF\x10\0\0\0WEBPVP8 ", 16)},
        {FormatAVIF, "heif-enc -A -q 50 {in} -o {out}",
         std::string("\0\0\0\x18"
                     "ftypavif\0\0\0\0mif1miaf",
                     24)},
        {FormatHEIF, "heif-enc -q 50 {in} -o {out}",
         std::string("\0\0\0\x18"
                     "ftypheic\0\0\0\0mif1heic",
                     24)},
        {FormatJXL, "cjxl {in} {out}", ByteString({0xFF, 0x0A, 0xFA, 0x00})},
        {FormatEPS, nullptr,
         ByteString({0xC5, 0xD0, 0xD3, 0xC6}) + std::string(16, '\0') + Le32(30) +
             Le32(uint32_t(tiff.size())) + std::string(2, '\0') + tiff},
        {FormatICO, nullptr, Le16(0) + Le16(1) + Le16(1) + std::string(16, '\0')},
    };
    for (const auto& s : samples) {
        SCOPED_TRACE(FormatName(s.format));
        std::string bytes = s.signature;
        const std::string out = dir.File(std::string("sample.") + FormatName(s.format));
        if (s.encoder && RunWith(s.encoder, png, out) == 0 && FileExists(out))
            bytes = ReadFile(out);
        const PictureFormatInfo* row = DetectedRow(bytes);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->format, s.format);
        seen.insert(row->format);
    }
    // Camera RAW files: a DNG as a converter writes it, the others by
    // their signatures or their maker's TIFF directories.
    ASSERT_TRUE(WriteBayerDng(dir.File("a.dng"), {}));
    const uint16_t kMake = 271, kPhotometric = 262, kCfa = 32803;
    const std::pair<PictureFormat, std::string> raws[] = {
        {FormatDNG, ReadFile(dir.File("a.dng"))},
        {FormatCR2, TinyTiff({{kPhotometric, 2}}, std::string("CR\x02\0\0\0\0\0", 8))},
        {FormatCR3, std::string("\0\0\0\x18"
                                "ftypcrx \0\0\0\x01"
                                "crx isom",
                                24) +
                        std::string(32, '\0')},
        {FormatNEF, TinyTiff({{kPhotometric, kCfa}, {kMake, 0, "NIKON CORPORATION"}})},
        {FormatARW, TinyTiff({{kPhotometric, kCfa}, {kMake, 0, "SONY"}})},
        {FormatRAF, "FUJIFILMCCD-RAW 0201FF383501" + std::string(64, '\0')},
        {FormatORF, std::string("IIRO\x08\0\0\0", 8) + std::string(32, '\0')},
        {FormatRW2, std::string("IIU\0\x08\0\0\0", 8) + std::string(32, '\0')},
        {FormatPEF, TinyTiff({{kPhotometric, kCfa}, {kMake, 0, "PENTAX Corporation"}})},
        {FormatRAW, TinyTiff({{kPhotometric, kCfa}, {kMake, 0, "SAMSUNG"}})},
    };
    for (const auto& [format, bytes] : raws) {
        SCOPED_TRACE(FormatName(format));
        const PictureFormatInfo* row = DetectedRow(bytes);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->format, format);
        seen.insert(row->format);
    }
    EXPECT_EQ(seen.size(), kPictureFormatCount) << "a row without a sample here";
}
