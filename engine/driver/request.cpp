#include "driver/request.h"

#include <algorithm>
#include <mutex>

#include "base/config.h"
#include "base/diag.h"
#include "driver/instance.h"
#include "driver/sint.h"
#include "text/character_names.h"
#include "text/codepage.h"
#include "text/text_pieces.h"

namespace tarvox {
namespace {

constexpr std::string_view kBlanks = " \t\r\n";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// An event waiting for its sentence, placed by its index in the coded text.
struct Pending {
    RequestEventKind kind;
    std::size_t index;   // in the coded text
    std::size_t length;  // bytes of the coded text (words)
    std::size_t mark;
};

std::vector<Pending> PendingEvents(const RequestText& text, const RequestSettings& settings) {
    std::vector<Pending> events;
    const std::string& t = text.text;
    if (settings.words) {
        for (std::size_t i = 0; i < t.size();) {
            if (IsBlank(t[i])) {
                ++i;
                continue;
            }
            std::size_t j = i;
            while (j < t.size() && !IsBlank(t[j])) ++j;
            events.push_back({RequestEventKind::Word, i, j - i, 0});
            i = j;
        }
    }
    for (std::size_t m = 0; m < settings.marks.size(); ++m)
        events.push_back({RequestEventKind::Mark, text.IndexOf(settings.marks[m]), 0, m});
    // In text order; a mark before the word that starts where it stands.
    std::stable_sort(events.begin(), events.end(), [](const Pending& a, const Pending& b) {
        if (a.index != b.index) return a.index < b.index;
        return a.kind == RequestEventKind::Mark && b.kind != RequestEventKind::Mark;
    });
    return events;
}

// Silence as the trimming hears it: samples of at most this magnitude.
constexpr int kSilenceLevel = 64;
constexpr std::size_t kLeadingSilence = 160;    // samples kept before the first sound (10 ms)
constexpr std::size_t kTrailingSilence = 1600;  // samples kept after the last sound (100 ms)

bool Audible(std::int16_t s) { return s > kSilenceLevel || s < -kSilenceLevel; }

// Hands the sentences' audio and events to the sink. With trimming, the
// silence before the request's first sound is cut to 10 ms and after its
// last sound to 100 ms: the silence at the end of each sentence is held
// until the next sentence brings sound (pauses between sentences stay), and
// events are placed where they fall in the audio as delivered.
class Delivery {
public:
    Delivery(const RequestText& text, const RequestSettings& settings, RequestSink& sink, bool trim)
        : text_(text), settings_(settings), sink_(sink), events_(PendingEvents(text, settings)),
          trim_(trim) {}

    // One sentence's samples, whose text is [from, to) of the coded text:
    // the sentence event, then the audio in pieces, each after the events
    // whose text position falls in it (spread over the sentence's audio by
    // their place in its text). False when the request ends.
    bool Sentence(std::span<const std::int16_t> samples, std::size_t from, std::size_t to) {
        const std::size_t count = samples.size();
        std::size_t begin = 0;    // first sample to deliver
        std::size_t end = count;  // samples from here are held back
        if (trim_) {
            const auto first = std::find_if(samples.begin(), samples.end(), Audible);
            if (first == samples.end()) {
                // No sound: all of it is silence before or after the sound.
                begin = started_ ? 0 : count;
                end = begin;
            } else {
                const auto last = std::find_if(samples.rbegin(), samples.rend(), Audible);
                end = count - static_cast<std::size_t>(last - samples.rbegin());
                if (!started_) {
                    const auto lead = static_cast<std::size_t>(first - samples.begin());
                    begin = lead > kLeadingSilence ? lead - kLeadingSilence : 0;
                }
                if (!ReleaseHeld()) return false;
                started_ = true;
            }
            skipped_ += begin;
        }
        if (!Emit({RequestEventKind::Sentence, from, 0, 0}, sample_ + begin, delivered_)) return false;
        const std::uint64_t start = sample_;
        const double span = to > from ? static_cast<double>(to - from) : 1.0;
        const std::size_t piece = std::max<std::size_t>(settings_.piece, 1);
        for (std::size_t done = begin; done < count;) {
            const bool held = done >= end;
            const std::size_t n = std::min(piece, (held ? count : end) - done);
            const std::uint64_t piece_end = start + done + n;
            while (next_ < events_.size() && events_[next_].index < to) {
                const Pending& e = events_[next_];
                const double rel = static_cast<double>(e.index - std::min(e.index, from)) / span;
                const auto at = start + static_cast<std::uint64_t>(rel * static_cast<double>(count));
                if (at >= piece_end && done + n < count) break;
                const std::uint64_t place = std::max<std::uint64_t>(at, start + done);
                if (held) held_events_.push_back({e, place});
                else if (!Emit(e, place, delivered_ + n)) return false;
                ++next_;
            }
            if (held) {
                held_.insert(held_.end(), samples.begin() + static_cast<std::ptrdiff_t>(done),
                             samples.begin() + static_cast<std::ptrdiff_t>(done + n));
            } else if (!Deliver(samples.subspan(done, n))) {
                return false;
            }
            done += n;
            if (settings_.stop && settings_.stop->load()) return false;
        }
        sample_ += count;
        ++sentences_;
        return true;
    }

