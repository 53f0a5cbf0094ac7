#include "base/diag.h"

namespace tarvox {

void ErrorChannel::Report(std::string_view message) {
    flag_ = true;
    last_.assign(message.substr(0, kErrorTextSize - 1));
    Trace(last_);
}

void ErrorChannel::Trace(std::string_view text) const {
    if (hook_) hook_(text);
}

ErrorChannel& Errors() {
    static ErrorChannel channel;
    return channel;
}

void ReportError(std::string_view message) { Errors().Report(message); }
void ClearError() { Errors().Clear(); }
bool ErrorFlag() { return Errors().Flag(); }
const std::string& LastError() { return Errors().Last(); }
void Trace(std::string_view text) { Errors().Trace(text); }
void SetTraceHook(TraceHook hook) { Errors().SetTraceHook(std::move(hook)); }

}  // namespace tarvox
