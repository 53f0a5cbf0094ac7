#include "adapter/host_objects.h"

#include <cstring>

namespace tarvox {
namespace {

std::u16string Name(LPCWSTR name) {
    return name ? std::u16string(reinterpret_cast<const char16_t*>(name)) : std::u16string();
}

}  // namespace

void MemoryToken::SetString(std::u16string name, std::u16string value) {
    strings_[std::move(name)] = std::move(value);
}

void MemoryToken::SetNumber(std::u16string name, DWORD value) { numbers_[std::move(name)] = value; }

HRESULT MemoryToken::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!IsEqualGUID(riid, sapi::kIID_IUnknown) && !IsEqualGUID(riid, sapi::kIID_ISpDataKey) &&
        !IsEqualGUID(riid, sapi::kIID_ISpObjectToken))
        return E_NOINTERFACE;
    *object = static_cast<ISpObjectToken*>(this);
    AddRef();
    return S_OK;
}

ULONG MemoryToken::AddRef() { return ++refs_; }

ULONG MemoryToken::Release() {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

HRESULT MemoryToken::GetStringValue(LPCWSTR name, LPWSTR* value) {
    if (!value) return E_POINTER;
    *value = nullptr;
    const auto it = strings_.find(Name(name));
    if (it == strings_.end()) return sapi::kErrNotFound;
    const std::size_t bytes = (it->second.size() + 1) * sizeof(char16_t);
    void* out = CoTaskMemAlloc(bytes);
    if (!out) return E_OUTOFMEMORY;
    std::memcpy(out, it->second.c_str(), bytes);
    *value = static_cast<LPWSTR>(out);
    return S_OK;
}

HRESULT MemoryToken::GetDWORD(LPCWSTR name, DWORD* value) {
    if (!value) return E_POINTER;
    const auto it = numbers_.find(Name(name));
    if (it == numbers_.end()) return sapi::kErrNotFound;
    *value = it->second;
    return S_OK;
}

HRESULT MemoryToken::SetStringValue(LPCWSTR name, LPCWSTR value) {
    if (!value) return E_POINTER;
    SetString(Name(name), Name(value));
    return S_OK;
}

HRESULT MemoryToken::SetDWORD(LPCWSTR name, DWORD value) {
    SetNumber(Name(name), value);
    return S_OK;
}

HRESULT MemoryToken::SetData(LPCWSTR, ULONG, const BYTE*) { return E_NOTIMPL; }
HRESULT MemoryToken::GetData(LPCWSTR, ULONG*, BYTE*) { return E_NOTIMPL; }
HRESULT MemoryToken::OpenKey(LPCWSTR, ISpDataKey** key) {
    if (key) *key = nullptr;
    return sapi::kErrNotFound;
}
HRESULT MemoryToken::CreateKey(LPCWSTR, ISpDataKey** key) {
    if (key) *key = nullptr;
    return E_NOTIMPL;
}
HRESULT MemoryToken::DeleteKey(LPCWSTR) { return E_NOTIMPL; }
HRESULT MemoryToken::DeleteValue(LPCWSTR) { return E_NOTIMPL; }
HRESULT MemoryToken::EnumKeys(ULONG, LPWSTR* name) {
    if (name) *name = nullptr;
    return E_NOTIMPL;
}
HRESULT MemoryToken::EnumValues(ULONG, LPWSTR* name) {
    if (name) *name = nullptr;
    return E_NOTIMPL;
}
HRESULT MemoryToken::SetId(LPCWSTR, LPCWSTR, BOOL) { return E_NOTIMPL; }
HRESULT MemoryToken::GetId(LPWSTR* id) {
    if (id) *id = nullptr;
    return E_NOTIMPL;
}
HRESULT MemoryToken::GetCategory(ISpObjectTokenCategory** category) {
    if (category) *category = nullptr;
    return E_NOTIMPL;
}
HRESULT MemoryToken::CreateInstance(IUnknown*, DWORD, REFIID, void** object) {
    if (object) *object = nullptr;
    return E_NOTIMPL;
}
HRESULT MemoryToken::GetStorageFileName(REFCLSID, LPCWSTR, LPCWSTR, ULONG, LPWSTR* path) {
    if (path) *path = nullptr;
    return E_NOTIMPL;
}
HRESULT MemoryToken::RemoveStorageFileName(REFCLSID, LPCWSTR, BOOL) { return E_NOTIMPL; }
HRESULT MemoryToken::Remove(const CLSID*) { return E_NOTIMPL; }
HRESULT MemoryToken::IsUISupported(LPCWSTR, void*, ULONG, IUnknown*, BOOL* supported) {
    if (supported) *supported = 0;
    return S_OK;
}
HRESULT MemoryToken::DisplayUI(HWND, LPCWSTR, LPCWSTR, void*, ULONG, IUnknown*) {
    return E_NOTIMPL;
}
HRESULT MemoryToken::MatchesAttributes(LPCWSTR, BOOL* matches) {
    if (matches) *matches = 0;
    return E_NOTIMPL;
}

MemoryToken* MakeVoiceToken(std::u16string voice_name, std::u16string directory, DWORD mode) {
    if (!directory.empty() && directory.back() != u'/' && directory.back() != u'\\')
        directory.push_back(directory.find(u'\\') != std::u16string::npos ? u'\\' : u'/');
    MemoryToken* token = MemoryToken::Create();
    token->SetString(u"VoiceName", std::move(voice_name));
    token->SetString(u"Path", std::move(directory));
    token->SetNumber(u"Mode", mode);
    return token;
}

OutputSite::OutputSite(LONG rate, USHORT volume) : rate_(rate), volume_(volume) {}

void OutputSite::SetRate(LONG rate) {
    rate_ = rate;
    pending_ |= SPVES_RATE;
}

void OutputSite::SetVolume(USHORT volume) {
    volume_ = volume;
    pending_ |= SPVES_VOLUME;
}

HRESULT OutputSite::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!IsEqualGUID(riid, sapi::kIID_IUnknown) && !IsEqualGUID(riid, sapi::kIID_ISpEventSink) &&
        !IsEqualGUID(riid, sapi::kIID_ISpTTSEngineSite))
        return E_NOINTERFACE;
    *object = static_cast<ISpTTSEngineSite*>(this);
    AddRef();
    return S_OK;
}

