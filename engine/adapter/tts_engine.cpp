#include "adapter/tts_engine.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <exception>
#include <new>
#include <optional>
#include <string_view>
#include <vector>

#include "base/config.h"
#include "base/diag.h"
#include "driver/instance.h"
#include "driver/request.h"
#include "text/codepage.h"

namespace tarvox {
namespace {

std::atomic<long> g_module_locks{0};

constexpr std::size_t kPieceBytes = 2048;
constexpr std::size_t kBookmarkNameMax = 31;
constexpr std::size_t kVoiceNameMax = 79;

struct SpeakingState {
    unsigned volume = 100;
    int rate = -1;
    int pitch = -1;
};

struct EventRecord {
    std::u16string name;  // "word", or the bookmark's name (at most 31 units)
    int kind = 1;         // 1 word, 0 bookmark
    std::int32_t source_position = 0;
    std::int32_t buffer_position = 0;
    std::int32_t length = 0;
};

// One request's text, events and audio: they belong to the call.
struct Request {
    std::u16string text;
    std::vector<EventRecord> events;
    std::vector<std::vector<std::int16_t>> chunks;
    SpeakingState state;
    long length = 0;  // characters, as the fragment walk counts them
};

bool IsWhiteSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f' ||
           c == 0x00A0 || (c >= 0x2000 && c <= 0x200B) || c == 0x3000;
}

// Each UTF-16 unit narrowed to its low byte.
std::string Narrow(std::u16string_view s, std::size_t max) {
    std::string out;
    for (char16_t c : s.substr(0, std::min(s.size(), max)))
        out.push_back(static_cast<char>(c & 0xFF));
    return out;
}

std::u16string TokenString(ISpObjectToken* token, const char16_t* name, bool& found) {
    found = false;
    LPWSTR value = nullptr;
    if (FAILED(token->GetStringValue(reinterpret_cast<LPCWSTR>(name), &value)) || !value)
        return {};
    found = true;
    std::u16string out(reinterpret_cast<const char16_t*>(value));
    CoTaskMemFree(value);
    return out;
}

class SiteActions {
public:
    SiteActions(ISpTTSEngineSite* site, EngineHost& host) : site_(site), host_(host) {}

    // Asks for the pending actions and handles skip, volume and rate; true
    // when the site asks to abort.
    bool Poll() { return Handle(site_->GetActions()); }

