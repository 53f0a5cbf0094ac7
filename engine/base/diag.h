// The engine's error channel and diagnostic trace.
//
// The error channel keeps an error flag and the text of the last error (at
// most 512 bytes including the terminating NUL, so 511 characters). The
// trace is a settable hook; by default it does nothing, tools install one to
// show the trace on request. Every reported error is passed to the trace too.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace tarvox {

inline constexpr std::size_t kErrorTextSize = 512;

using TraceHook = std::function<void(std::string_view)>;

class ErrorChannel {
public:
    void Report(std::string_view message);
    void Clear() { flag_ = false; }
    bool Flag() const { return flag_; }
    const std::string& Last() const { return last_; }

    void Trace(std::string_view text) const;
    void SetTraceHook(TraceHook hook) { hook_ = std::move(hook); }

private:
    bool flag_ = false;
    std::string last_;
    TraceHook hook_;
};

// The process-wide channel behind the free functions below.
ErrorChannel& Errors();

void ReportError(std::string_view message);
void ClearError();
bool ErrorFlag();
const std::string& LastError();
void Trace(std::string_view text);
void SetTraceHook(TraceHook hook);

}  // namespace tarvox
