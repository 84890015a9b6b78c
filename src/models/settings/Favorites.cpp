#include "models/settings/Favorites.h"

#include "engine/picture/FormatRegistry.h"
#include "engine/picture/OutputFile.h"
#include "models/platform/Folders.h"
#include "models/platform/Path.h"
#include "models/settings/Settings.h"

#include <QString>

#include <algorithm>
#include <cctype>
#include <charconv>

namespace {

bool HoldsStar(const std::string& text)
{
    return text.find('*') != std::string::npos;
}

constexpr size_t kMaxCountDigits = 6;

} // namespace

bool CFavorites::AddFavorite(const std::string& name, const std::string& folder, const std::string& file,
                             int32_t icon)
{
    if (HoldsStar(name) || HoldsStar(folder) || HoldsStar(file))
        return false;
    favoriteNames.push_back(name);
    favoriteFolders.push_back(folder);
    favoriteFiles.push_back(file);
    favoriteIcons.push_back(icon);
    return true;
}

bool CFavorites::RenameFavorite(int index, const std::string& name)
{
    if (index < 0 || index >= GetCount() || HoldsStar(name))
        return false;
    favoriteNames[static_cast<size_t>(index)] = name;
    return true;
}

bool CFavorites::DeleteFavorite(int index)
{
    if (index < 0 || index >= GetCount())
        return false;
    favoriteNames.erase(favoriteNames.begin() + index);
    favoriteFolders.erase(favoriteFolders.begin() + index);
    favoriteFiles.erase(favoriteFiles.begin() + index);
    favoriteIcons.erase(favoriteIcons.begin() + index);
    return true;
}

bool CFavorites::GetFavorite(int index, Favorite& favorite) const
{
    if (index < 0 || index >= GetCount())
        return false;
    const auto i = static_cast<size_t>(index);
    favorite = {favoriteNames[i], favoriteFolders[i], favoriteFiles[i], favoriteIcons[i]};
    return true;
}

Favorite CFavorites::GetFavorite(int index) const
{
    Favorite favorite;
    GetFavorite(index, favorite);
    return favorite;
}

// Upper-casing first folds "ß" and "SS" together; folding then matches
// every script's case pairs (Σ σ ς, Ä ä, Ж ж).
static QString FoldedName(const std::string& name)
{
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())).toUpper().toCaseFolded();
}

int CFavorites::FindName(const std::string& name) const
{
    const QString wanted = FoldedName(name);
    for (int i = 0; i < GetCount(); ++i)
        if (FoldedName(favoriteNames[static_cast<size_t>(i)]) == wanted)
            return i;
    return -1;
}

CFavorites::NameCheck CFavorites::CheckName(const std::string& name) const
{
    if (name.empty())
        return NameCheck::Empty;
    if (FindName(name) >= 0)
        return NameCheck::Taken;
    if (HoldsStar(name))
        return NameCheck::Unstorable;
    return NameCheck::Ok;
}

void CFavorites::Clear()
{
    favoriteNames.clear();
    favoriteFolders.clear();
    favoriteFiles.clear();
    favoriteIcons.clear();
}

int32_t CFavorites::IconIndexFor(const std::string& file)
{
    return FavoriteIconOf(file);
}

void CFavorites::Parse(const std::string& text)
{
    const size_t star = text.find('*');
    if (star == std::string::npos || star == 0 || star > kMaxCountDigits)
        return;
    int count = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + star, count);
    if (error != std::errc() || end != text.data() + star || count <= 0)
        return;
    size_t at = star + 1;
    auto field = [&](std::string& out) {
        const size_t next = text.find('*', at);
        if (next == std::string::npos)
            return false;
        out = text.substr(at, next - at);
        at = next + 1;
        return true;
    };
    for (int i = 0; i < count; ++i) {
        std::string name, folder, file, iconText;
        if (!field(name) || !field(folder) || !field(file) || !field(iconText))
            return; // a cut record is dropped; earlier ones stay
        int32_t icon = 0;
        auto [iconEnd, iconError] = std::from_chars(iconText.data(), iconText.data() + iconText.size(), icon);
        if (iconError != std::errc() || iconEnd != iconText.data() + iconText.size() || icon < 0 || icon > 15)
            icon = IconIndexFor(file);
        AddFavorite(name, folder, file, icon);
    }
}

std::string CFavorites::Format() const
{
    std::string out = std::to_string(GetCount()) + "*";
    for (int i = 0; i < GetCount(); ++i) {
        const auto k = static_cast<size_t>(i);
        out += favoriteNames[k] + "*" + favoriteFolders[k] + "*" + favoriteFiles[k] + "*" +
               std::to_string(favoriteIcons[k]) + "*";
    }
    return out;
}

std::string CFavorites::FavoritesPath()
{
    return vkpath::Join(vkplatform::ConfigDirectory(), kFileName);
}

bool CFavorites::LoadFavorites()
{
    return LoadFavorites(FavoritesPath());
}

bool CFavorites::LoadFavorites(const std::string& path)
{
    std::string text;
    if (!ReadSmallFile(path, text, 64u << 20))
        return false;
    Parse(text);
    return true;
}

bool CFavorites::SaveFavorites() const
{
    return SaveFavorites(FavoritesPath());
}

bool CFavorites::SaveFavorites(const std::string& path) const
{
    vkplatform::MakePath(vkpath::Parent(path));
    return WriteFileAtomically(path, Format());
}
