// CWindowState: where the main window was and how its panes were split,
// kept in "window.ini" beside the settings file (whose layout stays as it
// is) as plain "key=value" lines. Values that cannot be right (a window
// off every screen, sizes out of reason) fall back to the defaults, so a
// changed monitor or a hand-edited file never hides the window.
#pragma once

#include <QRect>

#include <string>
#include <vector>

struct CWindowState {
    QRect geometry;             // the window's normal (not maximised) place; null: let the system choose
    bool maximised = true;      // as the program always started
    int dirListWidth = 180;     // the folder list
    int fileListWidth = 240;    // the file list
    int propertiesHeight = 104; // the "Image Properties" box
    bool colourManaged = true;  // View > Colour management
    bool thumbnails = false;    // View > Thumbnails: the file list as a grid
    int thumbnailSize = 128;    // the grid's size, 128 or 256
    int gridWidth = 600;        // the file list while it shows the grid

    static std::string FilePath();

    // Reads `path`; false (and the defaults) when it cannot be read.
    bool Load(const std::string& path);
    bool Load() { return Load(FilePath()); }
    // Written atomically; false when the file could not be written.
    bool Save(const std::string& path) const;
    bool Save() const { return Save(FilePath()); }

    std::string ToText() const;
    void FromText(const std::string& text);

    // Drops what does not fit the screens' available areas: a geometry
    // that leaves less than a title bar's grip on any screen, or sizes
    // beyond the largest screen, becomes null; pane sizes out of reason
    // and a thumbnail size the grid does not have take their defaults.
    void Validate(const std::vector<QRect>& screens);
};
