// The engine's error channel and diagnostic trace.
//
// The error channel keeps an error flag and the text of the last error (at
// most 512 bytes including the terminating NUL, so 511 characters). The
// trace is a settable hook; by default it does nothing, tools install one to
// show the trace on request. Every reported error is passed to the trace too.
//
// Each engine instance owns a channel. The free functions below report to
// the channel of the instance the calling thread works for: an ErrorScope
// names it while the instance runs (the driver opens one around every call
// into its stages); outside any scope they report to the process-wide
// instance's channel. A channel may be used from several threads.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace tarvox {

inline constexpr std::size_t kErrorTextSize = 512;

using TraceHook = std::function<void(std::string_view)>;

class ErrorChannel {
public:
    void Report(std::string_view message);
    void Clear();
    bool Flag() const { return flag_.load(std::memory_order_relaxed); }
    // A copy: another thread may report meanwhile.
    std::string Last() const;

    void Trace(std::string_view text) const;
    void SetTraceHook(TraceHook hook);

private:
    mutable std::mutex mutex_;
    std::atomic<bool> flag_{false};
    std::string last_;
    std::shared_ptr<const TraceHook> hook_;
    std::atomic<bool> has_hook_{false};
};

// The process-wide instance's channel.
ErrorChannel& ProcessErrors();

// This thread's channel: the innermost ErrorScope's, else ProcessErrors().
ErrorChannel& Errors();

// While it lives, the free functions of this thread report to `channel`.
class ErrorScope {
public:
    explicit ErrorScope(ErrorChannel& channel);
    ~ErrorScope();
    ErrorScope(const ErrorScope&) = delete;
    ErrorScope& operator=(const ErrorScope&) = delete;

private:
    ErrorChannel* previous_;
};

void ReportError(std::string_view message);
void ClearError();
bool ErrorFlag();
std::string LastError();
void Trace(std::string_view text);
void SetTraceHook(TraceHook hook);

}  // namespace tarvox