    // Events before `to` that no audio carried: at the current position.
    bool Flush(std::size_t to) {
        while (next_ < events_.size() && events_[next_].index < to) {
            if (!held_.empty()) held_events_.push_back({events_[next_++], sample_});
            else if (!Emit(events_[next_++], sample_, delivered_)) return false;
        }
        return true;
    }

    // The end of the request: at most 100 ms of the silence held back, the
    // events that wait with it, and the events left.
    bool FlushAll() {
        if (held_.size() > kTrailingSilence) held_.resize(kTrailingSilence);
        if (!ReleaseHeld()) return false;
        return Flush(text_.text.size() + 1);
    }

    std::uint64_t samples() const { return delivered_; }
    int sentences() const { return sentences_; }

private:
    struct Held {
        Pending event;
        std::uint64_t at;
    };

    bool Deliver(std::span<const std::int16_t> audio) {
        if (audio.empty()) return true;
        if (!sink_.Audio(audio)) return false;
        delivered_ += audio.size();
        return true;
    }

    // Delivers the silence and events held back since the last sound.
    bool ReleaseHeld() {
        std::size_t done = 0;
        const std::uint64_t base = delivered_ + skipped_;  // where the held audio starts
        for (const Held& h : held_events_) {
            const auto upto = static_cast<std::size_t>(std::min<std::uint64_t>(
                held_.size(), h.at > base ? h.at - base : 0));
            if (upto > done && !Deliver(std::span<const std::int16_t>(held_).subspan(done, upto - done)))
                return false;
            done = std::max(done, upto);
            if (!Emit(h.event, h.at, delivered_)) return false;
        }
        if (!Deliver(std::span<const std::int16_t>(held_).subspan(done))) return false;
        held_.clear();
        held_events_.clear();
        return true;
    }

    // `at` counts the samples as rendered; the event goes where that falls
    // in the audio delivered, and no later than `limit`.
    bool Emit(const Pending& e, std::uint64_t at, std::uint64_t limit) {
        const std::size_t last = text_.source.size() - 1;
        const std::size_t p = std::min(e.index, last);
        const std::size_t q = std::min(e.index + e.length, last);
        RequestEvent out;
        out.kind = e.kind;
        out.sample = std::min(at > skipped_ ? at - skipped_ : 0, limit);
        out.position = text_.source[p];
        out.length = e.length ? text_.source[q] - text_.source[p] : 0;
        out.mark = e.mark;
        return sink_.Event(out);
    }

