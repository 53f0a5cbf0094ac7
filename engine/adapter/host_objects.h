// What a host hands the engine object when it speaks without the speech
// platform: an object token held in memory (the values a voice's registry
// key would give) and an output site that passes the audio on as it arrives
// and records the events. The command line uses them here, the Windows test
// client under Wine; both build from this one source.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "adapter/sapi_platform.h"

namespace tarvox {

namespace sapi {
inline constexpr GUID kIID_ISpDataKey = {
    0x14056581, 0xE16C, 0x11D2, {0xBB, 0x90, 0x00, 0xC0, 0x4F, 0x8E, 0xE6, 0xC0}};
// What the platform answers for a value that the key does not have.
inline constexpr HRESULT kErrNotFound = static_cast<HRESULT>(0x8004503Au);
}  // namespace sapi

// A voice token in memory with string and number values. Reference counted:
// it deletes itself when the last reference goes, so an engine object may
// keep it as long as it likes. Everything but reading values and
// QueryInterface answers E_NOTIMPL.
class MemoryToken final : public ISpObjectToken {
public:
    // A new token with one reference, owned by the caller.
    static MemoryToken* Create() { return new MemoryToken(); }

    void SetString(std::u16string name, std::u16string value);
    void SetNumber(std::u16string name, DWORD value);

    HRESULT TARVOX_STDCALL QueryInterface(REFIID riid, void** object) override;
    ULONG TARVOX_STDCALL AddRef() override;
    ULONG TARVOX_STDCALL Release() override;

    // ISpDataKey
    HRESULT TARVOX_STDCALL SetData(LPCWSTR name, ULONG size, const BYTE* data) override;
    HRESULT TARVOX_STDCALL GetData(LPCWSTR name, ULONG* size, BYTE* data) override;
    HRESULT TARVOX_STDCALL SetStringValue(LPCWSTR name, LPCWSTR value) override;
    // The value in task memory (the caller frees it), or kErrNotFound.
    HRESULT TARVOX_STDCALL GetStringValue(LPCWSTR name, LPWSTR* value) override;
    HRESULT TARVOX_STDCALL SetDWORD(LPCWSTR name, DWORD value) override;
    HRESULT TARVOX_STDCALL GetDWORD(LPCWSTR name, DWORD* value) override;
    HRESULT TARVOX_STDCALL OpenKey(LPCWSTR name, ISpDataKey** key) override;
    HRESULT TARVOX_STDCALL CreateKey(LPCWSTR name, ISpDataKey** key) override;
    HRESULT TARVOX_STDCALL DeleteKey(LPCWSTR name) override;
    HRESULT TARVOX_STDCALL DeleteValue(LPCWSTR name) override;
    HRESULT TARVOX_STDCALL EnumKeys(ULONG index, LPWSTR* name) override;
    HRESULT TARVOX_STDCALL EnumValues(ULONG index, LPWSTR* name) override;

    // ISpObjectToken
    HRESULT TARVOX_STDCALL SetId(LPCWSTR category, LPCWSTR token_id, BOOL create) override;
    HRESULT TARVOX_STDCALL GetId(LPWSTR* id) override;
    HRESULT TARVOX_STDCALL GetCategory(ISpObjectTokenCategory** category) override;
    HRESULT TARVOX_STDCALL CreateInstance(IUnknown* outer, DWORD context, REFIID riid,
                                          void** object) override;
    HRESULT TARVOX_STDCALL GetStorageFileName(REFCLSID caller, LPCWSTR value_name,
                                              LPCWSTR file_spec, ULONG folder,
                                              LPWSTR* path) override;
    HRESULT TARVOX_STDCALL RemoveStorageFileName(REFCLSID caller, LPCWSTR key_name,
                                                 BOOL delete_file) override;
    HRESULT TARVOX_STDCALL Remove(const CLSID* caller) override;
    HRESULT TARVOX_STDCALL IsUISupported(LPCWSTR type, void* data, ULONG size, IUnknown* object,
                                         BOOL* supported) override;
    HRESULT TARVOX_STDCALL DisplayUI(HWND parent, LPCWSTR title, LPCWSTR type, void* data,
                                     ULONG size, IUnknown* object) override;
    HRESULT TARVOX_STDCALL MatchesAttributes(LPCWSTR attributes, BOOL* matches) override;

private:
    MemoryToken() = default;
    ~MemoryToken() = default;

