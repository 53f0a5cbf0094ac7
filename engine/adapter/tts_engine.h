// CTTSEngObj: the component the speech platform creates for a voice of this
// engine. It reads the voice token, starts the driver once per process, and
// speaks requests: collects the fragments' text with word and bookmark
// events, synthesises sentence by sentence under one process-wide mutex,
// scales the volume, queues the events at proportional audio offsets and
// writes the audio to the site in pieces of 2048 bytes.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "adapter/sapi_platform.h"

namespace tarvox {

class Configuration;
class Sint;

// The engine objects' process-wide state: what every object shares.
class EngineHost {
public:
    EngineHost(Configuration& config, Sint& sint) : config_(config), sint_(sint) {}
    EngineHost(const EngineHost&) = delete;
    EngineHost& operator=(const EngineHost&) = delete;

    Configuration& config() { return config_; }
    Sint& sint() { return sint_; }

    std::mutex& setup_mutex() { return setup_; }

    // Setup shared by the engine objects and the C interface; called under
    // the setup mutex. The first path of the process becomes the base
    // directory.
    void SetPath(const std::string& path);
    // Reads the configuration once, then (when the token was stored, status
    // S_OK) turns the index mode on, starts the stages and the waveform
    // generator and counts one more user. A mode value sets the ASCII-7
    // switch. S_OK, E_FAIL or `token_status`.
    HRESULT Start(HRESULT token_status, std::optional<std::uint32_t> mode);
    // One user fewer; the last one releases stages, generator and
    // configuration, so that the next start reads sint.ini again.
    void Stop();
    std::mutex& synthesis_mutex() { return synthesis_; }

    int init_count = 0;
    bool configuration_read = false;
    bool sint_started = false;
    bool psola_started = false;
    std::string path_copy;
    bool has_path_copy = false;
    // Last volume and rate reported by an output site.
    std::atomic<unsigned> site_volume{100};
    std::atomic<int> site_rate{0};
    // Bytes written to output sites since the first request; event offsets
    // are based on it. Kept in 64 bits: it never wraps within a process.
    std::atomic<std::uint64_t> audio_offset{0};

private:
    Configuration& config_;
    Sint& sint_;
    std::mutex setup_;
    std::mutex synthesis_;
};

// The process-wide host over the process-wide driver.
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
};

// The audio format of every voice: 16 kHz, 16-bit mono PCM.
WAVEFORMATEX EngineWaveFormat();

// The module's count of live objects and server locks (atomic).
long ModuleLockCount();
void ModuleLock();
void ModuleUnlock();

}  // namespace tarvox
