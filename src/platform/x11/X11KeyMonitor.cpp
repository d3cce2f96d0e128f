// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11KeyMonitor.h"

#include "platform/x11/KeyNames.h"
#include "platform/x11/XcbUtil.h"

#include <QMetaObject>

#define explicit explicit_ // xcb/xkb.h names a field "explicit"
#include <xcb/xkb.h>
#undef explicit
#include <xcb/xinput.h>
#include <xkbcommon/xkbcommon-x11.h>

#include <cerrno>

#include <poll.h>
#include <unistd.h>

#include <fcntl.h>

namespace kelvo {

namespace {

struct KeymapUnref {
    void operator()(xkb_keymap *keymap) const { xkb_keymap_unref(keymap); }
};
struct StateUnref {
    void operator()(xkb_state *state) const { xkb_state_unref(state); }
};
struct ContextUnref {
    void operator()(xkb_context *context) const { xkb_context_unref(context); }
};

} // namespace

// Everything the reading thread owns.
struct X11KeyMonitor::Reader {
    x11::Connection connection;
    xcb_window_t root = XCB_NONE;
    uint8_t xinputOpcode = 0;
    uint8_t xkbEventBase = 0;
    int32_t keyboard = -1;
    std::unique_ptr<xkb_context, ContextUnref> context;
    std::unique_ptr<xkb_keymap, KeymapUnref> keymap;
    std::unique_ptr<xkb_state, StateUnref> state;

