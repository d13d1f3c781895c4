#pragma once
// The time base of the playback thread: the monotonic clock and a way to
// sleep until an absolute deadline that another thread can cut short. Tests
// put a clock here that they advance by hand.

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace skirlo {

class PlaybackClock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~PlaybackClock() = default;
    virtual TimePoint now() const = 0;
    // Called with `lock` held; releases it while sleeping until `deadline`
    // (TimePoint::max(): until notified) and holds it again on return. May
    // return early: the caller looks at its state and the time again.
    virtual void waitUntil(std::unique_lock<std::mutex>& lock, TimePoint deadline) = 0;
    // Wakes the sleeper. Called after changing the state it watches, with
    // the lock released.
    virtual void notify() = 0;
};

class SteadyPlaybackClock final : public PlaybackClock {
public:
    TimePoint now() const override { return std::chrono::steady_clock::now(); }
    void waitUntil(std::unique_lock<std::mutex>& lock, TimePoint deadline) override {
        if (deadline == TimePoint::max()) {
            wake_.wait(lock);
        } else {
            wake_.wait_until(lock, deadline);
        }
    }
    void notify() override { wake_.notify_all(); }

private:
    std::condition_variable wake_;
};

}  // namespace skirlo
