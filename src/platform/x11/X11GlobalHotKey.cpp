// SPDX-License-Identifier: GPL-3.0-or-later
// GlobalHotKey on X11: a passive key grab on the root window of Qt's own
// connection, for the key with the modifiers and with every CapsLock / NumLock
// combination, seen through a native event filter on the main thread.
#include "capture/GlobalHotKey.h"

#include "platform/x11/XcbUtil.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include <xcb/xcb_keysyms.h>

#include <mutex>
#include <set>
#include <utility>
#include <vector>

namespace kelvo {

namespace {

constexpr xcb_keysym_t keysymNumLock = 0xff7f;
constexpr xcb_keysym_t keysymAltL = 0xffe9;
constexpr xcb_keysym_t keysymSuperL = 0xffeb;

struct KeySymbolsDeleter {
    void operator()(xcb_key_symbols_t *k) const { xcb_key_symbols_free(k); }
};

// Combinations held by this process: a second registration of one fails, as
// it would for another client (X lets one client grab a key twice silently).
std::mutex heldMutex;
std::set<std::pair<xcb_keycode_t, uint16_t>> held;

// The modifier bit (Mod1..Mod5) that carries keysym, from the server's map.
uint16_t modifierFor(xcb_connection_t *c, xcb_key_symbols_t *symbols, xcb_keysym_t keysym, uint16_t fallback)
{
    x11::Reply<xcb_get_modifier_mapping_reply_t> map(
        xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr));
    std::unique_ptr<xcb_keycode_t, x11::FreeDeleter> codes(xcb_key_symbols_get_keycode(symbols, keysym));
    if (!map || !codes)
        return fallback;
    const xcb_keycode_t *mods = xcb_get_modifier_mapping_keycodes(map.get());
    const int perMod = map->keycodes_per_modifier;
    for (int mod = 0; mod < 8; ++mod) {
        for (int i = 0; i < perMod; ++i) {
            for (const xcb_keycode_t *k = codes.get(); *k != XCB_NO_SYMBOL; ++k) {
                if (mods[mod * perMod + i] != 0 && mods[mod * perMod + i] == *k)
                    return uint16_t(1u << mod);
            }
        }
    }
    return fallback;
}

xcb_keysym_t keysymFor(Qt::Key key)
{
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return xcb_keysym_t('a' + (key - Qt::Key_A)); // the lowercase keysym names the key
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return xcb_keysym_t('0' + (key - Qt::Key_0));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35)
        return xcb_keysym_t(0xffbe + (key - Qt::Key_F1));
    return 0;
}

class X11GlobalHotKey final : public GlobalHotKey, public QAbstractNativeEventFilter {
public:
    X11GlobalHotKey(xcb_connection_t *c, xcb_window_t root, xcb_keycode_t keycode, uint16_t modifiers,
                    std::vector<uint16_t> grabbed, Action action)
        : c_(c), root_(root), keycode_(keycode), modifiers_(modifiers), ignored_(0), grabbed_(std::move(grabbed)),
          action_(std::move(action))
    {
        for (uint16_t m : grabbed_)
            ignored_ |= uint16_t(m & ~modifiers_);
        QCoreApplication::instance()->installNativeEventFilter(this);
    }

