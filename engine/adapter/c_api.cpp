// The C interface: the narrow engine API that the command line, the
// speech-dispatcher module and other front ends sit on. It shares the
// engine objects' process-wide host (configuration once, stages once, one
// synthesis at a time) and their rate, pitch and volume rules, but speaks
// sentence by sentence so that the first audio leaves at once.
#include "adapter/tarvox.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "adapter/tts_engine.h"
#include "base/diag.h"
#include "base/files.h"
#include "driver/sint.h"
#include "text/character_names.h"
#include "text/codepage.h"
#include "text/text_pieces.h"

struct tarvox_voice {
    std::string directory;
    std::atomic<bool> stop{false};
    std::string error;
};

namespace tarvox {
namespace {

constexpr std::size_t kAudioPiece = 1024;  // samples

std::mutex g_open_mutex;
std::string g_open_error;

// The text in the code page, with the UTF-8 offset of every byte.
struct CodedText {
    std::string text;
    std::vector<std::size_t> source;  // source[i]: UTF-8 offset of text[i]; one more at the end
};

CodedText Encode(std::string_view utf8) {
    CodedText out;
    out.text.reserve(utf8.size());
    out.source.reserve(utf8.size() + 1);
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t start = i;
        // A malformed sequence gives one "?" and moves on by a byte.
        out.text.push_back(Cp1250FromCodePoint(NextCodePoint(utf8, i)));
        out.source.push_back(start);
    }
    out.source.push_back(utf8.size());
    return out;
}

struct PendingEvent {
    tarvox_event_kind kind;
    std::size_t position;  // in the coded text
    std::size_t length;
    const char* name;
};

std::vector<PendingEvent> Words(const std::string& text) {
    std::vector<PendingEvent> words;
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; };
    for (std::size_t i = 0; i < text.size();) {
        if (blank(text[i])) {
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j < text.size() && !blank(text[j])) ++j;
        words.push_back({TARVOX_EVENT_WORD, i, j - i, nullptr});
        i = j;
    }
    return words;
}

class Speaker {
public:
    Speaker(tarvox_voice& voice, const CodedText& text, std::vector<PendingEvent> events,
            int volume, tarvox_audio_callback on_audio, tarvox_event_callback on_event, void* user)
        : voice_(voice), text_(text), events_(std::move(events)), volume_(volume),
          on_audio_(on_audio), on_event_(on_event), user_(user) {}

    bool stopped() const { return stopped_; }

    // Delivers one sentence's samples: the sentence event, the events whose
    // text position lies in [from, to) spread over the audio, the audio in
    // pieces. False when speaking stops.
    bool Sentence(const std::int16_t* samples, std::size_t count, std::size_t from,
                  std::size_t to) {
        Emit({TARVOX_EVENT_SENTENCE, from, 0, nullptr}, sample_);
        const std::uint64_t start = sample_;
        const double span = to > from ? static_cast<double>(to - from) : 1.0;
        std::vector<std::int16_t> piece;
        for (std::size_t done = 0; done < count || done == 0;) {
            const std::size_t n = std::min(kAudioPiece, count - done);
            const std::uint64_t piece_end = start + done + n;
            while (next_ < events_.size() && events_[next_].position < to) {
                const double rel = static_cast<double>(events_[next_].position - std::min(events_[next_].position, from)) / span;
                const auto at = start + static_cast<std::uint64_t>(rel * static_cast<double>(count));
                if (at >= piece_end && done + n < count) break;
                Emit(events_[next_], std::max<std::uint64_t>(at, start + done));
                ++next_;
            }
            if (n == 0) break;
            piece.assign(samples + done, samples + done + n);
            for (std::int16_t& s : piece)
                s = static_cast<std::int16_t>(std::clamp(static_cast<long>(s) * volume_ / 50, -32766L, 32766L));
            if (on_audio_ && on_audio_(user_, piece.data(), piece.size()) != 0) return Stop();
            done += n;
            sample_ += n;
            if (voice_.stop) return Stop();
        }
        return true;
    }

    // Events left before `to` after a piece of text gave no more audio.
    void Flush(std::size_t to) {
        while (next_ < events_.size() && events_[next_].position < to) Emit(events_[next_++], sample_);
    }

private:
    bool Stop() {
        stopped_ = true;
        return false;
    }
    void Emit(const PendingEvent& e, std::uint64_t at) {
        if (!on_event_) return;
        tarvox_event ev{};
        ev.kind = e.kind;
        ev.sample = at;
        const std::size_t p = std::min(e.position, text_.source.size() - 1);
        const std::size_t q = std::min(e.position + e.length, text_.source.size() - 1);
        ev.text_position = text_.source[p];
        ev.text_length = e.length ? text_.source[q] - text_.source[p] : 0;
        ev.name = e.name;
        on_event_(user_, &ev);
    }

    tarvox_voice& voice_;
    const CodedText& text_;
    std::vector<PendingEvent> events_;
    std::size_t next_ = 0;
    long volume_;
    tarvox_audio_callback on_audio_;
    tarvox_event_callback on_event_;
    void* user_;
    std::uint64_t sample_ = 0;
    bool stopped_ = false;
};

