// One engine: a voice's configuration, the driver with its stages, the error
// channel its stages report to, and the lock under which its stages run. An
// instance holds no state that another instance shares, so two instances (two
// voices) speak at the same time from two threads.
//
// The process-wide instance stands behind the driver's free functions and
// the speech platform's engine objects; its channel is ProcessErrors().
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "base/config.h"
#include "base/diag.h"
#include "driver/request.h"
#include "driver/sint.h"

namespace tarvox {

// How starting an instance went; `message` is an English line with the
// engine's own message.
struct EngineStart {
    enum class Failure { None, Directory, Configuration, Stages, Database };
    Failure failure = Failure::None;
    std::string message;
    bool ok() const { return failure == Failure::None; }
};

class EngineInstance {
public:
    // An instance with a channel of its own.
    explicit EngineInstance(StageFactory factory = DefaultStages());
    // An instance that reports to `channel` (the process-wide instance).
    EngineInstance(ErrorChannel& channel, StageFactory factory);
    EngineInstance(const EngineInstance&) = delete;
    EngineInstance& operator=(const EngineInstance&) = delete;

    Configuration& config() { return config_; }
    const Configuration& config() const { return config_; }
    Sint& sint() { return sint_; }
    ErrorChannel& errors() { return errors_; }
    // Held while the stages run: one sentence at a time in an instance.
    std::mutex& synthesis_mutex() { return synthesis_; }

    // The caller's text as this engine reads it: the characters its code
    // page lacks read by the voice's table (unreadable ones reported on this
    // instance's trace). See RequestText.
    RequestText TextFromUtf8(std::string_view utf8, bool characters = false, std::size_t base = 0);
    RequestText TextFromUtf16(std::u16string_view utf16);
    // The voice's readings of characters beyond the code page; null before
    // the stages start or when the voice has none.
    const CodePointReadings* code_points();

    // Reads the voice directory's sint.ini, lets `adjust` change what it
    // set, starts the stages and, with `audio`, the waveform generator.
    EngineStart Start(const std::string& voice_directory, bool audio,
                      const std::function<void(Configuration&)>& adjust = {});

private:
    std::unique_ptr<ErrorChannel> own_errors_;
    ErrorChannel& errors_;
    Configuration config_;
    Sint sint_;
    std::mutex synthesis_;
};

EngineInstance& ProcessEngine();

}  // namespace tarvox
