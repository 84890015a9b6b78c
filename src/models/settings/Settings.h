// CSettings: every persistent choice of the user, stored in "vk.set".
#pragma once

#include "engine/save/SaveDispatch.h"

#include <cstdint>
#include <string>
#include <vector>

class CSettings {
  public:
    CSettings() { SetDefaults(); }

    // 117 integers and two strings, in the order in which "vk.set" stores
    // them (the position is the token number in the file).
    int32_t sortByName;                //   1  1 by name, 0 by extension
    int32_t previewPosition;           //   2  0 upper-left, 1 upper-right, 2 centre
    int32_t autoRefresh;               //   3
    int32_t renameSeriesScope;         //   4  0 all files, 1 selected only
    int32_t associateBmp;              //   5
    int32_t associateEps;              //   6
    int32_t associateGif;              //   7
    int32_t associateIco;              //   8
    int32_t associateIff;              //   9
    int32_t associateJpg;              //  10
    int32_t associatePbm;              //  11
    int32_t associatePct;              //  12
    int32_t associatePcx;              //  13
    int32_t associatePgm;              //  14
    int32_t associatePng;              //  15
    int32_t associatePpm;              //  16
    int32_t associateRas;              //  17
    int32_t associateTga;              //  18
    int32_t associateTif;              //  19
    int32_t compareName;               //  20
    int32_t compareExtension;          //  21
    int32_t compareSize;               //  22
    int32_t compareDate;               //  23
    int32_t compareCaseSensitive;      //  24
    std::string compareExtensionText;  //  25  (string, no spaces)
    int32_t comparePreviewSource;      //  26
    int32_t comparePreviewDestination; //  27
    int32_t printVertical;             //  28  0 top, 1 centre, 2 bottom
    int32_t printHorizontal;           //  29  0 left, 1 centre, 2 right
    int32_t printInfoPath;             //  30
    int32_t printInfoName;             //  31
    int32_t printInfoFileSize;         //  32
    int32_t printInfoDimensions;       //  33
    int32_t printInfoAlign;            //  34  0 centre, 1 left, 2 right
    int32_t printInfoPosition;         //  35  0 top, 1 bottom
    int32_t printMarginLeft;           //  36  page units
    int32_t printMarginRight;          //  37
    int32_t printMarginTop;            //  38
    int32_t printMarginBottom;         //  39
    int32_t printSizeMode;             //  40  0 default, 1 fit, 2 custom, 3 thumbnails
    int32_t printCustomWidth;          //  41
    int32_t printCustomHeight;         //  42
    int32_t printThumbWidth;           //  43
    int32_t printThumbHeight;          //  44
    int32_t printThumbSelectedOnly;    //  45
    int32_t findGoToFile;              //  46
    int32_t findPreview;               //  47
    int32_t rotateQuality;             //  48  0 low, 1 medium, 2 high
    int32_t rotateAngle;               //  49  1..359
    int32_t rotateDirection;           //  50  0 CW, 1 CCW
    int32_t shearAntiAlias;            //  51
    int32_t shearAngle;                //  52  1..89
    int32_t shearCorner;               //  53  0 up-left, 1 down-left
    int32_t canvasAnchor;              //  54  0..8
    int32_t resizeConstrain;           //  55
    int32_t balanceRed;                //  56  -100..100
    int32_t balanceGreen;              //  57
    int32_t balanceBlue;               //  58
    int32_t convertReplaceOriginal;    //  59
    int32_t convertFormat;             //  60  destination format index
    int32_t convertPolicy;             //  61  OverwritePolicy
    // 62-76: the save options, in the writer's own record, in this order:
    // jpegProgressive, jpegOptimize, jpegQuality, jpegSmoothing,
    // tiffCompression, bmpDepth, tiffSecondOption, pngInterlace, tgaRle,
    // tgaDepth, pcxDepth, gifInterlace, pictRle, rasRle, rasDepth.
    SaveOptionValues saveOptions;
    int32_t browserPreviewEnabled;  //  77
    int32_t browserPreviewEnlarge;  //  78
    int32_t browserPreviewShrink;   //  79
    int32_t browserFullPathInTitle; //  80
    int32_t showBmp;                //  81
    int32_t showEps;                //  82
    int32_t showGif;                //  83
    int32_t showIco;                //  84
    int32_t showIff;                //  85
    int32_t showJpg;                //  86
    int32_t showPbm;                //  87
    int32_t showPct;                //  88
    int32_t showPcx;                //  89
    int32_t showPgm;                //  90
    int32_t showPng;                //  91
    int32_t showPpm;                //  92
    int32_t showRas;                //  93
    int32_t showTga;                //  94
    int32_t showTif;                //  95
    int32_t selectAfterCopyMove;    //  96
    int32_t selectAfterDelete;      //  97
    int32_t selectAfterConvert;     //  98
    int32_t confirmCopyMove;        //  99
    int32_t confirmMultipleDelete;  // 100
    int32_t confirmSingleDelete;    // 101
    int32_t upperCaseExtension;     // 102
    int32_t useRecycleBin;          // 103
    int32_t overwritePolicy;        // 104  0 Ask, 1 Replace, 2 Rename, 3 Skip
    int32_t slideDelayFlip;         // 105
    int32_t slideDelaySeconds;      // 106  0..10
    int32_t slidePosition;          // 107  0 centre, 1 upper left
    int32_t slideImageSize;         // 108  0 best fit, 1 full, 2 small
    int32_t slideSequence;          // 109  0 forward, 1 backward, 2 random
    int32_t viewerEnlarge;          // 110
    int32_t viewerFullPathInTitle;  // 111
    int32_t viewerShrink;           // 112
    int32_t saveRecentFolders;      // 113
    int32_t saveSettingsOnExit;     // 114
    int32_t printSetupFirst;        // 115
    int32_t startInHome;            // 116
    int32_t fileSizeUnit;           // 117  0 bytes, 1 KB, 2 MB
    int32_t imageSizeUnit;          // 118  0 pixels, 1 in, 2 mm, 3 cm
    std::string homeDirectory;      // 119  (string, last, ended by "*")

