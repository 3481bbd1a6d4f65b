#include "platform/DesktopCompositor.h"

#include <QGuiApplication>
#include <QTest>
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace {

xcb_connection_t *connection()
{
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

// Takes the compositing manager's selection, as a compositor starting up does.
xcb_window_t claimCompositorSelection()
{
    xcb_connection_t *x11 = connection();
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(x11)).data;
    const xcb_window_t owner = xcb_generate_id(x11);
    xcb_create_window(x11, XCB_COPY_FROM_PARENT, owner, screen->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    const char *name = "_NET_WM_CM_S0";
    xcb_intern_atom_reply_t *atom =
        xcb_intern_atom_reply(x11, xcb_intern_atom(x11, 0, uint16_t(std::strlen(name)), name), nullptr);
    xcb_set_selection_owner(x11, owner, atom->atom, XCB_CURRENT_TIME);
    std::free(atom);
    std::free(xcb_get_input_focus_reply(x11, xcb_get_input_focus(x11), nullptr));
    return owner;
}

} // namespace

TEST(DesktopCompositorTest, ACompositorIsRunningWhileItOwnsItsSelection)
{
    qunsetenv("RAVELOND_COMPOSITOR");
    EXPECT_FALSE(DesktopCompositor::isRunning()) << "the test session's window manager does not composite";
    // The answer follows the selection's changes as their reports arrive.
    const xcb_window_t owner = claimCompositorSelection();
    EXPECT_TRUE(QTest::qWaitFor([] { return DesktopCompositor::isRunning(); }));
    xcb_destroy_window(connection(), owner);
    std::free(xcb_get_input_focus_reply(connection(), xcb_get_input_focus(connection()), nullptr));
    EXPECT_TRUE(QTest::qWaitFor([] { return !DesktopCompositor::isRunning(); })) << "the selection went with its owner";
    qputenv("RAVELOND_COMPOSITOR", "1");
    EXPECT_TRUE(DesktopCompositor::isRunning());
    qunsetenv("RAVELOND_COMPOSITOR");
}
