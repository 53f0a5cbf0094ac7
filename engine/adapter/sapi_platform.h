// The speech platform's types and interfaces as the engine object uses them.
//
// On Windows they come from mingw-w64's <sapi.h>; what that header lacks
// (the engine and engine-site interfaces, text fragments, the action and
// skip enumerations, some error codes and the wave-format identifier) is
// declared here with the platform's identifiers, method order and layouts.
// Elsewhere the whole set is declared with fixed-width types, so that the
// same engine-object source builds and can be tested on Linux.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)

#include <windows.h>
#include <objbase.h>
#include <sapi.h>
#include <sperror.h>

#define TARVOX_STDCALL STDMETHODCALLTYPE

#else  // !_WIN32

#define TARVOX_STDCALL

using HRESULT = std::int32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using DWORD = std::uint32_t;
using WORD = std::uint16_t;
using USHORT = std::uint16_t;
using BYTE = std::uint8_t;
using BOOL = std::int32_t;
using UINT = std::uint32_t;
using ULONGLONG = std::uint64_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using WCHAR = char16_t;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using HWND = void*;

struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};
using IID = GUID;
using CLSID = GUID;
using REFIID = const IID&;
using REFGUID = const GUID&;
using REFCLSID = const CLSID&;

inline bool operator==(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
    for (int i = 0; i < 8; ++i)
        if (a.Data4[i] != b.Data4[i]) return false;
    return true;
}
inline bool IsEqualGUID(const GUID& a, const GUID& b) { return a == b; }

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
inline constexpr HRESULT SELFREG_E_CLASS = static_cast<HRESULT>(0x80040201u);
inline constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
inline constexpr bool FAILED(HRESULT hr) { return hr < 0; }

inline constexpr WORD WAVE_FORMAT_PCM = 1;

#pragma pack(push, 1)
struct WAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
};
#pragma pack(pop)

enum SPEVENTENUM : int {
    SPEI_START_INPUT_STREAM = 1,
    SPEI_END_INPUT_STREAM = 2,
    SPEI_VOICE_CHANGE = 3,
    SPEI_TTS_BOOKMARK = 4,
    SPEI_WORD_BOUNDARY = 5,
    SPEI_PHONEME = 6,
    SPEI_SENTENCE_BOUNDARY = 7,
};

enum SPEVENTLPARAMTYPE : int {
    SPET_LPARAM_IS_UNDEFINED = 0,
    SPET_LPARAM_IS_TOKEN = 1,
    SPET_LPARAM_IS_OBJECT = 2,
    SPET_LPARAM_IS_POINTER = 3,
    SPET_LPARAM_IS_STRING = 4,
};

struct SPEVENT {
    SPEVENTENUM eEventId : 16;
    SPEVENTLPARAMTYPE elParamType : 16;
    ULONG ulStreamNum;
    ULONGLONG ullAudioStreamOffset;
    WPARAM wParam;
    LPARAM lParam;
};

enum SPVACTIONS : int {
    SPVA_Speak = 0,
    SPVA_Silence = 1,
    SPVA_Pronounce = 2,
    SPVA_Bookmark = 3,
    SPVA_SpellOut = 4,
    SPVA_Section = 5,
    SPVA_ParseUnknownTag = 6,
};

enum SPPARTOFSPEECH : int { SPPS_NotOverriden = -1, SPPS_Unknown = 0 };
using SPPHONEID = WCHAR;

struct SPVPITCH {
    LONG MiddleAdj;
    LONG RangeAdj;
};

struct SPVCONTEXT {
    LPCWSTR pCategory;
    LPCWSTR pBefore;
    LPCWSTR pAfter;
};

struct SPVSTATE {
    SPVACTIONS eAction;
    WORD LangID;
    WORD wReserved;
    LONG EmphAdj;
    LONG RateAdj;
    ULONG Volume;
    SPVPITCH PitchAdj;
    ULONG SilenceMSecs;
    SPPHONEID* pPhoneIds;
    SPPARTOFSPEECH ePartOfSpeech;
    SPVCONTEXT Context;
};