    static constexpr int kPositions = 119;
    static constexpr const char* kFileName = "vk.set";
    static constexpr const char* kRecentFoldersFileName = "vk.ruf";

    // Every member to its default.
    void SetDefaults();

    // Reads "vk.set" from the configuration folder (or `path`). False when
    // the file cannot be opened; the record is then unchanged. A file that
    // ends early or holds a token that is not a number keeps every value
    // read before the fault and gets defaults for the rest; a number outside
    // its member's range gets that member's default and reading goes on.
    bool Load();
    bool Load(const std::string& path);
    // Parses the text of a "vk.set" file as Load does; false when a fault
    // was found (the record is still filled as described above).
    bool Parse(const std::string& text);

    // Writes "vk.set" through a temporary file and a rename; false when it
    // cannot be written (the old file is then untouched).
    bool Save() const;
    bool Save(const std::string& path) const;
    // The exact text Save writes.
    std::string Format() const;

    // Recent folders ("vk.ruf"): count + "*", then each folder + "*".
    // Load appends to `folders`; false when the file cannot be opened.
    static bool LoadRecentFolders(std::vector<std::string>& folders);
    static bool LoadRecentFolders(const std::string& path, std::vector<std::string>& folders);
    static bool SaveRecentFolders(const std::vector<std::string>& folders);
    static bool SaveRecentFolders(const std::string& path, const std::vector<std::string>& folders);
    static void ParseRecentFolders(const std::string& text, std::vector<std::string>& folders);
    static std::string FormatRecentFolders(const std::vector<std::string>& folders);

    // Full paths of the two files in the configuration folder.
    static std::string SettingsPath();
    static std::string RecentFoldersPath();

    // Integer access by position (1..119; 25 and 119 are the strings and
    // have no integer). Null for a string or unknown position.
    int32_t* IntAt(int position);
    const int32_t* IntAt(int position) const;
    // The show and associate flags of a file kind's settings slot (0..14,
    // FileKind::slot), stored from positions 81 and 5 on; null for no slot.
    static constexpr int kFirstShowPosition = 81;
    static constexpr int kFirstAssociatePosition = 5;
    int32_t* ShowFlag(int slot) { return SlotAt(kFirstShowPosition, slot); }
    const int32_t* ShowFlag(int slot) const { return const_cast<CSettings*>(this)->ShowFlag(slot); }
    int32_t* AssociateFlag(int slot) { return SlotAt(kFirstAssociatePosition, slot); }
    const int32_t* AssociateFlag(int slot) const { return const_cast<CSettings*>(this)->AssociateFlag(slot); }
    // Default and accepted range of an integer position.
    static int32_t DefaultAt(int position);
    static bool InRange(int position, int32_t value);
    // `value` brought into the range of an integer position.
    static int32_t Clamp(int position, int32_t value);
    // Every integer member brought into its range (after a dialog's OK).
    void ClampAll();

  private:
    int32_t* SlotAt(int first, int slot)
    {
        return slot >= 0 && slot < kSettingSlotCount ? IntAt(first + slot) : nullptr;
    }
};

// Reads a whole (small) file; false when it cannot be opened or is larger
// than `maxBytes`.
bool ReadSmallFile(const std::string& path, std::string& bytes, size_t maxBytes = 1 << 20);