    const RequestText& text_;
    const RequestSettings& settings_;
    RequestSink& sink_;
    std::vector<Pending> events_;
    std::size_t next_ = 0;
    bool trim_;
    bool started_ = false;            // a sound has been delivered
    std::uint64_t sample_ = 0;        // samples rendered so far
    std::uint64_t delivered_ = 0;     // samples handed to the sink
    std::uint64_t skipped_ = 0;       // silence cut before the first sound
    std::vector<std::int16_t> held_;  // silence after the last sound so far
    std::vector<Held> held_events_;
    int sentences_ = 0;
};

// Prosody and synthesis of the sentence now in the converter's output
// buffer (or of `phonemes`); the generator's samples, empty when the
// sentence gives none.
std::span<const std::int16_t> Render(Sint& sint, const char* phonemes) {
    if (sint.Prozodija(phonemes) != 0) return {};
    std::int32_t n = 0;
    const std::int16_t* samples = sint.SintezaGovoraStream(n);
    if (!samples || n <= 0) return {};
    return {samples, static_cast<std::size_t>(n)};
}

// The smallest piece that is made shorter when its rewrites do not fit.
constexpr std::size_t kSmallestPiece = 256;

// The converter over one piece: `on_sentence(sentence_end)` after each
// sentence it produced, with the end of the sentence in the piece as given
// (its abbreviations and clock times are written out before the division).
// False when `on_sentence` stopped it. A piece whose rewrites would not fit
// the converter's buffer (clock times, abbreviations and signs written out
// grow the text) is given back in `too_long` before any of it is spoken.
template <typename OnSentence>
bool ConvertPiece(Sint& sint, std::string_view piece, bool& too_long, OnSentence on_sentence) {
    too_long = false;
    if (piece.find_first_not_of(kBlanks) == std::string_view::npos) return true;
    const std::string p(piece);
    std::size_t consumed = 0;
    for (int r = sint.GrafemskoFonemskaPretvorba(p.c_str()); r > 0;
         r = sint.GrafemskoFonemskaPretvorba(nullptr)) {
        if (consumed == 0 && piece.size() > kSmallestPiece && !sint.converter()->TextFits()) {
            too_long = true;
            return true;
        }
        // The sentence's own length where the converter cannot tell.
        const std::size_t given = sint.ConsumedInput();
        consumed = given > 0 ? given : consumed + static_cast<std::size_t>(r);
        if (!on_sentence(std::min(piece.size(), consumed))) return false;
    }
    return true;
}

// The converter over a whole text, piece by piece, each piece as long as
// its rewrites fit: `on_sentence(start, end)` with each sentence's place in
// `text` (it moves `start` to `end` when it took the sentence; a sentence it
// leaves goes with the next), `on_piece(end)` after each piece. False when
// either stopped it.
template <typename OnSentence, typename OnPiece>
bool ConvertText(Sint& sint, std::string_view text, OnSentence on_sentence, OnPiece on_piece) {
    std::size_t piece_start = 0;
    std::size_t limit = kConverterTextLimit;
    while (piece_start < text.size()) {
        const std::string_view rest = text.substr(piece_start);
        const std::string_view piece = rest.substr(0, FirstPieceSize(rest, limit));
        std::size_t sentence_start = piece_start;
        bool too_long = false;
        const bool going = ConvertPiece(sint, piece, too_long, [&](std::size_t consumed) {
            return on_sentence(sentence_start, std::max(sentence_start, piece_start + consumed));
        });
        if (too_long) {
            limit = piece.size() / 2;  // the same text again, in shorter pieces
            continue;
        }
        limit = kConverterTextLimit;
        piece_start += piece.size();
        if (!going || !on_piece(piece_start)) return false;
    }
    return true;
}

// Applies the request's settings for its duration, and puts back the
// engine-wide YU-ASCII switch afterwards.
class AppliedSettings {
public:
    AppliedSettings(Sint& sint, const RequestSettings& s)
        : switches_(sint.config().switches()), saved_(switches_.podpiraj_ascii7) {
        sint.SetTempo(s.rate);
        sint.SetPitch(s.pitch);
        sint.SetFrequencyAgitation(s.pitch_range);
        if (s.ascii7) switches_.podpiraj_ascii7 = *s.ascii7;
    }
    ~AppliedSettings() { switches_.podpiraj_ascii7 = saved_; }
    AppliedSettings(const AppliedSettings&) = delete;
    AppliedSettings& operator=(const AppliedSettings&) = delete;

private:
    Switches& switches_;
    bool saved_;
};

}  // namespace

RequestText RequestText::FromCodePage(std::string text, std::size_t base) {
    RequestText out;
    out.source.resize(text.size() + 1);
    for (std::size_t i = 0; i < out.source.size(); ++i) out.source[i] = base + i;
    out.text = std::move(text);
    return out;
}

RequestText RequestText::FromUtf8(std::string_view utf8, bool characters, std::size_t base,
                                  const CodePointReadings* readings) {
    RequestText out;
    out.text.reserve(utf8.size());
    out.source.reserve(utf8.size() + 1);
    std::size_t count = base;
    for (std::size_t i = 0; i < utf8.size(); ++count) {
        const std::size_t start = i;
        AppendEngineText(out.text, NextCodePoint(utf8, i), readings);
        out.source.resize(out.text.size(), characters ? count : base + start);
    }
    out.source.push_back(characters ? count : base + utf8.size());
    return out;
}

RequestText RequestText::FromUtf16(std::u16string_view utf16, const CodePointReadings* readings) {
    RequestText out;
    out.text.reserve(utf16.size());
    out.source.reserve(utf16.size() + 1);
    for (std::size_t i = 0; i < utf16.size();) {
        const std::size_t start = i;
        char32_t cp = utf16[i++];
        if (cp >= 0xD800 && cp <= 0xDBFF && i < utf16.size() && utf16[i] >= 0xDC00 &&
            utf16[i] <= 0xDFFF)
            cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i++] - 0xDC00);
        AppendEngineText(out.text, cp, readings);
        out.source.resize(out.text.size(), start);
    }
    out.source.push_back(utf16.size());
    return out;
}