struct IUnknown {
    virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

struct IClassFactory : IUnknown {
    virtual HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) = 0;
    virtual HRESULT LockServer(BOOL lock) = 0;

protected:
    ~IClassFactory() = default;
};

struct ISpObjectTokenCategory;

struct ISpDataKey : IUnknown {
    virtual HRESULT SetData(LPCWSTR name, ULONG size, const BYTE* data) = 0;
    virtual HRESULT GetData(LPCWSTR name, ULONG* size, BYTE* data) = 0;
    virtual HRESULT SetStringValue(LPCWSTR name, LPCWSTR value) = 0;
    virtual HRESULT GetStringValue(LPCWSTR name, LPWSTR* value) = 0;
    virtual HRESULT SetDWORD(LPCWSTR name, DWORD value) = 0;
    virtual HRESULT GetDWORD(LPCWSTR name, DWORD* value) = 0;
    virtual HRESULT OpenKey(LPCWSTR name, ISpDataKey** key) = 0;
    virtual HRESULT CreateKey(LPCWSTR name, ISpDataKey** key) = 0;
    virtual HRESULT DeleteKey(LPCWSTR name) = 0;
    virtual HRESULT DeleteValue(LPCWSTR name) = 0;
    virtual HRESULT EnumKeys(ULONG index, LPWSTR* name) = 0;
    virtual HRESULT EnumValues(ULONG index, LPWSTR* name) = 0;

protected:
    ~ISpDataKey() = default;
};

struct ISpObjectToken : ISpDataKey {
    virtual HRESULT SetId(LPCWSTR category, LPCWSTR token_id, BOOL create) = 0;
    virtual HRESULT GetId(LPWSTR* id) = 0;
    virtual HRESULT GetCategory(ISpObjectTokenCategory** category) = 0;
    virtual HRESULT CreateInstance(IUnknown* outer, DWORD context, REFIID riid, void** object) = 0;
    virtual HRESULT GetStorageFileName(REFCLSID caller, LPCWSTR value_name,
                                       LPCWSTR file_spec, ULONG folder, LPWSTR* path) = 0;
    virtual HRESULT RemoveStorageFileName(REFCLSID caller, LPCWSTR key_name,
                                          BOOL delete_file) = 0;
    virtual HRESULT Remove(const CLSID* caller) = 0;
    virtual HRESULT IsUISupported(LPCWSTR type, void* data, ULONG size, IUnknown* object,
                                  BOOL* supported) = 0;
    virtual HRESULT DisplayUI(HWND parent, LPCWSTR title, LPCWSTR type, void* data, ULONG size,
                              IUnknown* object) = 0;
    virtual HRESULT MatchesAttributes(LPCWSTR attributes, BOOL* matches) = 0;

protected:
    ~ISpObjectToken() = default;
};

struct ISpObjectWithToken : IUnknown {
    virtual HRESULT SetObjectToken(ISpObjectToken* token) = 0;
    virtual HRESULT GetObjectToken(ISpObjectToken** token) = 0;

protected:
    ~ISpObjectWithToken() = default;
};

struct ISpEventSink : IUnknown {
    virtual HRESULT AddEvents(const SPEVENT* events, ULONG count) = 0;
    virtual HRESULT GetEventInterest(ULONGLONG* interest) = 0;

protected:
    ~ISpEventSink() = default;
};

// Task memory: what the platform's callers free, and what they hand us to
// free.
void* CoTaskMemAlloc(std::size_t size);
void CoTaskMemFree(void* p);

#endif  // !_WIN32

// Declared by us on both systems: the platform headers of the cross
// compiler do not have them.

