// The C interface: the narrow engine API that the command line, the
// speech-dispatcher module and other front ends sit on. Each voice
// directory open through it is an engine instance of its own (handles of the
// same directory share it), so two voices speak at the same time from two
// threads; the driver's request speaks sentence by sentence, so the first
// audio leaves at once.
#include "adapter/tarvox.h"
#include "adapter/c_api_internal.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "base/diag.h"
#include "driver/instance.h"
#include "driver/request.h"

namespace tarvox {
namespace {

constexpr std::size_t kAudioPiece = 1024;  // samples

// A voice directory's engine, shared by the handles that opened it.
struct OpenEngine {
    explicit OpenEngine(StageFactory stages) : engine(std::move(stages)) {}
    std::string directory;
    EngineInstance engine;
};

}  // namespace
}  // namespace tarvox

struct tarvox_voice {
    std::shared_ptr<tarvox::OpenEngine> open;
    std::atomic<bool> stop{false};
    mutable std::mutex error_mutex;
    std::string error;
};

namespace tarvox {
namespace {

// Guards the table of open engines and the last error of tarvox_open.
std::mutex g_open_mutex;
std::string g_open_error;
std::map<std::string, std::weak_ptr<OpenEngine>>& OpenEngines() {
    static std::map<std::string, std::weak_ptr<OpenEngine>> engines;
    return engines;
}

StageFactory& StagesOfNewVoices() {
    static StageFactory stages = DefaultStages();
    return stages;
}

// The directory as one name whatever way it is written.
std::string Canonical(const std::string& dir) {
    std::error_code ec;
    const std::filesystem::path p = std::filesystem::weakly_canonical(dir, ec);
    return ec ? dir : p.string();
}

void SetError(tarvox_voice* voice, const std::string& message) {
    if (!voice) return;
    std::lock_guard<std::mutex> lock(voice->error_mutex);
    voice->error = message;
}

tarvox_status Fail(tarvox_voice* voice, tarvox_status status, const std::string& message) {
    SetError(voice, message);
    return status;
}

// The request's events as C events, its audio scaled by the volume in
// pieces of at most 1024 samples.
class CallbackSink final : public RequestSink {
public:
    CallbackSink(const tarvox_mark* marks, int volume, tarvox_audio_callback on_audio,
                 tarvox_event_callback on_event, void* user)
        : marks_(marks), volume_(volume), on_audio_(on_audio), on_event_(on_event), user_(user) {}

    bool Event(const RequestEvent& e) override {
        if (!on_event_) return true;
        tarvox_event ev{};
        ev.sample = e.sample;
        ev.text_position = e.position;
        ev.text_length = e.length;
        switch (e.kind) {
            case RequestEventKind::Sentence: ev.kind = TARVOX_EVENT_SENTENCE; break;
            case RequestEventKind::Word: ev.kind = TARVOX_EVENT_WORD; break;
            case RequestEventKind::Mark:
                ev.kind = TARVOX_EVENT_MARK;
                ev.name = marks_[order_[e.mark]].name ? marks_[order_[e.mark]].name : "";
                break;
        }
        on_event_(user_, &ev);
        return true;
    }
    bool Audio(std::span<const std::int16_t> samples) override {
        piece_.resize(samples.size());
        std::transform(samples.begin(), samples.end(), piece_.begin(), [this](std::int16_t s) {
            return static_cast<std::int16_t>(std::clamp(s * volume_ / 50, -32766L, 32766L));
        });
        return !on_audio_ || on_audio_(user_, piece_.data(), piece_.size()) == 0;
    }

    // The marks sorted by position (the request takes them in text order);
    // order_[i] is the caller's index of the i-th.
    std::vector<std::size_t> SortMarks(std::size_t count, std::vector<std::size_t>& positions) {
        order_.resize(count);
        for (std::size_t i = 0; i < count; ++i) order_[i] = i;
        std::stable_sort(order_.begin(), order_.end(), [this](std::size_t a, std::size_t b) {
            return marks_[a].text_position < marks_[b].text_position;
        });
        positions.clear();
        for (std::size_t i : order_) positions.push_back(marks_[i].text_position);
        return order_;
    }

private:
    const tarvox_mark* marks_;
    long volume_;
    tarvox_audio_callback on_audio_;
    tarvox_event_callback on_event_;
    void* user_;
    std::vector<std::size_t> order_;
    std::vector<std::int16_t> piece_;
};

tarvox_status Speak(tarvox_voice* voice, const char* utf8, const tarvox_mark* marks,
                    std::size_t mark_count, const tarvox_settings* settings,
                    tarvox_audio_callback on_audio, tarvox_event_callback on_event, void* user) {
    if (!voice || !utf8 || (mark_count && !marks))
        return Fail(voice, TARVOX_ERR_ARGUMENT, "null argument");
    const tarvox_settings s = settings ? *settings : tarvox_settings{0, 0, 100};
    if (s.rate < -10 || s.rate > 10 || s.pitch < -10 || s.pitch > 10 || s.volume < 0 ||
        s.volume > 100)
        return Fail(voice, TARVOX_ERR_ARGUMENT, "rate, pitch or volume out of range");
    voice->stop = false;
    SetError(voice, "");

    CallbackSink sink(marks, s.volume, on_audio, on_event, user);
    RequestSettings request;
    request.rate = s.rate;
    request.pitch = std::clamp(s.pitch * 50 / 20, -20, 20);
    request.pitch_range = 90;
    request.piece = kAudioPiece;
    request.stop = &voice->stop;
    sink.SortMarks(mark_count, request.marks);
    const RequestResult result =
        tarvox::Speak(voice->open->engine, voice->open->engine.TextFromUtf8(utf8), request, sink);
    if (!result.started) return Fail(voice, TARVOX_ERR_INIT, "the engine is not started");
    return TARVOX_OK;
}

}  // namespace

void SetStagesOfNewVoices(StageFactory factory) {
    std::lock_guard<std::mutex> api(g_open_mutex);
    StagesOfNewVoices() = std::move(factory);
}

}  // namespace tarvox

