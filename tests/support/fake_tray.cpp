// Takes the system tray selection of an X display, so that programs started there afterwards find
// a tray to hide into. It docks nothing; it only has to exist. Prints "ready" once it owns the
// selection and runs until it is killed or the display goes.
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main() {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) return 1;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber; ++i) xcb_screen_next(&screens);

    const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(screenNumber);
    xcb_intern_atom_reply_t* selection = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.c_str()), nullptr);
    if (!selection) return 1;
    const xcb_window_t owner = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, owner, screens.data->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_set_selection_owner(connection, owner, selection->atom, XCB_CURRENT_TIME);
    // "ready" only once the server holds the selection: a program asking right after must find it.
    xcb_get_selection_owner_reply_t* held =
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection->atom), nullptr);
    const bool owned = held && held->owner == owner;
    std::free(held);
    std::free(selection);
    if (!owned) return 1;
    std::puts("ready");
    std::fflush(stdout);

    while (xcb_generic_event_t* event = xcb_wait_for_event(connection)) std::free(event);
    xcb_disconnect(connection);
    return 0;
}
