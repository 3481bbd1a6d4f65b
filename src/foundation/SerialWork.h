#pragma once

#include <QCoroTask>

#include <functional>
#include <memory>

// Blocking jobs run one at a time, in the order they were posted, on the
// background pool; the GUI thread only posts them. A job may be marked
// replaceable: while it still waits its turn, the next replaceable job takes
// its place (a newer snapshot to save makes an older, unwritten one moot).
//
// Each job may carry a completion that runs on the posting thread once the job
// is done, on a later turn of its event loop than the post, but only while
// this object exists: its owner is gone otherwise.
// Jobs already posted still run to their end after it is destroyed.
class SerialWork {
public:
    using Job = std::function<void()>;
    using Completion = std::function<void()>;

    SerialWork();
    ~SerialWork();
    SerialWork(const SerialWork &) = delete;
    SerialWork &operator=(const SerialWork &) = delete;

    void post(Job job, Completion completion = {});
    void postReplaceable(Job job);

    bool isIdle() const;
    // Returns once every job posted so far has run (at once when none waits).
    QCoro::Task<void> idle();

private:
    struct State;
    void enqueue(Job job, Completion completion, bool replaceable);
    static QCoro::Task<void> drain(std::shared_ptr<State> state);

    std::shared_ptr<State> state_;
};
