#pragma once

#include <QCoroTask>
#include <QObject>

#include <functional>

// The one road every quit request takes, whatever asked (a menu, the status
// item, a signal, the session ending): while the local engine installs, the
// user is asked first; then the set-up and the model are shut down, in that
// order and each to the end, and only then does the application terminate.
// Requests that arrive meanwhile, including while the question is open, are
// refused.
class QuitController final : public QObject {
    Q_OBJECT
public:
    enum class Reply { terminateNow, cancel };

    struct Steps {
        // Whether the local engine's set-up is running now.
        std::function<bool()> isInstalling;
        // Asks whether to keep installing (modal); true keeps the application running.
        std::function<bool()> keepInstalling;
        // Stops the set-up, then shuts the model down.
        std::function<QCoro::Task<void>()> shutDown;
        // Ends the application; called once, after the shutdown.
        std::function<void()> terminate;
        // Closes the question while it is open; it then answers as Escape would.
        std::function<void()> dismissQuestion;
    };

    explicit QuitController(Steps steps, QObject *parent = nullptr);

    // The rules for one request; `cancel` may have started the shutdown.
    Reply shouldTerminate();
    // A request from anywhere: terminates when the rules allow it now.
    void requestQuit();
    // A request nobody is there to answer questions for (a quit signal, the
    // session ending): an installation is stopped as "Quit and stop setup"
    // would, and a question already open is closed and overruled.
    void requestQuitWithoutAsking();

    bool isQuitting() const { return isQuitting_; }
    bool mayTerminate() const { return mayTerminate_; }

private:
    QCoro::Task<void> shutDownThenQuit();

    Steps steps_;
    bool isQuitting_ = false;
    bool mayTerminate_ = false;
    bool isAsking_ = false;
    bool withoutAsking_ = false;
    bool terminated_ = false;
};
