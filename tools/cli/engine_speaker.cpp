#include "engine_speaker.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <memory>

#include "adapter/class_factory.h"
#include "adapter/host_objects.h"
#include "base/diag.h"
#include "text/codepage.h"
#include "text/text_pieces.h"

namespace tarvox::cli {
namespace {

struct Releaser {
    void operator()(IUnknown* p) const {
        if (p) p->Release();
    }
};
template <typename T>
using ComRef = std::unique_ptr<T, Releaser>;

std::u16string VoiceNameOf(const std::string& dir) {
    std::filesystem::path p(dir);
    if (p.filename().empty()) p = p.parent_path();
    return Utf8ToUtf16(p.filename().string());
}

std::string KindOf(int id) {
    switch (id) {
        case SPEI_WORD_BOUNDARY: return "word";
        case SPEI_TTS_BOOKMARK: return "bookmark";
        case SPEI_SENTENCE_BOUNDARY: return "sentence";
        default: return "event " + std::to_string(id);
    }
}

// Where the text is cut into requests, in UTF-16 units: at the places where
// the engine would cut it for the converter, so that a long text is spoken
// (and its audio written) piece by piece instead of all at once. A piece
// stays one byte below the converter's limit: the engine adds a blank after
// each fragment. With the converter's sentence division the pieces are cut
// further, at sentence ends, one request ahead of the speaking.
class RequestCutter {
public:
    RequestCutter(const std::u16string& text, std::function<std::size_t(const char*)> first_sentence)
        : first_sentence_(std::move(first_sentence)) {
        for (std::size_t i = 0; i < text.size();) {
            starts_.push_back(i);
            const bool pair = text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() &&
                              text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
            i += pair ? 2 : 1;
        }
        starts_.push_back(text.size());
        bytes_ = Utf16ToCp1250(text);  // one byte a code point
        if (bytes_.size() + 1 != starts_.size() || text.empty()) {
            piece_ends_.push_back(0);
            whole_ = text.size();  // one request for all
            return;
        }
        std::size_t at = 0;
        for (std::string_view piece : SplitIntoPieces(bytes_, kConverterTextLimit - 1)) {
            at += piece.size();
            piece_ends_.push_back(at);
        }
    }

    // The end of the next request (UTF-16 units), or nullopt after the last.
    std::optional<std::size_t> Next() {
        if (piece_ >= piece_ends_.size()) return std::nullopt;
        if (whole_) {
            ++piece_;
            return *whole_;
        }
        const std::size_t piece_end = piece_ends_[piece_];
        const std::size_t end = first_sentence_ ? SentenceEnd(piece_end) : piece_end;
        at_ = end;
        if (at_ >= piece_end) ++piece_;
        return starts_[end];
    }

private:
    static std::size_t Signs(std::string_view s) {
        return static_cast<std::size_t>(std::count_if(s.begin(), s.end(), [](char c) {
            return c != ' ' && c != '\t' && c != '\r' && c != '\n';
        }));
    }

    // One sentence from at_ on (more while the request would be a single
    // sign, which the engine spells out on its own); the piece's trailing
    // blanks go with its last sentence.
    std::size_t SentenceEnd(std::size_t piece_end) const {
        const std::string_view bytes = bytes_;
        std::size_t end = at_;
        while (end < piece_end) {
            const std::string rest(bytes.substr(end, piece_end - end));
            const std::size_t n = Signs(rest) > 0 ? first_sentence_(rest.c_str()) : 0;
            end = n > 0 ? std::min(piece_end, end + n) : piece_end;
            if (Signs(bytes.substr(end, piece_end - end)) == 0) return piece_end;
            if (Signs(bytes.substr(at_, end - at_)) > 1) break;
        }
        return end;
    }

    std::function<std::size_t(const char*)> first_sentence_;
    std::vector<std::size_t> starts_;  // where each code point starts
    std::string bytes_;
    std::vector<std::size_t> piece_ends_;
    std::optional<std::size_t> whole_;
    std::size_t piece_ = 0;
    std::size_t at_ = 0;
};

}  // namespace

std::string FormatEvent(const SpokenEvent& e) {
    std::string line = std::to_string(e.offset) + ' ' + e.kind + ' ' +
                       std::to_string(e.position) + ' ' + std::to_string(e.length);
    if (e.kind == "bookmark") line += ' ' + e.name;
    return line;
}

std::optional<Bookmark> ParseBookmark(std::string_view spec) {
    const std::size_t colon = spec.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon + 1 == spec.size())
        return std::nullopt;
    std::size_t position = 0;
    const char* end = spec.data() + colon;
    const auto [p, ec] = std::from_chars(spec.data(), end, position);
    if (ec != std::errc() || p != end) return std::nullopt;
    return Bookmark{position, std::string(spec.substr(colon + 1))};
}

IClassFactory* ProcessClassFactory() {
    void* factory = nullptr;
    if (FAILED(GetEngineClassObject(sapi::kCLSID_SampleTTSEngine, sapi::kIID_IClassFactory,
                                    &factory)))
        return nullptr;
    return static_cast<IClassFactory*>(factory);
}