using namespace tarvox;

extern "C" {

tarvox_status tarvox_open(const char* voice_directory, tarvox_voice** voice) {
    if (voice) *voice = nullptr;
    std::lock_guard<std::mutex> api(g_open_mutex);
    if (!voice_directory || !voice) {
        g_open_error = "null argument";
        return TARVOX_ERR_ARGUMENT;
    }
    try {
        const std::string dir = voice_directory;
        const std::string key = Canonical(dir);
        std::shared_ptr<OpenEngine> open = OpenEngines()[key].lock();
        if (!open) {
            auto made = std::make_shared<OpenEngine>(StagesOfNewVoices());
            made->directory = dir;
            const EngineStart start = made->engine.Start(dir, true);
            if (!start.ok()) {
                g_open_error = start.message;
                OpenEngines().erase(key);
                return start.failure == EngineStart::Failure::Directory ||
                               start.failure == EngineStart::Failure::Configuration
                           ? TARVOX_ERR_VOICE
                           : TARVOX_ERR_INIT;
            }
            OpenEngines()[key] = made;
            open = std::move(made);
        }
        auto* v = new tarvox_voice;
        v->open = std::move(open);
        *voice = v;
        g_open_error.clear();
        return TARVOX_OK;
    } catch (const std::exception& e) {
        g_open_error = e.what();
        return TARVOX_ERR_INTERNAL;
    }
}

void tarvox_close(tarvox_voice* voice) {
    if (!voice) return;
    std::lock_guard<std::mutex> api(g_open_mutex);
    // The last handle of a directory releases its engine.
    delete voice;
    for (auto it = OpenEngines().begin(); it != OpenEngines().end();)
        it = it->second.expired() ? OpenEngines().erase(it) : std::next(it);
}

tarvox_status tarvox_speak(tarvox_voice* voice, const char* utf8_text,
                           const tarvox_settings* settings, tarvox_audio_callback on_audio,
                           tarvox_event_callback on_event, void* user) {
    return tarvox_speak_marked(voice, utf8_text, nullptr, 0, settings, on_audio, on_event, user);
}

tarvox_status tarvox_speak_marked(tarvox_voice* voice, const char* utf8_text,
                                  const tarvox_mark* marks, size_t mark_count,
                                  const tarvox_settings* settings, tarvox_audio_callback on_audio,
                                  tarvox_event_callback on_event, void* user) {
    try {
        return Speak(voice, utf8_text, marks, mark_count, settings, on_audio, on_event, user);
    } catch (const std::bad_alloc&) {
        return Fail(voice, TARVOX_ERR_INTERNAL, "out of memory");
    } catch (const std::exception& e) {
        return Fail(voice, TARVOX_ERR_INTERNAL, e.what());
    } catch (...) {
        return Fail(voice, TARVOX_ERR_INTERNAL, "internal error");
    }
}

void tarvox_stop(tarvox_voice* voice) {
    if (voice) voice->stop = true;
}

const char* tarvox_last_error(const tarvox_voice* voice) {
    // A copy per thread, taken under the lock, so another thread cannot
    // change the text while the caller reads it.
    thread_local std::string copy;
    if (voice) {
        std::lock_guard<std::mutex> lock(voice->error_mutex);
        copy = voice->error;
    } else {
        std::lock_guard<std::mutex> api(g_open_mutex);
        copy = g_open_error;
    }
    return copy.c_str();
}

const char* tarvox_status_message(tarvox_status status) {
    switch (status) {
        case TARVOX_OK: return "ok";
        case TARVOX_ERR_ARGUMENT: return "invalid argument";
        case TARVOX_ERR_VOICE: return "voice directory missing or unreadable";
        case TARVOX_ERR_INIT: return "the engine could not start with this voice";
        case TARVOX_ERR_BUSY: return "the voice is busy";
        case TARVOX_ERR_INTERNAL: return "internal error";
    }
    return "unknown status";
}

int tarvox_sample_rate(void) { return 16000; }

}  // extern "C"
