#include "engine_speaker.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <memory>

#include "adapter/class_factory.h"
#include "adapter/host_objects.h"
#include "base/diag.h"
#include "text/codepage.h"

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

    // One request: the text in fragments, with the bookmarks between them.
    std::vector<SPVTEXTFRAG> fragments;
    auto add = [&](SPVACTIONS action, const char16_t* start, std::size_t length, std::size_t source) {
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
    std::size_t cursor = 0;
    for (std::size_t mark = 0; mark < marks.size(); ++mark) {
        if (marks[mark].position > cursor)
            add(SPVA_Speak, text16.data() + cursor, marks[mark].position - cursor, cursor);
        add(SPVA_Bookmark, names[mark].c_str(), names[mark].size(), marks[mark].position);
        cursor = marks[mark].position;
    }
    if (cursor < text16.size()) add(SPVA_Speak, text16.data() + cursor, text16.size() - cursor, cursor);
    if (!fragments.empty()) {
        for (std::size_t i = 0; i + 1 < fragments.size(); ++i) fragments[i].pNext = &fragments[i + 1];
        hr = engine->Speak(0, sapi::kSPDFID_WaveFormatEx, &wave, fragments.data(), &site);
        if (FAILED(hr)) outcome.error = "the engine could not speak the text";
    }
    outcome.audio_bytes = site.bytes_written();
    if (outcome.error.empty() && site.aborted())
        outcome.error = "speaking stopped: the audio could not be written";
    return outcome;
}

}  // namespace tarvox::cli