    std::map<std::u16string, std::u16string> strings_;
    std::map<std::u16string, DWORD> numbers_;
    std::atomic<ULONG> refs_{1};
};

// The voice token of a voice directory: "VoiceName", "Path" (the directory
// with a separator at its end, as the engine joins file names to it) and
// "Mode" (1 for the ASCII-7 letters, else 0).
MemoryToken* MakeVoiceToken(std::u16string voice_name, std::u16string directory, DWORD mode);

// One event as the site received it; a string parameter is copied.
struct SiteEvent {
    int id = 0;  // SPEI_...
    std::uint64_t offset = 0;  // audio bytes
    std::uint64_t wparam = 0;
    std::int64_t lparam = 0;
    std::u16string text;  // the string of an event whose parameter is one
};

// An output site. Audio goes to the audio handler as it is written (or,
// without one, into audio()); events to the event handler (and events()).
// The rate and volume are offered to the engine with the first action
// query of a request, and again after each change.
class OutputSite final : public ISpTTSEngineSite {
public:
    // Gets whole 16-bit samples; false stops the request (abort).
    using AudioHandler = std::function<bool(std::span<const std::int16_t>)>;
    using EventHandler = std::function<void(const SiteEvent&)>;

    OutputSite(LONG rate = 0, USHORT volume = 100);

    void OnAudio(AudioHandler handler) { audio_handler_ = std::move(handler); }
    void OnEvent(EventHandler handler) { event_handler_ = std::move(handler); }
    void SetRate(LONG rate);
    void SetVolume(USHORT volume);
    // The engine sees SPVES_ABORT at its next action query.
    void Abort() { aborted_ = true; }

    const std::vector<std::int16_t>& audio() const { return audio_; }
    const std::vector<SiteEvent>& events() const { return events_; }
    std::uint64_t bytes_written() const { return bytes_; }
    bool aborted() const { return aborted_; }

    HRESULT TARVOX_STDCALL QueryInterface(REFIID riid, void** object) override;
    // The site lives as long as its owner keeps it; counting only.
    ULONG TARVOX_STDCALL AddRef() override { return ++refs_; }
    ULONG TARVOX_STDCALL Release() override { return --refs_; }

    HRESULT TARVOX_STDCALL AddEvents(const SPEVENT* events, ULONG count) override;
    HRESULT TARVOX_STDCALL GetEventInterest(ULONGLONG* interest) override;
    DWORD TARVOX_STDCALL GetActions() override;
    HRESULT TARVOX_STDCALL Write(const void* buffer, ULONG size, ULONG* written) override;
    HRESULT TARVOX_STDCALL GetRate(LONG* rate) override;
    HRESULT TARVOX_STDCALL GetVolume(USHORT* volume) override;
    HRESULT TARVOX_STDCALL GetSkipInfo(SPVSKIPTYPE* type, LONG* items) override;
    HRESULT TARVOX_STDCALL CompleteSkip(LONG skipped) override;

private:
    void Deliver(std::span<const std::int16_t> samples);

    LONG rate_;
    USHORT volume_;
    DWORD pending_ = SPVES_RATE | SPVES_VOLUME;
    bool aborted_ = false;
    AudioHandler audio_handler_;
    EventHandler event_handler_;
    std::vector<std::int16_t> audio_;
    std::vector<SiteEvent> events_;
    std::vector<std::int16_t> piece_;
    std::uint64_t bytes_ = 0;
    bool has_odd_byte_ = false;
    unsigned char odd_byte_ = 0;
    std::atomic<ULONG> refs_{1};
};

}  // namespace tarvox