std::size_t RequestText::IndexOf(std::size_t caller_position) const {
    const auto it = std::lower_bound(source.begin(), source.end() - 1, caller_position);
    return static_cast<std::size_t>(it - source.begin());
}

RequestResult Speak(EngineInstance& engine, const RequestText& text,
                    const RequestSettings& settings, RequestSink& sink) {
    RequestResult result;
    Sint& sint = engine.sint();
    std::lock_guard<std::mutex> lock(engine.synthesis_mutex());
    ErrorScope scope(engine.errors());
    if (!sint.IsInitialised() || !sint.HasPsola()) {
        result.started = false;
        return result;
    }
    const AppliedSettings applied(sint, settings);
    Delivery delivery(text, settings, sink, sint.config().switches().obrezi_tisino);
    const std::string& t = text.text;
    const std::size_t first = t.find_first_not_of(kBlanks);
    const std::size_t last = t.find_last_not_of(kBlanks);
    bool going = true;
    if (first != std::string::npos && first == last) {
        // A single character is spelled by its name.
        const auto audio = Render(sint, CharacterNameOf(static_cast<unsigned char>(t[first])));
        if (!audio.empty()) going = delivery.Sentence(audio, 0, t.size());
    } else if (first != std::string::npos) {
        going = ConvertText(
            sint, t,
            [&](std::size_t& start, std::size_t end) {
                const auto audio = Render(sint, nullptr);
                if (audio.empty()) return true;  // that sentence is silent; the rest is spoken
                if (!delivery.Sentence(audio, start, end)) return false;
                start = end;
                return true;
            },
            [&](std::size_t end) { return delivery.Flush(end); });
    }
    if (going) going = delivery.FlushAll();
    result.stopped = !going;
    result.sentences = delivery.sentences();
    result.samples = delivery.samples();
    return result;
}

bool Transcribe(EngineInstance& engine, std::string_view text, const TranscriptionHandler& handler) {
    Sint& sint = engine.sint();
    std::lock_guard<std::mutex> lock(engine.synthesis_mutex());
    ErrorScope scope(engine.errors());
    if (!sint.IsInitialised() || !sint.converter()) return false;
    IConverter& converter = *sint.converter();
    ConvertText(
        sint, text,
        [&](std::size_t&, std::size_t) {
            handler(sint.CurrentTranscription(), converter.NormalisedSentence());
            return true;
        },
        [](std::size_t) { return true; });
    return true;
}

}  // namespace tarvox