HRESULT OutputSite::AddEvents(const SPEVENT* events, ULONG count) {
    if (!events && count) return E_POINTER;
    for (ULONG i = 0; i < count; ++i) {
        const SPEVENT& e = events[i];
        SiteEvent ev;
        ev.id = static_cast<int>(e.eEventId);
        ev.offset = e.ullAudioStreamOffset;
        ev.wparam = static_cast<std::uint64_t>(e.wParam);
        if (static_cast<int>(e.elParamType) == SPET_LPARAM_IS_STRING) {
            if (e.lParam) ev.text = reinterpret_cast<const char16_t*>(e.lParam);
        } else {
            ev.lparam = static_cast<std::int64_t>(e.lParam);
        }
        events_.push_back(ev);
        if (event_handler_) event_handler_(events_.back());
    }
    return S_OK;
}

HRESULT OutputSite::GetEventInterest(ULONGLONG* interest) {
    if (!interest) return E_POINTER;
    *interest = (1ull << SPEI_TTS_BOOKMARK) | (1ull << SPEI_WORD_BOUNDARY) |
                (1ull << SPEI_SENTENCE_BOUNDARY);
    return S_OK;
}

DWORD OutputSite::GetActions() {
    if (aborted_) return SPVES_ABORT;
    const DWORD actions = pending_;
    pending_ = SPVES_CONTINUE;
    return actions;
}

void OutputSite::Deliver(std::span<const std::int16_t> samples) {
    if (samples.empty() || aborted_) return;
    if (audio_handler_) {
        if (!audio_handler_(samples)) aborted_ = true;
    } else {
        audio_.insert(audio_.end(), samples.begin(), samples.end());
    }
}

HRESULT OutputSite::Write(const void* buffer, ULONG size, ULONG* written) {
    if (written) *written = 0;
    if (!buffer && size) return E_POINTER;
    // Samples are little-endian 16-bit; a piece that ends inside a sample
    // keeps its last byte for the next piece.
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    piece_.clear();
    std::size_t i = 0;
    if (has_odd_byte_ && size > 0) {
        piece_.push_back(static_cast<std::int16_t>(odd_byte_ | (bytes[0] << 8)));
        has_odd_byte_ = false;
        i = 1;
    }
    for (; i + 1 < size; i += 2)
        piece_.push_back(static_cast<std::int16_t>(bytes[i] | (bytes[i + 1] << 8)));
    if (i < size) {
        odd_byte_ = bytes[i];
        has_odd_byte_ = true;
    }
    bytes_ += size;
    Deliver(piece_);
    if (written) *written = size;
    return S_OK;
}

HRESULT OutputSite::GetRate(LONG* rate) {
    if (!rate) return E_POINTER;
    *rate = rate_;
    return S_OK;
}

HRESULT OutputSite::GetVolume(USHORT* volume) {
    if (!volume) return E_POINTER;
    *volume = volume_;
    return S_OK;
}

HRESULT OutputSite::GetSkipInfo(SPVSKIPTYPE* type, LONG* items) {
    if (!type || !items) return E_POINTER;
    *type = SPVST_SENTENCE;
    *items = 0;
    return S_OK;
}

HRESULT OutputSite::CompleteSkip(LONG) { return S_OK; }

}  // namespace tarvox
