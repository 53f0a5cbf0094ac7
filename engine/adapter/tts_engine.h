// CTTSEngObj: the component the speech platform creates for a voice of this
// engine. It reads the voice token, starts the driver once per process, and
// speaks requests: collects the fragments' text with word and bookmark
// events, has the driver synthesise every sentence (under the instance's
// synthesis lock), scales the volume, queues the events at proportional
// audio offsets and writes the audio to the site in pieces of 2048 bytes.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "adapter/sapi_platform.h"

namespace tarvox {

class Configuration;
class EngineInstance;
class Sint;

// What the engine objects of one engine instance share: the voice's path,
// whether configuration, stages and waveform generator are started, how many
// objects use them, and the output sites' last volume, rate and audio
// offset. The process-wide host stands over the process-wide instance.
class EngineHost {
public:
    explicit EngineHost(EngineInstance& engine) : engine_(engine) {}
    EngineHost(const EngineHost&) = delete;
    EngineHost& operator=(const EngineHost&) = delete;

    EngineInstance& engine() { return engine_; }
    Configuration& config();
    Sint& sint();

    // Held by setup and teardown (SetObjectToken, FinalRelease).
    std::mutex& setup_mutex() { return setup_; }

    // Called under the setup mutex. The first path of the process becomes
    // the base directory.
    void SetPath(const std::string& path);
    bool HasPath() const { return has_path_copy_; }
    // Reads the configuration once, then (when the token was stored, status
    // S_OK) turns the index mode on, starts the stages and the waveform
    // generator and counts one more user. A mode value sets the engine-wide
    // YU-ASCII switch. S_OK, E_FAIL or `token_status`.
    HRESULT Start(HRESULT token_status, std::optional<std::uint32_t> mode);
    // One user fewer; the last one releases stages, generator and
    // configuration, so that the next start reads sint.ini again.
    void Stop();

    int users() const { return init_count_; }
    bool configuration_read() const { return configuration_read_; }
    bool started() const { return sint_started_ && psola_started_; }
    bool sint_started() const { return sint_started_; }
    bool psola_started() const { return psola_started_; }

    // Last volume and rate reported by an output site.
    unsigned site_volume() const { return site_volume_; }
    void set_site_volume(unsigned v) { site_volume_ = v; }
    int site_rate() const { return site_rate_; }
    void set_site_rate(int r) { site_rate_ = r; }
    // Bytes written to output sites since the first request; event offsets
    // are based on it. Kept in 64 bits: it never wraps within a process.
    std::uint64_t audio_offset() const { return audio_offset_; }
    void add_audio(std::uint64_t bytes) { audio_offset_ += bytes; }

private:
    EngineInstance& engine_;
    std::mutex setup_;
    int init_count_ = 0;
    bool configuration_read_ = false;
    bool sint_started_ = false;
    bool psola_started_ = false;
    std::string path_copy_;
    bool has_path_copy_ = false;
    std::atomic<unsigned> site_volume_{100};
    std::atomic<int> site_rate_{0};
    std::atomic<std::uint64_t> audio_offset_{0};
};

// The process-wide host over the process-wide instance.
EngineHost& ProcessEngineHost();

class CTTSEngObj final : public ISpTTSEngine, public ISpObjectWithToken {
public:
    explicit CTTSEngObj(EngineHost& host = ProcessEngineHost(), IUnknown* outer = nullptr);
    ~CTTSEngObj();
    CTTSEngObj(const CTTSEngObj&) = delete;
    CTTSEngObj& operator=(const CTTSEngObj&) = delete;

    HRESULT FinalConstruct() { return S_OK; }
    void FinalRelease();

    // IUnknown (delegates to the outer object when aggregated).
    HRESULT TARVOX_STDCALL QueryInterface(REFIID riid, void** object) override;
    ULONG TARVOX_STDCALL AddRef() override;
    ULONG TARVOX_STDCALL Release() override;

    // ISpObjectWithToken
    HRESULT TARVOX_STDCALL SetObjectToken(ISpObjectToken* token) override;
    HRESULT TARVOX_STDCALL GetObjectToken(ISpObjectToken** token) override;

    // ISpTTSEngine
    HRESULT TARVOX_STDCALL Speak(DWORD flags, REFGUID format_id, const WAVEFORMATEX* wave_format,
                                 const SPVTEXTFRAG* fragments, ISpTTSEngineSite* site) override;
    HRESULT TARVOX_STDCALL GetOutputFormat(const GUID* target_format_id,
                                           const WAVEFORMATEX* target_wave_format,
                                           GUID* format_id, WAVEFORMATEX** wave_format) override;

    // The object's own reference counting, used when it is aggregated.
    IUnknown* NonDelegatingUnknown() { return &inner_; }

private:
    struct Inner final : IUnknown {
        explicit Inner(CTTSEngObj& o) : owner(o) {}
        HRESULT TARVOX_STDCALL QueryInterface(REFIID riid, void** object) override;
        ULONG TARVOX_STDCALL AddRef() override;
        ULONG TARVOX_STDCALL Release() override;
        CTTSEngObj& owner;
    };

    HRESULT SpeakRequest(const SPVTEXTFRAG* fragments, ISpTTSEngineSite* site);

    EngineHost& host_;
    Inner inner_{*this};
    IUnknown* outer_;
    std::atomic<ULONG> refs_{1};
    ISpObjectToken* token_ = nullptr;
    // The token's Mode: this object's requests read the YU-ASCII letters by
    // it, whatever another object's token set.
    std::optional<bool> ascii7_;
};

// The audio format of every voice: 16 kHz, 16-bit mono PCM.
WAVEFORMATEX EngineWaveFormat();

// The module's count of live objects and server locks (atomic).
long ModuleLockCount();
void ModuleLock();
void ModuleUnlock();

}  // namespace tarvox
