#include "platform/GeneralPasteboard.h"
#include "platform/Pasteboard.h"
#include "services/ClipboardService.h"
#include "stores/ClipboardHistoryStore.h"

#include "support/Patience.h"

#include <QClipboard>
#include <QCoroTask>
#include <QGuiApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

constexpr int timeoutMs = Patience::untilHung;

// A program that owns the clipboard from outside this process.
std::unique_ptr<QProcess> startProcess(const QString &program, const QStringList &arguments)
{
    auto process = std::make_unique<QProcess>();
    process->start(program, arguments);
    EXPECT_TRUE(process->waitForStarted()) << program.toStdString();
    return process;
}

// `xclip` in the foreground takes the clipboard with `text` and serves it
// until another program takes it.
std::unique_ptr<QProcess> copyWithXclip(const QString &text)
{
    auto xclip = startProcess(QStringLiteral("xclip"),
                              {QStringLiteral("-quiet"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
    xclip->write(text.toUtf8());
    xclip->closeWriteChannel();
    return xclip;
}

std::unique_ptr<QProcess> offerWithHelper(const QString &text, const QStringList &types)
{
    QStringList arguments;
    for (const QString &type : types)
        arguments << QStringLiteral("--type") << type;
    arguments << text;
    auto helper =
        startProcess(qEnvironmentVariable("RAVELOND_TEST_BINARY_DIR") + QStringLiteral("/clipboard_offer"), arguments);
    EXPECT_TRUE(QTest::qWaitFor([&] { return helper->readAllStandardOutput().contains("offering"); }, timeoutMs));
    return helper;
}

// Reads the clipboard as another program would; our event loop keeps running
// meanwhile so that this process can answer when it owns the clipboard.
QByteArray readWithXclip()
{
    auto xclip = startProcess(QStringLiteral("xclip"),
                              {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
    QSignalSpy finished(xclip.get(), &QProcess::finished);
    EXPECT_TRUE(finished.wait(timeoutMs));
    return xclip->readAllStandardOutput();
}

// Another client on a connection of its own that takes the clipboard at a
// moment of its choosing, later by the server's clock than anything stamped
// before. It serves nobody: a request for its content is refused at once.
class ClipboardRival {
public:
    ClipboardRival() : connection_(xcb_connect(nullptr, nullptr))
    {
        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        window_ = xcb_generate_id(connection_);
        const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
        clipboard_ = atom("CLIPBOARD");
    }
    ~ClipboardRival() { xcb_disconnect(connection_); }

    void takeClipboard()
    {
        // Wait for the server's clock to move past everything already stamped.
        const xcb_timestamp_t before = serverTime();
        xcb_timestamp_t now = serverTime();
        while (now <= before)
            now = serverTime();
        xcb_set_selection_owner(connection_, window_, clipboard_, now);
        ASSERT_TRUE(ownsClipboard());
    }

    bool ownsClipboard()
    {
        xcb_get_selection_owner_reply_t *reply =
            xcb_get_selection_owner_reply(connection_, xcb_get_selection_owner(connection_, clipboard_), nullptr);
        const bool owns = reply && reply->owner == window_;
        std::free(reply);
        return owns;
    }

private:
    xcb_atom_t atom(const char *name)
    {
        xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
            connection_, xcb_intern_atom(connection_, 0, std::uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t atom = reply ? reply->atom : XCB_NONE;
        std::free(reply);
        return atom;
    }

    // The server's time now: the stamp of a property change on our window.
    xcb_timestamp_t serverTime()
    {
        xcb_change_property(connection_, XCB_PROP_MODE_APPEND, window_, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 0,
                            nullptr);
        xcb_flush(connection_);
        while (xcb_generic_event_t *event = xcb_wait_for_event(connection_)) {
            const std::uint8_t type = event->response_type & 0x7f;
            std::optional<xcb_timestamp_t> time;
            if (type == XCB_PROPERTY_NOTIFY)
                time = reinterpret_cast<xcb_property_notify_event_t *>(event)->time;
            else if (type == XCB_SELECTION_REQUEST)
                refuse(*reinterpret_cast<xcb_selection_request_event_t *>(event));
            std::free(event);
            if (time)
                return *time;
        }
        ADD_FAILURE() << "the rival lost its connection";
        return XCB_CURRENT_TIME;
    }

    void refuse(const xcb_selection_request_event_t &request)
    {
        xcb_selection_notify_event_t notify{};
        notify.response_type = XCB_SELECTION_NOTIFY;
        notify.time = request.time;
        notify.requestor = request.requestor;
        notify.selection = request.selection;
        notify.target = request.target;
        notify.property = XCB_NONE;
        xcb_send_event(connection_, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char *>(&notify));
        xcb_flush(connection_);
    }

    xcb_connection_t *connection_;
    xcb_window_t window_ = XCB_NONE;
    xcb_atom_t clipboard_ = XCB_NONE;
};

class ClipboardX11Test : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("xclip")).isEmpty()); }

    bool waitForItems(qsizetype count)
    {
        return QTest::qWaitFor([&] { return store.items().size() == count; }, timeoutMs);
    }

    QTemporaryDir folder;
    ClipboardHistoryStore store{folder.filePath(QStringLiteral("clipboard-history.json")), Pasteboard::general()};
};

} // namespace

TEST_F(ClipboardX11Test, TextCopiedByAnotherProgramIsRecordedWithinAPoll)
{
    auto before = copyWithXclip(QStringLiteral("on the clipboard before"));
    ASSERT_TRUE(QTest::qWaitFor([] { return Pasteboard::general().changeCount() > 0; }, timeoutMs));
    store.setEnabled(true);

    auto xclip = copyWithXclip(QStringLiteral("  copied in another program\n"));
    ASSERT_TRUE(waitForItems(1));
    EXPECT_EQ(store.items().first().text, QStringLiteral("  copied in another program\n"));
}

TEST_F(ClipboardX11Test, TextOfferedWithThePasswordManagerHintIsNeverRecorded)
{
    store.setEnabled(true);
    const qint64 countBefore = Pasteboard::general().changeCount();
    auto secret = offerWithHelper(QStringLiteral("hunter2"), {QStringLiteral("x-kde-passwordManagerHint=secret")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return store.lastChangeCount() > countBefore; }, timeoutMs))
        << "the poll looked at the offered secret";
    EXPECT_TRUE(Pasteboard::general().types().contains(QStringLiteral("x-kde-passwordManagerHint")));
    EXPECT_EQ(Pasteboard::general().string(), QStringLiteral("hunter2"));

    auto xclip = copyWithXclip(QStringLiteral("after the secret"));
    ASSERT_TRUE(waitForItems(1));
    EXPECT_EQ(store.items().first().text, QStringLiteral("after the secret"));

    // The helper lets go once another program has taken the clipboard.
    QSignalSpy finished(secret.get(), &QProcess::finished);
    EXPECT_TRUE(secret->state() == QProcess::NotRunning || finished.wait(timeoutMs));
}

