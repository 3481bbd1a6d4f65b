// Copies that race another program for the clipboard: imports through
// AppModel while another client takes the clipboard 50 times a second. Each
// import must end either with its text on the clipboard or with the clipboard
// error; the figure that matters is how many said "copied" while the
// clipboard, at that moment, was not ours with that text. The peer is the same
// run with a bare write read back through QClipboard.
//
//   xvfb-run -a ravelond-copy-race [IMPORTS]
//
// Prints one JSON object.

#include "ProgramUnderTest.h"

#include "app/AppComposition.h"
#include "app/SmokeTest.h"
#include "platform/DefaultsDomain.h"
#include "platform/X11Connection.h"
#include "stores/AppModel.h"
#include "stores/Preferences.h"

#include <QClipboard>
#include <QCoroSignal>
#include <QDir>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMimeData>
#include <QTemporaryDir>

#include <xcb/xcb.h>

#include <poll.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

xcb_atom_t internAtom(xcb_connection_t *connection, const char *name)
{
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, std::uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : XCB_NONE;
    std::free(reply);
    return atom;
}

// Another program copying `copiesPerSecond` times a second on a connection and
// thread of its own. It answers every request for its content with a text of
// its own, as a real program would.
class Rival {
public:
    explicit Rival(int copiesPerSecond) : period_(std::chrono::microseconds(1000000 / copiesPerSecond))
    {
        thread_ = std::thread([this] { run(); });
    }
    ~Rival()
    {
        stop_ = true;
        thread_.join();
    }
    int copies() const { return copies_; }
    static inline std::atomic<int> copies_{0};
    static inline std::atomic<int> done_{0};

private:
    void run()
    {
        xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
        const xcb_window_t window = xcb_generate_id(connection);
        xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        const xcb_atom_t clipboard = internAtom(connection, "CLIPBOARD");
        const xcb_atom_t utf8 = internAtom(connection, "UTF8_STRING");
        const xcb_atom_t targets = internAtom(connection, "TARGETS");
        auto next = std::chrono::steady_clock::now();
        while (!stop_) {
            if (std::chrono::steady_clock::now() >= next) {
                // Counted as begun before the request leaves, and as done once
                // the server has answered a request sent after it.
                ++copies_;
                xcb_set_selection_owner(connection, window, clipboard, XCB_CURRENT_TIME);
                std::free(
                    xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, clipboard), nullptr));
                ++done_;
                next += period_;
            }
            pollfd descriptor{xcb_get_file_descriptor(connection), POLLIN, 0};
            poll(&descriptor, 1, 2);
            while (xcb_generic_event_t *event = xcb_poll_for_event(connection)) {
                if ((event->response_type & 0x7f) == XCB_SELECTION_REQUEST)
                    answer(connection, *reinterpret_cast<xcb_selection_request_event_t *>(event), utf8, targets);
                std::free(event);
            }
        }
        xcb_disconnect(connection);
    }

    static void answer(xcb_connection_t *connection, const xcb_selection_request_event_t &request, xcb_atom_t utf8,
                       xcb_atom_t targets)
    {
        xcb_selection_notify_event_t notify{};
        notify.response_type = XCB_SELECTION_NOTIFY;
        notify.time = request.time;
        notify.requestor = request.requestor;
        notify.selection = request.selection;
        notify.target = request.target;
        if (request.target == utf8) {
            static const char text[] = "the other program's text";
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor, request.property, utf8, 8,
                                sizeof text - 1, text);
            notify.property = request.property;
        } else if (request.target == targets) {
            const xcb_atom_t offered[] = {targets, utf8};
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor, request.property, XCB_ATOM_ATOM,
                                32, 2, offered);
            notify.property = request.property;
        }
        xcb_send_event(connection, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char *>(&notify));
        xcb_flush(connection);
    }

    std::chrono::microseconds period_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Whether, right now, the clipboard's owner is a window of this process and
// the text it serves is `text`; asked of the server on a connection of its own.
bool onTheClipboard(xcb_connection_t *observer, const QString &text)
{
    static const xcb_atom_t clipboard = internAtom(observer, "CLIPBOARD");
    xcb_get_selection_owner_reply_t *reply =
        xcb_get_selection_owner_reply(observer, xcb_get_selection_owner(observer, clipboard), nullptr);
    const xcb_window_t owner = reply ? reply->owner : XCB_NONE;
    std::free(reply);
    const xcb_setup_t *ours = xcb_get_setup(X11Connection::connection());
    if (owner == XCB_NONE || (owner & ~ours->resource_id_mask) != ours->resource_id_base)
        return false;
    const QMimeData *data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    return data && data->text() == text;
}