    bool Handle(DWORD actions) {
        if (actions & SPVES_ABORT) return true;
        if (actions & SPVES_SKIP) {
            SPVSKIPTYPE type{};
            LONG items = 0;
            if (SUCCEEDED(site_->GetSkipInfo(&type, &items)) && type == SPVST_SENTENCE)
                site_->CompleteSkip(0);
        }
        if (actions & SPVES_VOLUME) {
            USHORT volume = 100;
            if (SUCCEEDED(site_->GetVolume(&volume))) host_.set_site_volume(volume);
        }
        if (actions & SPVES_RATE) {
            LONG rate = 0;
            if (SUCCEEDED(site_->GetRate(&rate))) host_.set_site_rate(static_cast<int>(rate));
        }
        return false;
    }

private:
    ISpTTSEngineSite* site_;
    EngineHost& host_;
};

// Walks the fragment list; with `store` it fills the text and the events.
void WalkFragments(const SPVTEXTFRAG* fragments, SiteActions& actions, EngineHost& host,
                   bool store, Request& r) {
    bool between_words = true;
    for (const SPVTEXTFRAG* f = fragments; f; f = f->pNext) {
        if (actions.Poll()) break;
        const std::u16string_view text =
            f->pTextStart ? std::u16string_view(reinterpret_cast<const char16_t*>(f->pTextStart),
                                                f->ulTextLen)
                          : std::u16string_view();
        switch (f->State.eAction) {
            case SPVA_Speak:
            case SPVA_SpellOut: {
                r.state.volume = static_cast<unsigned>(
                    static_cast<unsigned long long>(f->State.Volume) * host.site_volume() / 100);
                r.state.rate = std::clamp(static_cast<int>(f->State.RateAdj) + host.site_rate(),
                                          -10, 10);
                r.state.pitch = std::clamp(static_cast<int>(f->State.PitchAdj.MiddleAdj) * 50 / 20,
                                           -20, 20);
                r.length += static_cast<long>(text.size()) + (text.empty() ? 0 : 1);
                if (!store || text.empty()) break;
                EventRecord word;
                for (std::size_t i = 0; i < text.size(); ++i) {
                    const char16_t c = text[i];
                    r.text.push_back(c);
                    const auto source = static_cast<std::int32_t>(f->ulTextSrcOffset + i);
                    if (between_words && !IsWhiteSpace(c)) {
                        word = EventRecord{u"word", 1, source,
                                           static_cast<std::int32_t>(r.text.size() - 1), 0};
                        between_words = false;
                    } else if (!between_words && IsWhiteSpace(c)) {
                        word.length = source - word.source_position;
                        r.events.push_back(word);
                        between_words = true;
                    }
                }
                if (!between_words) {
                    word.length = static_cast<std::int32_t>(f->ulTextSrcOffset + text.size()) -
                                  word.source_position;
                    r.events.push_back(word);
                    between_words = true;
                }
                r.text.push_back(u' ');
                break;
            }
            case SPVA_Bookmark:
                if (store) {
                    EventRecord mark;
                    mark.kind = 0;
                    // The name is kept as the application wrote it (at most
                    // 31 units); narrowing it to bytes would garble every
                    // name outside ASCII.
                    mark.name.assign(text.substr(0, std::min(text.size(), kBookmarkNameMax)));
                    mark.source_position = static_cast<std::int32_t>(f->ulTextSrcOffset);
                    mark.buffer_position = static_cast<std::int32_t>(r.text.size());
                    r.events.push_back(std::move(mark));
                }
                break;
            default:
                break;
        }
    }
}

// The decimal number a bookmark's name begins with, 0 without one, and at
// most 0x7FFFFFFF (a longer number saturates instead of overflowing the
// 32-bit long of Windows).
std::int32_t LeadingNumber(std::u16string_view s) {
    std::int64_t v = 0;
    for (char16_t c : s) {
        if (c < u'0' || c > u'9') break;
        v = std::min<std::int64_t>(v * 10 + (c - u'0'), 0x7FFFFFFF);
    }
    return static_cast<std::int32_t>(v);
}

void QueueEvents(ISpTTSEngineSite* site, const std::vector<EventRecord>& events,
                 double text_length, double audio_bytes, std::uint64_t start) {
    for (const EventRecord& e : events) {
        SPEVENT ev{};
        ev.ulStreamNum = 0;
        // Spread over the audio by text position, and kept on a sample
        // boundary: an offset between the two bytes of a sample names no
        // position in the stream.
        const auto spread =
            static_cast<std::uint64_t>(std::floor(e.buffer_position * audio_bytes / text_length));
        ev.ullAudioStreamOffset = start + (spread & ~std::uint64_t{1});
        if (e.kind == 1) {
            ev.eEventId = SPEI_WORD_BOUNDARY;
            ev.elParamType = SPET_LPARAM_IS_UNDEFINED;
            ev.wParam = static_cast<WPARAM>(e.length);
            ev.lParam = static_cast<LPARAM>(e.source_position);
        } else {
            ev.eEventId = SPEI_TTS_BOOKMARK;
            ev.elParamType = SPET_LPARAM_IS_STRING;
            ev.wParam = static_cast<WPARAM>(LeadingNumber(e.name));
            ev.lParam = reinterpret_cast<LPARAM>(e.name.c_str());
        }
        site->AddEvents(&ev, 1);
    }
}

// Writes one chunk in pieces; false when the site asked to abort.
bool WriteChunk(ISpTTSEngineSite* site, SiteActions& actions, EngineHost& host,
                const std::vector<std::int16_t>& chunk) {
    const DWORD first = site->GetActions();
    if (first & SPVES_ABORT) return false;
    actions.Handle(first);
    const auto* bytes = reinterpret_cast<const unsigned char*>(chunk.data());
    const std::size_t total = chunk.size() * sizeof(std::int16_t);
    bool aborted = false;
    for (std::size_t done = 0; done < total;) {
        const std::size_t n = std::min(kPieceBytes, total - done);
        ULONG written = 0;
        site->Write(bytes + done, static_cast<ULONG>(n), &written);
        done += n;
        if (actions.Poll()) {
            aborted = true;
            break;
        }
    }
    host.add_audio(total);
    return !aborted;
}


// Collects the request's audio as the chunk list: one chunk a sentence, a
// copy of the generator's samples with the volume applied (s x volume / 50,
// within -32766..32766).
class ChunkSink final : public RequestSink {
public:
    ChunkSink(std::vector<std::vector<std::int16_t>>& chunks, unsigned volume)
        : chunks_(chunks), volume_(static_cast<long>(volume)) {}
    bool Event(const RequestEvent& e) override {
        if (e.kind == RequestEventKind::Sentence) chunks_.emplace_back();
        return true;
    }
    bool Audio(std::span<const std::int16_t> samples) override {
        std::vector<std::int16_t>& chunk = chunks_.back();
        chunk.reserve(chunk.size() + samples.size());
        for (std::int16_t s : samples)
            chunk.push_back(static_cast<std::int16_t>(std::clamp(s * volume_ / 50, -32766L, 32766L)));
        return true;
    }

private:
    std::vector<std::vector<std::int16_t>>& chunks_;
    long volume_;
};

// Synthesises the request's text into chunks through the driver, with the
// rate, pitch and volume of its last speak fragment. False when the stages
// are not started.
bool Synthesise(EngineHost& host, Request& r, std::optional<bool> ascii7) {
    RequestSettings settings;
    settings.rate = r.state.rate;
    settings.pitch = r.state.pitch;
    settings.pitch_range = 90;
    settings.ascii7 = ascii7;
    settings.words = false;  // the engine object places its own events
    settings.piece = std::numeric_limits<std::size_t>::max();
    ChunkSink sink(r.chunks, r.state.volume);
    // The text in the engine's code page, the characters it lacks read by the
    // voice's table (the platform's conversion would turn them into "?").
    return Speak(host.engine(), host.engine().TextFromUtf16(r.text), settings, sink).started;
}

}  // namespace