    ~X11GlobalHotKey() override
    {
        if (QCoreApplication::instance())
            QCoreApplication::instance()->removeNativeEventFilter(this);
        // Qt's connection may already be gone at exit; the grabs went with it.
        if (x11::qtConnection() == c_) {
            for (uint16_t m : grabbed_)
                xcb_ungrab_key(c_, keycode_, root_, m);
            xcb_flush(c_);
        }
        std::lock_guard lock(heldMutex);
        held.erase({keycode_, modifiers_});
    }

    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override
    {
        if (type != "xcb_generic_event_t")
            return false;
        auto *ev = static_cast<xcb_generic_event_t *>(message);
        const uint8_t kind = ev->response_type & 0x7f;
        if (kind != XCB_KEY_PRESS && kind != XCB_KEY_RELEASE)
            return false;
        auto *key = reinterpret_cast<xcb_key_press_event_t *>(ev);
        if (key->detail != keycode_)
            return false;
        if (kind == XCB_KEY_RELEASE) {
            // The modifiers may already be up when the key comes up.
            if (!down_)
                return false;
            down_ = false;
            lastRelease_ = key->time;
            return true;
        }
        if ((key->state & ~ignored_ & 0xff) != modifiers_)
            return false;
        // Auto-repeat: either presses without releases (detectable
        // auto-repeat) or a release and a press with the same time stamp.
        const bool repeat = down_ || key->time == lastRelease_;
        down_ = true;
        if (!repeat && action_)
            action_();
        return true;
    }

private:
    xcb_connection_t *c_;
    xcb_window_t root_;
    xcb_keycode_t keycode_;
    uint16_t modifiers_;
    uint16_t ignored_;
    std::vector<uint16_t> grabbed_;
    Action action_;
    bool down_ = false;
    xcb_timestamp_t lastRelease_ = 0;
};

} // namespace

std::unique_ptr<GlobalHotKey> GlobalHotKey::create(Qt::Key key, Qt::KeyboardModifiers modifiers, Action action)
{
    xcb_connection_t *c = x11::qtConnection();
    xcb_screen_t *screen = c ? x11::screenOf(c) : nullptr;
    const xcb_keysym_t keysym = keysymFor(key);
    if (!screen || !keysym)
        return nullptr;
    std::unique_ptr<xcb_key_symbols_t, KeySymbolsDeleter> symbols(xcb_key_symbols_alloc(c));
    if (!symbols)
        return nullptr;
    std::unique_ptr<xcb_keycode_t, x11::FreeDeleter> codes(xcb_key_symbols_get_keycode(symbols.get(), keysym));
    if (!codes || codes.get()[0] == XCB_NO_SYMBOL)
        return nullptr;
    const xcb_keycode_t keycode = codes.get()[0];

    uint16_t mods = 0;
    if (modifiers & Qt::ShiftModifier)
        mods |= XCB_MOD_MASK_SHIFT;
    if (modifiers & Qt::ControlModifier)
        mods |= XCB_MOD_MASK_CONTROL;
    if (modifiers & Qt::AltModifier)
        mods |= modifierFor(c, symbols.get(), keysymAltL, XCB_MOD_MASK_1);
    if (modifiers & Qt::MetaModifier)
        mods |= modifierFor(c, symbols.get(), keysymSuperL, XCB_MOD_MASK_4);
    const uint16_t numLock = modifierFor(c, symbols.get(), keysymNumLock, XCB_MOD_MASK_2);

    {
        std::lock_guard lock(heldMutex);
        if (!held.insert({keycode, mods}).second)
            return nullptr;
    }
    const std::vector<uint16_t> variants{mods, uint16_t(mods | XCB_MOD_MASK_LOCK), uint16_t(mods | numLock),
                                         uint16_t(mods | XCB_MOD_MASK_LOCK | numLock)};
    std::vector<xcb_void_cookie_t> cookies;
    for (uint16_t m : variants) {
        cookies.push_back(xcb_grab_key_checked(c, 1, screen->root, m, keycode, XCB_GRAB_MODE_ASYNC,
                                               XCB_GRAB_MODE_ASYNC));
    }
    std::vector<uint16_t> grabbed;
    bool ok = true;
    for (std::size_t i = 0; i < variants.size(); ++i) {
        x11::Reply<xcb_generic_error_t> error(xcb_request_check(c, cookies[i]));
        if (error)
            ok = false; // BadAccess: another client holds it
        else
            grabbed.push_back(variants[i]);
    }
    if (!ok) {
        for (uint16_t m : grabbed)
            xcb_ungrab_key(c, keycode, screen->root, m);
        xcb_flush(c);
        std::lock_guard lock(heldMutex);
        held.erase({keycode, mods});
        return nullptr;
    }
    return std::make_unique<X11GlobalHotKey>(c, screen->root, keycode, mods, std::move(grabbed), std::move(action));
}

} // namespace kelvo
