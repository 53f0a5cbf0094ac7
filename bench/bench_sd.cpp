// First-audio latency of the speech-dispatcher module: from a SPEAK command
// (with a long text) handed to the module's session to the first 705 audio
// block it writes. The session runs in this process with the bundled
// voice; the worker thread writes the block, the clock stops there.
#include <benchmark/benchmark.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>

#include "module_session.h"

namespace {

using Clock = std::chrono::steady_clock;

class TimingSink final : public tarvox::sd::OutputSink {
public:
    void Write(std::string_view bytes) override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (bytes.find("299 OK") != std::string_view::npos) loaded_ = true;
        if (!first_audio_ && bytes.starts_with("705-")) {
            first_audio_ = Clock::now();
            cv_.notify_all();
        }
    }
    void Reset() {
        std::lock_guard<std::mutex> lock(mutex_);
        first_audio_.reset();
    }
    Clock::time_point WaitForAudio() {
        std::unique_lock<std::mutex> lock(mutex_);
        cv_.wait(lock, [&] { return first_audio_.has_value(); });
        return *first_audio_;
    }

    bool loaded() {
        std::lock_guard<std::mutex> lock(mutex_);
        return loaded_;
    }

private:
    std::mutex mutex_;
    bool loaded_ = false;
    std::condition_variable cv_;
    std::optional<Clock::time_point> first_audio_;
};

std::string LongMessage() {
    std::string text = "SPEAK\n<speak>";
    for (int i = 1; i <= 200; ++i)
        text += "<mark name=\"__spd_id_" + std::to_string(i) + "\"/>To je " + std::to_string(i) +
                ". stavek dolgega besedila, ki ga bralnik zaslona pošlje naenkrat. ";
    return text + "</speak>\n.\n";
}

void BM_SdFirstAudio(benchmark::State& state) {
    TimingSink sink;
    tarvox::sd::SessionOptions options;
    options.default_voice_directory = TARVOX_VOICE_DIR;
    tarvox::sd::ModuleSession session(sink, options);
    std::istringstream init("INIT\nAUDIO\naudio_output_method=server\n.\n");
    tarvox::sd::LineReader init_reader(init);
    session.Handle(init_reader);
    session.Handle(init_reader);
    if (!sink.loaded()) {
        state.SkipWithError("the voice " TARVOX_VOICE_DIR " did not load");
        return;
    }
    const std::string message = LongMessage();
    for (auto _ : state) {
        sink.Reset();
        std::istringstream in(message + "STOP\n");
        tarvox::sd::LineReader reader(in);
        const auto start = Clock::now();
        session.Handle(reader);  // SPEAK: replies, starts the worker
        const auto first = sink.WaitForAudio();
        session.Handle(reader);  // STOP
        state.SetIterationTime(std::chrono::duration<double>(first - start).count());
    }
}
BENCHMARK(BM_SdFirstAudio)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