long ModuleLockCount() { return g_module_locks.load(); }
void ModuleLock() { ++g_module_locks; }
void ModuleUnlock() { --g_module_locks; }

EngineHost& ProcessEngineHost() {
    static EngineHost host(ProcessEngine());
    return host;
}

WAVEFORMATEX EngineWaveFormat() {
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = 1;
    f.nSamplesPerSec = 16000;
    f.nAvgBytesPerSec = 32000;
    f.nBlockAlign = 2;
    f.wBitsPerSample = 16;
    f.cbSize = 0;
    return f;
}

CTTSEngObj::CTTSEngObj(EngineHost& host, IUnknown* outer)
    : host_(host), outer_(outer ? outer : &inner_) {
    ModuleLock();
}

CTTSEngObj::~CTTSEngObj() {
    if (token_) token_->Release();
    ModuleUnlock();
}

HRESULT CTTSEngObj::Inner::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (IsEqualGUID(riid, sapi::kIID_IUnknown)) {
        *object = static_cast<IUnknown*>(this);
    } else if (IsEqualGUID(riid, sapi::kIID_ISpTTSEngine)) {
        *object = static_cast<ISpTTSEngine*>(&owner);
    } else if (IsEqualGUID(riid, sapi::kIID_ISpObjectWithToken)) {
        *object = static_cast<ISpObjectWithToken*>(&owner);
    } else {
        return E_NOINTERFACE;
    }
    static_cast<IUnknown*>(*object)->AddRef();
    return S_OK;
}