    bool open()
    {
        auto opened = x11::connectToDisplay();
        if (!opened)
            return false;
        xcb_connection_t *c = opened->connection.get();
        const xcb_query_extension_reply_t *ext = xcb_get_extension_data(c, &xcb_input_id);
        if (!ext || !ext->present)
            return false;
        x11::Reply<xcb_input_xi_query_version_reply_t> version(
            xcb_input_xi_query_version_reply(c, xcb_input_xi_query_version(c, 2, 2), nullptr));
        if (!version || version->major_version < 2)
            return false;
        uint8_t xkbBase = 0;
        if (!xkb_x11_setup_xkb_extension(c, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                         XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, &xkbBase, nullptr))
            return false;
        keyboard = xkb_x11_get_core_keyboard_device_id(c);
        context.reset(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
        if (keyboard < 0 || !context)
            return false;
        xkbEventBase = xkbBase;
        connection = std::move(opened->connection);
        if (!loadKeymap())
            return false;

        // Layout and modifier changes arrive in order with the presses.
        constexpr uint16_t events = XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY | XCB_XKB_EVENT_TYPE_MAP_NOTIFY
            | XCB_XKB_EVENT_TYPE_STATE_NOTIFY;
        constexpr uint16_t mapParts = XCB_XKB_MAP_PART_KEY_TYPES | XCB_XKB_MAP_PART_KEY_SYMS
            | XCB_XKB_MAP_PART_MODIFIER_MAP | XCB_XKB_MAP_PART_EXPLICIT_COMPONENTS | XCB_XKB_MAP_PART_KEY_ACTIONS
            | XCB_XKB_MAP_PART_VIRTUAL_MODS | XCB_XKB_MAP_PART_VIRTUAL_MOD_MAP;
        constexpr uint16_t stateParts = XCB_XKB_STATE_PART_MODIFIER_BASE | XCB_XKB_STATE_PART_MODIFIER_LATCH
            | XCB_XKB_STATE_PART_MODIFIER_LOCK | XCB_XKB_STATE_PART_GROUP_BASE | XCB_XKB_STATE_PART_GROUP_LATCH
            | XCB_XKB_STATE_PART_GROUP_LOCK;
        xcb_xkb_select_events_details_t details{};
        details.affectNewKeyboard = XCB_XKB_NKN_DETAIL_KEYCODES;
        details.newKeyboardDetails = XCB_XKB_NKN_DETAIL_KEYCODES;
        details.affectState = stateParts;
        details.stateDetails = stateParts;
        x11::Reply<xcb_generic_error_t> xkbError(xcb_request_check(
            c, xcb_xkb_select_events_aux_checked(c, xcb_xkb_device_spec_t(keyboard), events, 0, 0, mapParts,
                                                 mapParts, &details)));
        if (xkbError)
            return false;

        struct Mask {
            xcb_input_event_mask_t head;
            uint32_t bits;
        };
        root = opened->screen->root;
        const Mask mask{{XCB_INPUT_DEVICE_ALL_MASTER, 1}, uint32_t(XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS)};
        x11::Reply<xcb_generic_error_t> error(
            xcb_request_check(c, xcb_input_xi_select_events_checked(c, root, 1, &mask.head)));
        if (error)
            return false;
        xinputOpcode = ext->major_opcode;
        return true;
    }

    bool loadKeymap()
    {
        xcb_connection_t *c = connection.get();
        std::unique_ptr<xkb_keymap, KeymapUnref> map(
            xkb_x11_keymap_new_from_device(context.get(), c, keyboard, XKB_KEYMAP_COMPILE_NO_FLAGS));
        if (!map)
            return false;
        std::unique_ptr<xkb_state, StateUnref> fresh(xkb_x11_state_new_from_device(map.get(), c, keyboard));
        if (!fresh)
            return false;
        keymap = std::move(map);
        state = std::move(fresh);
        return true;
    }

    unsigned modifiers() const
    {
        // Held or latched, not locked: Caps Lock is no Shift for a shortcut.
        constexpr auto held = xkb_state_component(XKB_STATE_MODS_DEPRESSED | XKB_STATE_MODS_LATCHED);
        auto active = [&](const char *name) { return xkb_state_mod_name_is_active(state.get(), name, held) > 0; };
        unsigned result = 0;
        if (active(XKB_MOD_NAME_SHIFT))
            result |= KeyPress::Shift;
        if (active(XKB_MOD_NAME_CTRL))
            result |= KeyPress::Ctrl;
        if (active(XKB_MOD_NAME_ALT))
            result |= KeyPress::Alt;
        if (active(XKB_MOD_NAME_LOGO))
            result |= KeyPress::Super;
        return result;
    }

    // The keysym a key shows on its cap in the current layout (its first level).
    xkb_keysym_t capSymbol(xkb_keycode_t key) const
    {
        const xkb_layout_index_t layout = xkb_state_key_get_layout(state.get(), key);
        const xkb_keysym_t *syms = nullptr;
        if (layout == XKB_LAYOUT_INVALID
            || xkb_keymap_key_get_syms_by_level(keymap.get(), key, layout, 0, &syms) < 1)
            return XKB_KEY_NoSymbol;
        return syms[0];
    }

    // Nothing for modifier keys.
    std::optional<KeyPress> press(xkb_keycode_t key) const
    {
        const xkb_keysym_t produced = xkb_state_key_get_one_sym(state.get(), key);
        const std::optional<KeyPress::Kind> kind = keyKind(produced != XKB_KEY_NoSymbol ? produced : capSymbol(key));
        if (!kind)
            return std::nullopt;
        KeyPress result;
        result.kind = *kind;
        result.modifiers = modifiers();
        result.time = std::chrono::steady_clock::now();
        if (result.isShortcut()) {
            const xkb_keysym_t cap = capSymbol(key);
            result.label = keyLabel(cap);
            result.isHotKey = cap == XKB_KEY_r
                && result.modifiers == (KeyPress::Ctrl | KeyPress::Alt | KeyPress::Super);
        }
        return result;
    }

    void handleXkb(const xcb_generic_event_t *event)
    {
        const uint8_t xkbType = reinterpret_cast<const uint8_t *>(event)[1];
        switch (xkbType) {
        case XCB_XKB_NEW_KEYBOARD_NOTIFY: {
            const auto *notify = reinterpret_cast<const xcb_xkb_new_keyboard_notify_event_t *>(event);
            if (notify->deviceID == keyboard)
                loadKeymap();
            break;
        }
        case XCB_XKB_MAP_NOTIFY:
            loadKeymap();
            break;
        case XCB_XKB_STATE_NOTIFY: {
            const auto *notify = reinterpret_cast<const xcb_xkb_state_notify_event_t *>(event);
            xkb_state_update_mask(state.get(), notify->baseMods, notify->latchedMods, notify->lockedMods,
                                  xkb_layout_index_t(notify->baseGroup), xkb_layout_index_t(notify->latchedGroup),
                                  xkb_layout_index_t(notify->lockedGroup));
            break;
        }
        default:
            break;
        }
    }
};

X11KeyMonitor::X11KeyMonitor() = default;

X11KeyMonitor::~X11KeyMonitor()
{
    stop();
}

void X11KeyMonitor::start()
{
    stop();
    auto reader = std::make_shared<Reader>();
    if (!reader->open())
        return;
    if (pipe2(wakeFd_, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    receiver_ = std::make_unique<QObject>();
    current_ = std::make_shared<std::atomic<bool>>(true);
    QObject *receiver = receiver_.get();
    reader_ = std::thread([this, reader, receiver, current = current_, wake = wakeFd_[0]] {
        xcb_connection_t *c = reader->connection.get();
        pollfd fds[2]{{xcb_get_file_descriptor(c), POLLIN, 0}, {wake, POLLIN, 0}};
        while (*current && !xcb_connection_has_error(c)) {
            while (x11::Reply<xcb_generic_event_t> event{xcb_poll_for_event(c)}) {
                const uint8_t type = event->response_type & 0x7f;
                if (type == reader->xkbEventBase) {
                    reader->handleXkb(event.get());
                    continue;
                }
                if (type != XCB_GE_GENERIC)
                    continue;
                const auto *ge = reinterpret_cast<const xcb_ge_generic_event_t *>(event.get());
                if (ge->extension != reader->xinputOpcode || ge->event_type != XCB_INPUT_RAW_KEY_PRESS)
                    continue;
                const auto *raw = reinterpret_cast<const xcb_input_raw_key_press_event_t *>(event.get());
                const std::optional<KeyPress> press = reader->press(xkb_keycode_t(raw->detail));
                if (!press)
                    continue;
                QMetaObject::invokeMethod(
                    receiver,
                    [this, current, key = *press] {
                        if (*current)
                            report(key);
                    },
                    Qt::QueuedConnection);
            }
            if (poll(fds, 2, -1) < 0 && errno != EINTR)
                break;
            if (fds[1].revents & POLLIN)
                break;
        }
    });
}

void X11KeyMonitor::stop()
{
    if (current_)
        *current_ = false;
    if (reader_.joinable()) {
        const char wake = 1;
        [[maybe_unused]] const ssize_t written = write(wakeFd_[1], &wake, 1);
        reader_.join();
    }
    for (int &fd : wakeFd_) {
        if (fd >= 0)
            close(fd);
        fd = -1;
    }
    current_.reset();
    // Presses still queued for the old receiver go with it.
    receiver_.reset();
}

} // namespace kelvo