SpeakOutcome SpeakThroughEngine(IClassFactory& factory, const SpeakSettings& settings,
                                std::string_view text, std::span<const Bookmark> bookmarks,
                                const SampleHandler& on_samples, const EventHandler& on_event) {
    SpeakOutcome outcome;
    const std::u16string text16 = Utf8ToUtf16(text);

    std::vector<Bookmark> marks(bookmarks.begin(), bookmarks.end());
    std::stable_sort(marks.begin(), marks.end(),
                     [](const Bookmark& a, const Bookmark& b) { return a.position < b.position; });
    for (const Bookmark& m : marks) {
        if (m.position > text16.size()) {
            outcome.error = "bookmark " + m.name + " at " + std::to_string(m.position) +
                            " lies past the end of the text (" + std::to_string(text16.size()) +
                            " characters)";
            return outcome;
        }
    }

    // The engine object, made as a host makes it, and its voice.
    void* made = nullptr;
    HRESULT hr = factory.CreateInstance(nullptr, sapi::kIID_ISpTTSEngine, &made);
    if (FAILED(hr) || !made) {
        outcome.error = "cannot create the engine object";
        return outcome;
    }
    ComRef<ISpTTSEngine> engine(static_cast<ISpTTSEngine*>(made));
    made = nullptr;
    if (FAILED(engine->QueryInterface(sapi::kIID_ISpObjectWithToken, &made)) || !made) {
        outcome.error = "the engine object has no voice token interface";
        return outcome;
    }
    ComRef<ISpObjectWithToken> with_token(static_cast<ISpObjectWithToken*>(made));
    ComRef<MemoryToken> token(MakeVoiceToken(VoiceNameOf(settings.voice_dir),
                                             Utf8ToUtf16(settings.voice_dir),
                                             settings.ascii7 ? 1 : 0));
    ClearError();
    hr = with_token->SetObjectToken(token.get());
    if (FAILED(hr)) {
        const std::string why = LastError();
        outcome.error = "cannot start the voice in " + settings.voice_dir +
                        (why.empty() ? std::string() : ": " + why);
        return outcome;
    }

    GUID format_id{};
    WAVEFORMATEX* format = nullptr;
    if (FAILED(engine->GetOutputFormat(&sapi::kSPDFID_WaveFormatEx, nullptr, &format_id,
                                       &format)) ||
        !format) {
        outcome.error = "the engine names no output format";
        return outcome;
    }
    const WAVEFORMATEX wave = *format;
    CoTaskMemFree(format);
    if (wave.nSamplesPerSec != 16000 || wave.nChannels != 1 || wave.wBitsPerSample != 16) {
        outcome.error = "the engine speaks a format other than 16 kHz 16-bit mono";
        return outcome;
    }

    std::vector<std::u16string> names;
    names.reserve(marks.size());
    for (const Bookmark& m : marks) names.push_back(Utf8ToUtf16(m.name));

    OutputSite site(settings.rate, static_cast<USHORT>(std::clamp(settings.volume, 0, 100)));
    if (on_samples) site.OnAudio(on_samples);
    std::size_t next_mark = 0;
    site.OnEvent([&](const SiteEvent& e) {
        SpokenEvent out;
        out.offset = e.offset;
        out.kind = KindOf(e.id);
        if (e.id == SPEI_TTS_BOOKMARK) {
            // Bookmarks come in the order of their fragments.
            if (next_mark < marks.size())
                out.position = static_cast<std::int64_t>(marks[next_mark++].position);
            out.name = Utf16ToUtf8(e.text);
        } else {
            out.position = e.lparam;
            out.length = static_cast<std::int64_t>(e.wparam);
        }
        if (on_event) on_event(out);
    });

    // One request per sentence (or piece) of the text, each the text
    // between two cuts with its bookmarks (one at the very end goes with the
    // last request).
    RequestCutter cutter(text16, settings.first_sentence);
    std::size_t mark = 0;
    std::size_t begin = 0;
    for (std::optional<std::size_t> next = cutter.Next(); next && !site.aborted();) {
        const std::size_t end = *next;
        next = cutter.Next();
        const bool last = !next;
        std::vector<SPVTEXTFRAG> fragments;
        auto add = [&](SPVACTIONS action, const char16_t* start, std::size_t length,
                       std::size_t source) {
            SPVTEXTFRAG f{};
            f.State.eAction = action;
            f.State.Volume = 100;
            f.State.RateAdj = 0;
            f.State.PitchAdj.MiddleAdj = settings.pitch;
            f.pTextStart = reinterpret_cast<LPCWSTR>(start);
            f.ulTextLen = static_cast<ULONG>(length);
            f.ulTextSrcOffset = static_cast<ULONG>(source);
            fragments.push_back(f);
        };
        std::size_t cursor = begin;
        for (; mark < marks.size() && (marks[mark].position < end || last); ++mark) {
            if (marks[mark].position > cursor)
                add(SPVA_Speak, text16.data() + cursor, marks[mark].position - cursor, cursor);
            add(SPVA_Bookmark, names[mark].c_str(), names[mark].size(), marks[mark].position);
            cursor = marks[mark].position;
        }
        if (cursor < end) add(SPVA_Speak, text16.data() + cursor, end - cursor, cursor);
        begin = end;
        if (fragments.empty()) continue;
        for (std::size_t i = 0; i + 1 < fragments.size(); ++i)
            fragments[i].pNext = &fragments[i + 1];
        hr = engine->Speak(0, sapi::kSPDFID_WaveFormatEx, &wave, fragments.data(), &site);
        if (FAILED(hr)) {
            outcome.error = "the engine could not speak the text";
            break;
        }
    }
    outcome.audio_bytes = site.bytes_written();
    if (outcome.error.empty() && site.aborted())
        outcome.error = "speaking stopped: the audio could not be written";
    return outcome;
}

}  // namespace tarvox::cli