ULONG CTTSEngObj::Inner::AddRef() { return ++owner.refs_; }

ULONG CTTSEngObj::Inner::Release() {
    const ULONG left = --owner.refs_;
    if (left == 0) {
        owner.FinalRelease();
        delete &owner;
    }
    return left;
}

HRESULT CTTSEngObj::QueryInterface(REFIID riid, void** object) {
    return outer_->QueryInterface(riid, object);
}
ULONG CTTSEngObj::AddRef() { return outer_->AddRef(); }
ULONG CTTSEngObj::Release() { return outer_->Release(); }

HRESULT CTTSEngObj::SetObjectToken(ISpObjectToken* token) {
    try {
        std::lock_guard<std::mutex> lock(host_.setup_mutex());
        HRESULT stored = S_OK;
        if (!token) {
            stored = E_INVALIDARG;
        } else if (token_) {
            stored = sapi::kErrAlreadyInitialized;
        } else {
            token->AddRef();
            token_ = token;
        }
        bool mode_read = false;
        DWORD mode = 0;
        if (stored == S_OK) {
            bool found = false;
            const std::u16string voice = TokenString(token, u"VoiceName", found);
            if (found) Trace("Glas: " + Narrow(voice, kVoiceNameMax));
            const std::u16string path = TokenString(token, u"Path", found);
            if (found && !path.empty()) {
                host_.SetPath(Narrow(path, path.size()));
            } else if (!host_.HasPath()) {
                // Without it the configuration would be looked for in the
                // host's current directory.
                ReportError("Glas: the voice token has no Path value: the voice directory is not known");
                Trace("Glas: the voice token has no Path value");
                return E_FAIL;
            }
            if (SUCCEEDED(token->GetDWORD(reinterpret_cast<LPCWSTR>(u"Mode"), &mode))) {
                mode_read = true;
                ascii7_ = (mode == 1);
            }
        }
        return host_.Start(stored, mode_read ? std::optional<std::uint32_t>(mode) : std::nullopt);
    } catch (...) {
        return E_FAIL;
    }
}

HRESULT CTTSEngObj::GetObjectToken(ISpObjectToken** token) {
    if (!token) return E_POINTER;
    *token = token_;
    if (!token_) return S_FALSE;
    token_->AddRef();
    return S_OK;
}

HRESULT CTTSEngObj::GetOutputFormat(const GUID*, const WAVEFORMATEX*, GUID* format_id,
                                    WAVEFORMATEX** wave_format) {
    if (!format_id || !wave_format) return E_INVALIDARG;
    auto* f = static_cast<WAVEFORMATEX*>(CoTaskMemAlloc(sizeof(WAVEFORMATEX)));
    if (!f) return E_OUTOFMEMORY;
    *f = EngineWaveFormat();
    *format_id = sapi::kSPDFID_WaveFormatEx;
    *wave_format = f;
    return S_OK;
}

HRESULT CTTSEngObj::Speak(DWORD, REFGUID, const WAVEFORMATEX*, const SPVTEXTFRAG* fragments,
                          ISpTTSEngineSite* site) {
    if (!site || !fragments) {
        Trace("E_INVALIDARG");
        return E_INVALIDARG;
    }
    try {
        return SpeakRequest(fragments, site);
    } catch (const std::bad_alloc&) {
        return S_FALSE;
    } catch (...) {
        return E_FAIL;
    }
}

