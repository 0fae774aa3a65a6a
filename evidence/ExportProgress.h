#pragma once

#include <atomic>
#include <cstdint>

// Progress and cancellation of one export. The export calls advance() from the thread that
// does the work; cancel() may come from any thread, and the export stops at its next step,
// leaving nothing behind.
class ExportProgress {
public:
    virtual ~ExportProgress() = default;

    // `done` of `total` steps are finished (frames, or files of a package).
    virtual void advance(std::uint64_t done, std::uint64_t total) {
        static_cast<void>(done);
        static_cast<void>(total);
    }

    void cancel() { cancelRequested.store(true); }
    bool isCancelled() const { return cancelRequested.load(); }

private:
    std::atomic<bool> cancelRequested{false};
};