// The other program's copies the server had certainly seen before our last
// write began; any copy begun beyond them may have come after the write's
// check. (Counted once the write has returned, a copy the server took between
// the check and that moment would pass for one seen before.)
int copiesAtLastWrite = 0;

// Notes the other program's copies as each write begins.
AppModel::CopyText noting(AppModel::CopyText write)
{
    return [write = std::move(write)](const QString &text) {
        copiesAtLastWrite = Rival::done_;
        return write(text);
    };
}

struct Tally {
    int copied = 0;
    int clipboardErrors = 0;
    int otherFailures = 0;
    int copiedButNotOnTheClipboard = 0;
    // Not ours when reported, but the other program copied after our write
    // was confirmed: a later copy, not a false report.
    int takenAfterConfirmation = 0;

    QJsonObject json() const
    {
        return {{QStringLiteral("copied"), copied},
                {QStringLiteral("clipboard_error"), clipboardErrors},
                {QStringLiteral("other_failure"), otherFailures},
                {QStringLiteral("copied_but_not_on_clipboard"), copiedButNotOnTheClipboard},
                {QStringLiteral("taken_by_other_after_confirmation"), takenAfterConfirmation}};
    }
};

QCoro::Task<> importOnce(AppModel &model, const QString &path, xcb_connection_t *observer, Tally &tally)
{
    // Judged at the moment the model says so, before anything else runs.
    bool confirmed = false;
    bool takenSince = false;
    const QMetaObject::Connection watch =
        QObject::connect(&model, &AppModel::phaseChanged, &model, [&](const CapturePhase &phase) {
            if (phase == CapturePhase::copiedPhase() && model.latest()) {
                confirmed = onTheClipboard(observer, model.latest()->text);
                takenSince = Rival::copies_ != copiesAtLastWrite;
            }
        });
    model.importImage(path);
    if (model.isOperationRunning())
        co_await qCoro(&model, &AppModel::operationEnded);
    QObject::disconnect(watch);
    if (model.phase() == CapturePhase::copiedPhase()) {
        ++tally.copied;
        if (!confirmed && takenSince)
            ++tally.takenAfterConfirmation;
        else if (!confirmed)
            ++tally.copiedButNotOnTheClipboard;
    } else if (model.lastError() == TrovError::of(TrovError::clipboard).errorDescription()) {
        ++tally.clipboardErrors;
    } else {
        ++tally.otherFailures;
        std::fprintf(stderr, "import failed: %s\n", qPrintable(model.lastError()));
    }
}

// The write as it was before the ownership check: set, then read back what
// QClipboard offers.
bool writeAndReadBack(const QString &text)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear(QClipboard::Clipboard);
    clipboard->setText(text, QClipboard::Clipboard);
    const QMimeData *data = clipboard->mimeData(QClipboard::Clipboard);
    return data && data->hasText() && data->text() == text;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    const int imports = argc > 1 ? std::max(1, atoi(argv[1])) : 100;
    xcb_connection_t *observer = xcb_connect(nullptr, nullptr);

    QTemporaryDir folder;
    const QString sample = ProgramUnderTest::writeTextImage(folder.path(), QStringLiteral("Clipboard race"));
    AppComposition composition(SmokeTest::privateName());
    composition.settings().setPlaySound(false);
    Tally confirmed;
    Tally readBack;
    int rivalCopies = 0;
    {
        AppModel::Dependencies dependencies = composition.modelDependencies();
        dependencies.copyText = noting(std::move(dependencies.copyText));
        AppModel model(std::move(dependencies));
        AppModel::Dependencies bareDependencies = composition.modelDependencies();
        bareDependencies.copyText = noting(writeAndReadBack);
        bareDependencies.catchUpClipboard = nullptr;
        AppModel bare(std::move(bareDependencies));
        // One quiet import of each loads the recogniser's model.
        QCoro::waitFor(importOnce(model, sample, observer, confirmed));
        QCoro::waitFor(importOnce(bare, sample, observer, readBack));
        confirmed = {};
        readBack = {};

        Rival rival(50);
        for (int run = 0; run < imports; ++run) {
            QCoro::waitFor(importOnce(model, sample, observer, confirmed));
            QCoro::waitFor(importOnce(bare, sample, observer, readBack));
        }
        rivalCopies = rival.copies();
        QCoro::waitFor(model.shutdown());
        QCoro::waitFor(bare.shutdown());
    }
    composition.defaults().removeDomain();
    xcb_disconnect(observer);

    const QJsonObject summary{{QStringLiteral("imports_each"), imports},
                              {QStringLiteral("other_program_copies"), rivalCopies},
                              {QStringLiteral("confirmed_copy"), confirmed.json()},
                              {QStringLiteral("peer_read_back_copy"), readBack.json()}};
    std::printf("%s\n", QJsonDocument(summary).toJson(QJsonDocument::Compact).constData());
    return 0;
}