tarvox_status Fail(tarvox_voice* voice, tarvox_status status, const std::string& message) {
    if (voice) voice->error = message;
    return status;
}

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
    voice->error.clear();

    const CodedText coded = Encode(utf8);
    std::vector<PendingEvent> events = Words(coded.text);
    for (std::size_t i = 0; i < mark_count; ++i) {
        const auto it = std::lower_bound(coded.source.begin(), coded.source.end() - 1,
                                         marks[i].text_position);
        events.push_back({TARVOX_EVENT_MARK, static_cast<std::size_t>(it - coded.source.begin()),
                          0, marks[i].name ? marks[i].name : ""});
    }
    std::stable_sort(events.begin(), events.end(), [](const PendingEvent& a, const PendingEvent& b) {
        if (a.position != b.position) return a.position < b.position;
        return a.kind == TARVOX_EVENT_MARK && b.kind != TARVOX_EVENT_MARK;
    });
    Speaker speaker(*voice, coded, std::move(events), s.volume, on_audio, on_event, user);

    EngineHost& host = ProcessEngineHost();
    Sint& sint = host.sint();
    const std::string& text = coded.text;
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    const std::size_t last = text.find_last_not_of(" \t\r\n");
    std::lock_guard<std::mutex> lock(host.synthesis_mutex());
    if (!host.sint_started || !host.psola_started)
        return Fail(voice, TARVOX_ERR_INIT, "the engine is not started");
    sint.SetTempo(s.rate);
    sint.SetPitch(std::clamp(s.pitch * 50 / 20, -20, 20));
    sint.SetFrequencyAgitation(90);
    auto samples_of = [&](std::int32_t& n) { return sint.SintezaGovoraStream(n); };

    if (first == std::string::npos) {
        speaker.Flush(text.size() + 1);
        return TARVOX_OK;
    }
    if (first == last) {
        // A single character is spelled by its name.
        if (sint.Prozodija(CharacterNameOf(static_cast<unsigned char>(text[first]))) == 0) {
            std::int32_t n = 0;
            const std::int16_t* samples = samples_of(n);
            if (samples && n > 0) speaker.Sentence(samples, static_cast<std::size_t>(n), 0, text.size());
        }
        speaker.Flush(text.size() + 1);
        return TARVOX_OK;
    }
    std::size_t piece_start = 0;
    for (std::string_view piece : SplitIntoPieces(text)) {
        const std::string p(piece);
        const std::size_t piece_end = piece_start + piece.size();
        std::size_t sentence_start = piece_start;
        std::size_t consumed = 0;
        if (p.find_first_not_of(" \t\r\n") != std::string::npos) {
            for (int r = sint.GrafemskoFonemskaPretvorba(p.c_str()); r > 0;
                 r = sint.GrafemskoFonemskaPretvorba(nullptr)) {
                // Where the sentence ends in the piece as given (its
                // abbreviations and clock times are written out before the
                // division); the sentence's own length where that is unknown.
                const std::size_t given = sint.ConsumedInput();
                consumed = given > 0 ? given : consumed + static_cast<std::size_t>(r);
                const std::size_t sentence_end =
                    std::max(sentence_start, std::min(piece_end, piece_start + consumed));
                if (sint.Prozodija(sint.CurrentTranscription()) != 0) continue;
                std::int32_t n = 0;
                const std::int16_t* samples = samples_of(n);
                if (!samples || n <= 0) continue;
                if (!speaker.Sentence(samples, static_cast<std::size_t>(n), sentence_start,
                                      sentence_end))
                    return TARVOX_OK;
                sentence_start = sentence_end;
            }
        }
        speaker.Flush(piece_end);
        piece_start = piece_end;
    }
    speaker.Flush(text.size() + 1);
    return TARVOX_OK;
}

}  // namespace
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
        EngineHost& host = ProcessEngineHost();
        std::lock_guard<std::mutex> lock(host.setup_mutex());
        const std::string dir = voice_directory;
        if (host.has_path_copy && host.path_copy != dir) {
            g_open_error = "another voice is open in this process: " + host.path_copy;
            return TARVOX_ERR_BUSY;
        }
        if (!PathExists(dir)) {
            g_open_error = "voice directory not found: " + dir;
            return TARVOX_ERR_VOICE;
        }
        host.SetPath(dir);
        ClearError();
        const bool had_configuration = host.configuration_read;
        if (FAILED(host.Start(S_OK, std::nullopt))) {
            const bool configuration = host.configuration_read || had_configuration;
            g_open_error = (configuration ? "cannot start the engine with " : "cannot read the configuration of ") + dir +
                           ": " + LastError();
            if (host.init_count == 0) host.Stop();
            return configuration ? TARVOX_ERR_INIT : TARVOX_ERR_VOICE;
        }
        auto* v = new tarvox_voice;
        v->directory = dir;
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
    {
        std::lock_guard<std::mutex> api(g_open_mutex);
        EngineHost& host = ProcessEngineHost();
        std::lock_guard<std::mutex> lock(host.setup_mutex());
        host.Stop();
    }
    delete voice;
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
    if (voice) return voice->error.c_str();
    // A copy per thread, taken under the lock, so another thread's
    // tarvox_open cannot change the text while the caller reads it.
    thread_local std::string copy;
    std::lock_guard<std::mutex> api(g_open_mutex);
    copy = g_open_error;
    return copy.c_str();
}

const char* tarvox_status_message(tarvox_status status) {
    switch (status) {
        case TARVOX_OK: return "ok";
        case TARVOX_ERR_ARGUMENT: return "invalid argument";
        case TARVOX_ERR_VOICE: return "voice directory missing or unreadable";
        case TARVOX_ERR_INIT: return "the engine could not start with this voice";
        case TARVOX_ERR_BUSY: return "another voice is open in this process";
        case TARVOX_ERR_INTERNAL: return "internal error";
    }
    return "unknown status";
}

int tarvox_sample_rate(void) { return 16000; }

}  // extern "C"