enum SPVESACTIONS : DWORD {
    SPVES_CONTINUE = 0,
    SPVES_ABORT = 1,
    SPVES_SKIP = 2,
    SPVES_RATE = 4,
    SPVES_VOLUME = 8,
};

enum SPVSKIPTYPE { SPVST_SENTENCE = 1 };

struct SPVTEXTFRAG {
    SPVTEXTFRAG* pNext;
    SPVSTATE State;
    LPCWSTR pTextStart;
    ULONG ulTextLen;
    ULONG ulTextSrcOffset;
};

struct ISpTTSEngineSite : ISpEventSink {
    virtual DWORD TARVOX_STDCALL GetActions() = 0;
    virtual HRESULT TARVOX_STDCALL Write(const void* buffer, ULONG size, ULONG* written) = 0;
    virtual HRESULT TARVOX_STDCALL GetRate(LONG* rate) = 0;
    virtual HRESULT TARVOX_STDCALL GetVolume(USHORT* volume) = 0;
    virtual HRESULT TARVOX_STDCALL GetSkipInfo(SPVSKIPTYPE* type, LONG* items) = 0;
    virtual HRESULT TARVOX_STDCALL CompleteSkip(LONG skipped) = 0;
};

struct ISpTTSEngine : IUnknown {
    virtual HRESULT TARVOX_STDCALL Speak(DWORD flags, REFGUID format_id,
                                         const WAVEFORMATEX* wave_format,
                                         const SPVTEXTFRAG* fragments,
                                         ISpTTSEngineSite* site) = 0;
    virtual HRESULT TARVOX_STDCALL GetOutputFormat(const GUID* target_format_id,
                                                   const WAVEFORMATEX* target_wave_format,
                                                   GUID* format_id,
                                                   WAVEFORMATEX** wave_format) = 0;
};

