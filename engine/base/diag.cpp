#include "base/diag.h"

namespace tarvox {
namespace {

thread_local ErrorChannel* t_current = nullptr;

}  // namespace

void ErrorChannel::Report(std::string_view message) {
    std::string text(message.substr(0, kErrorTextSize - 1));
    {
        std::lock_guard<std::mutex> lock(mutex_);
        last_ = text;
        flag_ = true;
    }
    Trace(text);
}

void ErrorChannel::Clear() { flag_.store(false, std::memory_order_relaxed); }

std::string ErrorChannel::Last() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return last_;
}

void ErrorChannel::Trace(std::string_view text) const {
    if (!has_hook_.load(std::memory_order_acquire)) return;
    std::shared_ptr<const TraceHook> hook;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        hook = hook_;
    }
    // Called outside the lock: a hook may itself report.
    if (hook && *hook) (*hook)(text);
}

void ErrorChannel::SetTraceHook(TraceHook hook) {
    std::lock_guard<std::mutex> lock(mutex_);
    const bool set = static_cast<bool>(hook);
    hook_ = set ? std::make_shared<const TraceHook>(std::move(hook)) : nullptr;
    has_hook_.store(set, std::memory_order_release);
}

ErrorChannel& ProcessErrors() {
    static ErrorChannel channel;
    return channel;
}

ErrorChannel& Errors() { return t_current ? *t_current : ProcessErrors(); }

ErrorScope::ErrorScope(ErrorChannel& channel) : previous_(t_current) { t_current = &channel; }
ErrorScope::~ErrorScope() { t_current = previous_; }

void ReportError(std::string_view message) { Errors().Report(message); }
void ClearError() { Errors().Clear(); }
bool ErrorFlag() { return Errors().Flag(); }
std::string LastError() { return Errors().Last(); }
void Trace(std::string_view text) { Errors().Trace(text); }
void SetTraceHook(TraceHook hook) { Errors().SetTraceHook(std::move(hook)); }

}  // namespace tarvox