HRESULT CTTSEngObj::SpeakRequest(const SPVTEXTFRAG* fragments, ISpTTSEngineSite* site) {
    SiteActions actions(site, host_);
    Request r;
    {
        Request counting;
        WalkFragments(fragments, actions, host_, false, counting);
        r.length = 0;
        try {
            r.text.reserve(static_cast<std::size_t>(counting.length) + 550);
        } catch (const std::bad_alloc&) {
            return S_FALSE;
        }
    }
    WalkFragments(fragments, actions, host_, true, r);
    actions.Poll();

    if (r.length == 0) {
        std::lock_guard<std::mutex> lock(host_.engine().synthesis_mutex());
        if (r.events.empty()) return S_OK;
        QueueEvents(site, r.events, 10.0, 2048.0, host_.audio_offset());
        WriteChunk(site, actions, host_, std::vector<std::int16_t>(1024, 0));
        return S_OK;
    }
    if (!Synthesise(host_, r, ascii7_)) {
        Trace("napaka pri inicializaciji");
        return S_OK;
    }
    if (r.chunks.empty()) {
        Trace("napaka: nicesar ni za predvajati");
        // An application may wait for its bookmarks: they come at the end
        // of the request even when it gave no audio.
        std::vector<EventRecord> marks;
        for (const EventRecord& e : r.events)
            if (e.kind == 0) marks.push_back(e);
        QueueEvents(site, marks, static_cast<double>(r.length), 0.0, host_.audio_offset());
        return S_OK;
    }
    std::size_t samples = 0;
    for (const auto& chunk : r.chunks) samples += chunk.size();
    QueueEvents(site, r.events, static_cast<double>(r.length), 2.0 * static_cast<double>(samples),
                host_.audio_offset());
    for (const auto& chunk : r.chunks)
        if (!WriteChunk(site, actions, host_, chunk)) break;
    return S_OK;
}

void CTTSEngObj::FinalRelease() {
    std::lock_guard<std::mutex> lock(host_.setup_mutex());
    host_.Stop();
}

Configuration& EngineHost::config() { return engine_.config(); }
Sint& EngineHost::sint() { return engine_.sint(); }

void EngineHost::SetPath(const std::string& path) {
    if (has_path_copy_) return;
    path_copy_ = path;
    has_path_copy_ = true;
    config().SetBaseDirectory(path_copy_);
}

HRESULT EngineHost::Start(HRESULT token_status, std::optional<std::uint32_t> mode) {
    ErrorScope scope(engine_.errors());
    // The stages may be speaking for another object: what they read changes
    // only under their lock.
    std::lock_guard<std::mutex> lock(engine_.synthesis_mutex());
    Configuration& config = engine_.config();
    Sint& sint = engine_.sint();
    if (!configuration_read_) {
        if (config.ProcessSintIni() < 0) return E_FAIL;
        configuration_read_ = true;
    }
    if (token_status != S_OK) return token_status;
    config.switches().index_mode = true;
    Trace("TurboNacin vklopljen (1)");
    if (!sint_started_) {
        if (sint.InitSint() == -1) {
            Trace("Sint: Inicializacija NI uspela!");
            return E_FAIL;
        }
        sint_started_ = true;
        Trace("Sint: Inicializacija uspela.");
    }
    if (!psola_started_) {
        if (!sint.InitPsola()) {
            Trace("Psola: Inicializacija NI uspela!");
            return E_FAIL;
        }
        psola_started_ = true;
        Trace("Psola: Inicializacija uspela.");
    }
    ++init_count_;
    // The voice's mode overrides what the converter's profile set.
    if (mode) config.switches().podpiraj_ascii7 = (*mode == 1);
    return S_OK;
}

void EngineHost::Stop() {
    if (init_count_ > 0) {
        --init_count_;
        if (init_count_ > 0) return;
    }
    ErrorScope scope(engine_.errors());
    std::lock_guard<std::mutex> lock(engine_.synthesis_mutex());
    if (sint_started_) engine_.sint().ReleaseSint();
    if (psola_started_) engine_.sint().ReleasePsola();
    if (configuration_read_) engine_.config().ReleaseProfile();
    sint_started_ = psola_started_ = configuration_read_ = false;
    path_copy_.clear();
    has_path_copy_ = false;
    init_count_ = 0;
}

}  // namespace tarvox