namespace tarvox::sapi {

inline constexpr HRESULT kErrAlreadyInitialized = static_cast<HRESULT>(0x80045002u);
inline constexpr HRESULT kErrUninitialized = static_cast<HRESULT>(0x80045001u);

inline constexpr GUID kIID_IUnknown = {0x00000000, 0x0000, 0x0000,
                                       {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr GUID kIID_IClassFactory = {0x00000001, 0x0000, 0x0000,
                                            {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr GUID kIID_ISpObjectWithToken = {
    0x5B559F40, 0xE952, 0x11D2, {0xBB, 0x91, 0x00, 0xC0, 0x4F, 0x8E, 0xE6, 0xC0}};
inline constexpr GUID kIID_ISpObjectToken = {
    0x14056589, 0xE16C, 0x11D2, {0xBB, 0x90, 0x00, 0xC0, 0x4F, 0x8E, 0xE6, 0xC0}};
inline constexpr GUID kIID_ISpEventSink = {
    0xBE7A9CC9, 0x5F9E, 0x11D2, {0x96, 0x0F, 0x00, 0xC0, 0x4F, 0x8E, 0xE6, 0x28}};
inline constexpr GUID kIID_ISpTTSEngineSite = {
    0x9880499B, 0xCCE9, 0x11D2, {0xB5, 0x03, 0x00, 0xC0, 0x4F, 0x79, 0x73, 0x96}};
inline constexpr GUID kIID_ISpTTSEngine = {
    0xA74D7C8E, 0x4CC5, 0x4F2F, {0xA6, 0xEB, 0x80, 0x4D, 0xEE, 0x18, 0x50, 0x0E}};
inline constexpr GUID kSPDFID_WaveFormatEx = {
    0xC31ADBAE, 0x527F, 0x4FF5, {0xA2, 0x30, 0xF6, 0x2B, 0xB6, 0x1F, 0xF7, 0x0C}};
inline constexpr GUID kSPDFID_Text = {
    0x7CEEF9F9, 0x3D13, 0x11D2, {0x9E, 0xE7, 0x00, 0xC0, 0x4F, 0x79, 0x73, 0x96}};
// The engine's class.
inline constexpr GUID kCLSID_SampleTTSEngine = {
    0xA8ABE95B, 0x7C20, 0x461E, {0xA9, 0x1A, 0xD2, 0xD7, 0x61, 0xF5, 0x86, 0x29}};
inline constexpr GUID kLIBID_SAMPLETTSENGLib = {
    0xAAD644AE, 0xFCEB, 0x4673, {0xA5, 0xD0, 0x0B, 0x89, 0x8D, 0x61, 0xEC, 0xB1}};

}  // namespace tarvox::sapi

#if defined(__x86_64__) || defined(_M_X64)
static_assert(sizeof(SPEVENT) == 32);
static_assert(offsetof(SPEVENT, ulStreamNum) == 4);
static_assert(offsetof(SPEVENT, ullAudioStreamOffset) == 8);
static_assert(offsetof(SPEVENT, wParam) == 16);
static_assert(offsetof(SPEVENT, lParam) == 24);
static_assert(sizeof(SPVSTATE) == 72);
static_assert(offsetof(SPVSTATE, LangID) == 4);
static_assert(offsetof(SPVSTATE, EmphAdj) == 8);
static_assert(offsetof(SPVSTATE, RateAdj) == 12);
static_assert(offsetof(SPVSTATE, Volume) == 16);
static_assert(offsetof(SPVSTATE, PitchAdj) == 20);
static_assert(offsetof(SPVSTATE, SilenceMSecs) == 28);
static_assert(offsetof(SPVSTATE, pPhoneIds) == 32);
static_assert(offsetof(SPVSTATE, ePartOfSpeech) == 40);
static_assert(offsetof(SPVSTATE, Context) == 48);
static_assert(sizeof(SPVTEXTFRAG) == 96);
static_assert(offsetof(SPVTEXTFRAG, State) == 8);
static_assert(offsetof(SPVTEXTFRAG, pTextStart) == 80);
static_assert(offsetof(SPVTEXTFRAG, ulTextLen) == 88);
static_assert(offsetof(SPVTEXTFRAG, ulTextSrcOffset) == 92);
static_assert(sizeof(SPVCONTEXT) == 24);
#elif defined(__i386__) || defined(_M_IX86)
static_assert(sizeof(SPEVENT) == 24);
static_assert(offsetof(SPEVENT, ulStreamNum) == 4);
static_assert(offsetof(SPEVENT, ullAudioStreamOffset) == 8);
static_assert(offsetof(SPEVENT, wParam) == 16);
static_assert(offsetof(SPEVENT, lParam) == 20);
static_assert(sizeof(SPVSTATE) == 52);
static_assert(offsetof(SPVSTATE, LangID) == 4);
static_assert(offsetof(SPVSTATE, EmphAdj) == 8);
static_assert(offsetof(SPVSTATE, RateAdj) == 12);
static_assert(offsetof(SPVSTATE, Volume) == 16);
static_assert(offsetof(SPVSTATE, PitchAdj) == 20);
static_assert(offsetof(SPVSTATE, SilenceMSecs) == 28);
static_assert(offsetof(SPVSTATE, pPhoneIds) == 32);
static_assert(offsetof(SPVSTATE, ePartOfSpeech) == 36);
static_assert(offsetof(SPVSTATE, Context) == 40);
static_assert(sizeof(SPVTEXTFRAG) == 68);
static_assert(offsetof(SPVTEXTFRAG, State) == 4);
static_assert(offsetof(SPVTEXTFRAG, pTextStart) == 56);
static_assert(offsetof(SPVTEXTFRAG, ulTextLen) == 60);
static_assert(offsetof(SPVTEXTFRAG, ulTextSrcOffset) == 64);
static_assert(sizeof(SPVCONTEXT) == 12);
#endif
static_assert(sizeof(WAVEFORMATEX) == 18);
static_assert(sizeof(SPVPITCH) == 8);
