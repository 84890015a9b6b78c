#include "ui/widgets/DisplayColour.h"

#include "engine/picture/ColourTransform.h"

#include <QGuiApplication>

#include <atomic>
#include <memory>
#include <mutex>

#include <xcb/xcb.h>

namespace vkdisplay {

namespace {

std::atomic<bool> g_managed{true};
std::mutex g_screenMutex;
ColourProfilePtr g_screen; // null: sRGB

} // namespace

void SetColourManaged(bool on)
{
    g_managed = on;
}

bool ColourManaged()
{
    return g_managed;
}

void SetScreenProfile(std::vector<uint8_t> icc)
{
    ColourProfilePtr profile = MakeIccProfile(std::move(icc));
    // An unusable screen profile counts as none.
    if (profile && !vkcolour::IsUsable(*profile))
        profile = nullptr;
    const std::lock_guard lock(g_screenMutex);
    g_screen = std::move(profile);
}

ColourProfilePtr ScreenProfile()
{
    const std::lock_guard lock(g_screenMutex);
    return g_screen;
}

std::vector<uint8_t> ReadX11ScreenProfile()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return {};
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (!screen)
        return {};
    static const char kName[] = "_ICC_PROFILE";
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 1, sizeof kName - 1, kName), nullptr);
    if (!atom)
        return {};
    const xcb_atom_t name = atom->atom;
    free(atom);
    if (name == XCB_ATOM_NONE)
        return {};
    // The length is in 32-bit units.
    xcb_get_property_reply_t* reply =
        xcb_get_property_reply(connection,
                               xcb_get_property(connection, 0, screen->root, name, XCB_ATOM_ANY, 0,
                                                uint32_t(kMaxIccProfileBytes / 4)),
                               nullptr);
    if (!reply)
        return {};
    std::vector<uint8_t> icc;
    const int length = xcb_get_property_value_length(reply);
    if (reply->format == 8 && length > 0) {
        const auto* data = static_cast<const uint8_t*>(xcb_get_property_value(reply));
        icc.assign(data, data + length);
    }
    free(reply);
    return icc;
}

bool ManageColours(QImage& image, const CBmp& picture, ColourTarget target)
{
    if (target == ColourTarget::None || !ColourManaged() || image.isNull())
        return false;
    const ColourProfilePtr screen = target == ColourTarget::Screen ? ScreenProfile() : nullptr;
    const ColourProfilePtr& own = picture.GetColourProfile();
    const vkcolour::TransformPtr transform =
        vkcolour::TransformFor(own ? *own : *MakeSrgbProfile(), screen.get());
    if (!transform)
        return false;
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32)
        image.convertTo(QImage::Format_ARGB32);
    vkcolour::Apply(*transform, image.bits(), image.width(), image.height(), image.bytesPerLine());
    return true;
}

} // namespace vkdisplay