TEST_F(ClipboardX11Test, OurCopyIsReadableByOtherProgramsAndABlankCopyLeavesTheirText)
{
    auto xclip = copyWithXclip(QStringLiteral("theirs"));
    ASSERT_TRUE(QTest::qWaitFor([] { return Pasteboard::general().string() == QStringLiteral("theirs"); }, timeoutMs));
    EXPECT_FALSE(ClipboardService::copy(QStringLiteral(" \t\n ")));
    EXPECT_EQ(readWithXclip(), QByteArray("theirs"));

    ASSERT_TRUE(ClipboardService::copy(QStringLiteral("  Grüße from Ravelond \n")));
    EXPECT_EQ(readWithXclip(), QStringLiteral("  Grüße from Ravelond \n").toUtf8());
}

TEST_F(ClipboardX11Test, AWriteRefusedAfterAnotherProgramTookTheClipboardIsReportedAndWinsAfterCatchingUp)
{
    GeneralPasteboard pasteboard(QGuiApplication::clipboard());
    ClipboardRival rival;
    ASSERT_TRUE(pasteboard.setString(QStringLiteral("before")));

    // Twice: the first take tells us (our window loses the clipboard), the
    // second, from the rival to itself, tells us nothing of its later time.
    rival.takeClipboard();
    rival.takeClipboard();
    EXPECT_FALSE(pasteboard.setString(QStringLiteral("ours"))) << "a write the server refused reads as taken";
    EXPECT_TRUE(rival.ownsClipboard());

    QCoro::waitFor(pasteboard.catchUp({}));
    EXPECT_TRUE(pasteboard.setString(QStringLiteral("ours")));
    EXPECT_FALSE(rival.ownsClipboard());
    EXPECT_EQ(readWithXclip(), QByteArray("ours"));
}
