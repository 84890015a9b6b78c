// The favorites store: named shortcuts to a folder or a file, in "vk.fav".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Favorite {
    std::string name;
    std::string folder; // no trailing separator
    std::string file;   // "" for a folder favorite
    int32_t icon = 0;
};

class CFavorites {
  public:
    static constexpr const char* kFileName = "vk.fav";

    // Four parallel arrays, one element per favorite, in insertion order.
    std::vector<std::string> favoriteNames;
    std::vector<std::string> favoriteFolders;
    std::vector<std::string> favoriteFiles;
    std::vector<int32_t> favoriteIcons;

    int GetCount() const { return static_cast<int>(favoriteNames.size()); }

    // Appends a favorite. False (nothing added) when a field holds "*",
    // which the file format cannot store.
    bool AddFavorite(const std::string& name, const std::string& folder, const std::string& file,
                     int32_t icon);
    // False for a bad index or a name holding "*".
    bool RenameFavorite(int index, const std::string& name);
    bool DeleteFavorite(int index);
    // False for a bad index.
    bool GetFavorite(int index, Favorite& favorite) const;
    Favorite GetFavorite(int index) const;
    // Index of the favorite with this name ignoring case (in every
    // script), or -1.
    int FindName(const std::string& name) const;
    // A new or changed name: Empty (the dialog stays open silently), Taken
    // by any favorite ignoring case, Unstorable (holds "*"), or Ok.
    enum class NameCheck { Ok, Empty, Taken, Unstorable };
    NameCheck CheckName(const std::string& name) const;
    static constexpr const char* kTextNameTaken = "Please enter a different name.";
    static constexpr const char* kTextDeleteQuestion = "Do you really want to delete this favorite?";
    void Clear();

    // Icon index by the extension of `file`, any case: no file 0; the
    // classic kinds by their settings slot + 1 (bmp dib rle 1 ... tif tiff
    // 15), the newer kinds 16, any other extension 0.
    static int32_t IconIndexFor(const std::string& file);

    // "vk.fav" in the configuration folder (or `path`). Load leaves the
    // store empty when the file cannot be opened; a damaged file keeps the
    // records read before the damage. Save writes through a temporary file.
    bool LoadFavorites();
    bool LoadFavorites(const std::string& path);
    bool SaveFavorites() const;
    bool SaveFavorites(const std::string& path) const;
    void Parse(const std::string& text);
    std::string Format() const;
    static std::string FavoritesPath();
};
