// tarvox-wine-client: a small host of our own that drives tarvox.dll the way
// the speech platform does, for Windows or Wine (whose own platform cannot
// host a third-party voice). After `regsvr32 tarvox.dll` it loads the type
// library from the DLL and checks the class, the platform interfaces (by
// identifier, base, method order and signatures) and the structures (sizes
// and member offsets) against the headers the engine is built with, then
// creates the engine with CoCreateInstance, gives it
// a voice token of its own, speaks a Slovenian sentence with a bookmark into
// a site of its own and checks the audio and the events.
//
//   tarvox-wine-client.exe <tarvox.dll> <voice directory | token:NAME> [audio.raw]
//
// With token:NAME the voice token's values come from the registry key
// HKLM\SOFTWARE\Microsoft\Speech\Voices\Tokens\NAME, as an installer wrote them.
// Exit code 0 when every check passed, 1 when one failed, 2 on bad use.
// The optional file receives the spoken 16-bit samples.
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "adapter/host_objects.h"

namespace {

using tarvox::MemoryToken;
using tarvox::OutputSite;
using tarvox::SiteEvent;
namespace sapi = tarvox::sapi;

int g_checks = 0;
int g_failed = 0;

void Check(bool ok, const std::string& what) {
    ++g_checks;
    if (!ok) ++g_failed;
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
    std::fflush(stdout);
}

std::string Hex(HRESULT hr) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08lX", static_cast<unsigned long>(hr));
    return buf;
}

struct Releaser {
    void operator()(IUnknown* p) const {
        if (p) p->Release();
    }
};

const char16_t kText[] = u"Dober dan, kako ste?";
constexpr ULONG kMarkAt = 11;
const char16_t kMark[] = u"7 vprasanje";

// The sentence cut at the bookmark, as the platform hands it over.
struct Request {
    SPVTEXTFRAG fragments[3]{};
    Request() {
        const ULONG length = static_cast<ULONG>(std::char_traits<char16_t>::length(kText));
        const ULONG pieces[3][2] = {{0, kMarkAt}, {kMarkAt, 0}, {kMarkAt, length - kMarkAt}};
        for (int i = 0; i < 3; ++i) {
            SPVTEXTFRAG& f = fragments[i];
            f.State.eAction = i == 1 ? SPVA_Bookmark : SPVA_Speak;
            f.State.Volume = 100;
            f.pTextStart = reinterpret_cast<LPCWSTR>(i == 1 ? kMark : kText + pieces[i][0]);
            f.ulTextLen = i == 1 ? static_cast<ULONG>(std::char_traits<char16_t>::length(kMark))
                                 : pieces[i][1];
            f.ulTextSrcOffset = pieces[i][0];
            f.pNext = i < 2 ? &fragments[i + 1] : nullptr;
        }
    }
};

std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

// The name of a type description, or of one of its members.
std::wstring NameOf(ITypeInfo* info, MEMBERID member = MEMBERID_NIL) {
    BSTR name = nullptr;
    std::wstring result;
    if (SUCCEEDED(info->GetDocumentation(member, &name, nullptr, nullptr, nullptr)) && name) {
        result = name;
        SysFreeString(name);
    }
    return result;
}

// The type attributes of a type description, released with it.
class Attributes {
public:
    explicit Attributes(ITypeInfo* info) : info_(info) {
        if (FAILED(info->GetTypeAttr(&attr_))) attr_ = nullptr;
    }
    ~Attributes() {
        if (attr_) info_->ReleaseTypeAttr(attr_);
    }
    Attributes(const Attributes&) = delete;
    Attributes& operator=(const Attributes&) = delete;
    const TYPEATTR* operator->() const { return attr_; }
    explicit operator bool() const { return attr_ != nullptr; }

private:
    ITypeInfo* info_;
    TYPEATTR* attr_ = nullptr;
};

// A type as the type library describes it: the variant type's short name
// ("ui4", "hresult", "lpwstr", ...), or the described type's name, with a
// '*' for each level of pointer.
std::string TypeText(ITypeInfo* info, const TYPEDESC& type) {
    switch (type.vt) {
    case VT_PTR: return TypeText(info, *type.lptdesc) + "*";
    case VT_USERDEFINED: {
        ITypeInfo* named = nullptr;
        if (FAILED(info->GetRefTypeInfo(type.hreftype, &named)) || !named) return "?";
        const std::string name = Narrow(NameOf(named));
        named->Release();
        return name;
    }
    case VT_VOID: return "void";
    case VT_HRESULT: return "hresult";
    case VT_UNKNOWN: return "IUnknown*";
    case VT_LPWSTR: return "lpwstr";
    case VT_I4: return "i4";
    case VT_UI1: return "ui1";
    case VT_UI2: return "ui2";
    case VT_UI4: return "ui4";
    case VT_UI8: return "ui8";
    default: return "vt" + std::to_string(type.vt);
    }
}

// A method's signature: "result(parameter, ...)", with "out " before what
// the method writes.
std::string Signature(ITypeInfo* info, const FUNCDESC& func) {
    std::string text = TypeText(info, func.elemdescFunc.tdesc) + "(";
    for (SHORT i = 0; i < func.cParams; ++i) {
        const ELEMDESC& param = func.lprgelemdescParam[i];
        if (i > 0) text += ", ";
        const USHORT flags = param.paramdesc.wParamFlags;
        if ((flags & PARAMFLAG_FIN) && (flags & PARAMFLAG_FOUT)) text += "in out ";
        else if (flags & PARAMFLAG_FOUT) text += "out ";
        text += TypeText(info, param.tdesc);
    }
    return text + ")";
}

// What the platform declares of an interface: its identifier, the interface
// it extends, and its own methods in vtable order with their signatures.
struct InterfaceFacts {
    const wchar_t* name;
    GUID iid;
    const wchar_t* base;
    std::vector<std::pair<const wchar_t*, const char*>> methods;
};

// The type description of the named interface, reached through its
// identifier: it extends the right interface and lists the right methods
// in the right vtable slots.
void CheckInterface(ITypeLib* library, const InterfaceFacts& facts) {
    const std::string what = "the type library's " + Narrow(facts.name);
    ITypeInfo* raw = nullptr;
    if (FAILED(library->GetTypeInfoOfGuid(facts.iid, &raw)) || !raw) {
        Check(false, what + " is found by its identifier");
        return;
    }
    std::unique_ptr<ITypeInfo, Releaser> info(raw);
    const Attributes attr(raw);
    if (!attr) {
        Check(false, what + " has type attributes");
        return;
    }
    std::string problems;
    if (NameOf(raw) != facts.name) problems += " name " + Narrow(NameOf(raw));
    if (attr->typekind != TKIND_INTERFACE) problems += " not an interface";
    if (attr->wTypeFlags & (TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDUAL))
        problems += " marked for OLE automation";
    HREFTYPE base_ref = 0;
    ITypeInfo* base = nullptr;
    if (attr->cImplTypes != 1 || FAILED(raw->GetRefTypeOfImplType(0, &base_ref)) ||
        FAILED(raw->GetRefTypeInfo(base_ref, &base)) || !base) {
        problems += " no base interface";
    } else {
        if (NameOf(base) != facts.base) problems += " extends " + Narrow(NameOf(base));
        const Attributes base_attr(base);
        // The own methods follow the base interface's slots.
        if (base_attr && attr->cbSizeVft != base_attr->cbSizeVft + facts.methods.size() *
                                                                     sizeof(void*))
            problems += " vtable size " + std::to_string(attr->cbSizeVft);
        const std::size_t first_slot = base_attr ? base_attr->cbSizeVft / sizeof(void*) : 0;
        if (attr->cFuncs != facts.methods.size()) {
            problems += " " + std::to_string(attr->cFuncs) + " methods";
        } else {
            for (std::size_t i = 0; i < facts.methods.size(); ++i) {
                FUNCDESC* func = nullptr;
                if (FAILED(raw->GetFuncDesc(static_cast<UINT>(i), &func)) || !func) {
                    problems += " no method " + std::to_string(i);
                    continue;
                }
                const std::wstring method = NameOf(raw, func->memid);
                const std::string signature = Signature(raw, *func);
                if (method != facts.methods[i].first || signature != facts.methods[i].second ||
                    static_cast<std::size_t>(func->oVft) != (first_slot + i) * sizeof(void*))
                    problems += " slot " + std::to_string(first_slot + i) + " is " +
                                Narrow(method) + " " + signature;
                raw->ReleaseFuncDesc(func);
            }
        }
        base->Release();
    }
    Check(problems.empty(), what + " by its identifier, base and methods" + problems);
}

// What the platform's headers lay out: a structure's size and the offsets
// of its members.
struct StructFacts {
    const wchar_t* name;
    std::size_t size;
    std::vector<std::pair<const wchar_t*, std::size_t>> members;
};

void CheckStructure(ITypeLib* library, const StructFacts& facts) {
    const std::string what = "the type library's " + Narrow(facts.name);
    ITypeInfo* found = nullptr;
    for (UINT i = 0, n = library->GetTypeInfoCount(); i < n && !found; ++i) {
        ITypeInfo* info = nullptr;
        if (FAILED(library->GetTypeInfo(i, &info)) || !info) continue;
        if (NameOf(info) == facts.name) found = info;
        else info->Release();
    }
    if (!found) {
        Check(false, what + " is described");
        return;
    }
    std::unique_ptr<ITypeInfo, Releaser> owned(found);
    const Attributes attr(found);
    std::string problems;
    if (!attr || attr->typekind != TKIND_RECORD) {
        problems += " not a structure";
    } else {
        if (attr->cbSizeInstance != facts.size)
            problems += " size " + std::to_string(attr->cbSizeInstance);
        if (attr->cVars != facts.members.size())
            problems += " " + std::to_string(attr->cVars) + " members";
        for (std::size_t i = 0; i < facts.members.size() && i < attr->cVars; ++i) {
            VARDESC* var = nullptr;
            if (FAILED(found->GetVarDesc(static_cast<UINT>(i), &var)) || !var) continue;
            const std::wstring member = NameOf(found, var->memid);
            if (member != facts.members[i].first || var->oInst != facts.members[i].second)
                problems += " member " + std::to_string(i) + " " + Narrow(member) + " at " +
                            std::to_string(var->oInst);
            found->ReleaseVarDesc(var);
        }
    }
    Check(problems.empty(), what + " lies as the headers lay it out" + problems);
}

// The class lists the engine interface as its default and the token
// interface, by identifier.
void CheckClass(ITypeLib* library) {
    ITypeInfo* raw = nullptr;
    if (FAILED(library->GetTypeInfoOfGuid(sapi::kCLSID_SampleTTSEngine, &raw)) || !raw) {
        Check(false, "the type library describes the engine class");
        return;
    }
    std::unique_ptr<ITypeInfo, Releaser> info(raw);
    const Attributes attr(raw);
    Check(attr && attr->typekind == TKIND_COCLASS && NameOf(raw) == L"SampleTTSEngine",
          "the type library describes the class SampleTTSEngine");
    const struct {
        GUID iid;
        bool is_default;
    } expected[] = {{sapi::kIID_ISpTTSEngine, true}, {sapi::kIID_ISpObjectWithToken, false}};
    std::string seen;
    bool good = attr && attr->cImplTypes == 2;
    for (UINT i = 0; attr && i < attr->cImplTypes; ++i) {
        HREFTYPE ref = 0;
        INT flags = 0;
        ITypeInfo* implemented = nullptr;
        if (FAILED(raw->GetRefTypeOfImplType(i, &ref)) ||
            FAILED(raw->GetImplTypeFlags(i, &flags)) ||
            FAILED(raw->GetRefTypeInfo(ref, &implemented)) || !implemented) {
            good = false;
            continue;
        }
        const Attributes implemented_attr(implemented);
        seen.append(" ").append(Narrow(NameOf(implemented)));
        if (flags & IMPLTYPEFLAG_FDEFAULT) seen.append("(default)");
        if (i >= 2 || !implemented_attr ||
            !IsEqualGUID(implemented_attr->guid, expected[i].iid) ||
            ((flags & IMPLTYPEFLAG_FDEFAULT) != 0) != expected[i].is_default)
            good = false;
        implemented->Release();
    }
    Check(good, "the class lists ISpTTSEngine (default) and ISpObjectWithToken:" + seen);
}

void CheckTypeLibrary(const wchar_t* dll) {
    ITypeLib* library = nullptr;
    const HRESULT hr = LoadTypeLib(dll, &library);
    Check(hr == S_OK && library, "LoadTypeLib on the DLL: " + Hex(hr));
    if (!library) return;
    std::unique_ptr<ITypeLib, Releaser> owned(library);
    BSTR name = nullptr;
    if (SUCCEEDED(library->GetDocumentation(-1, &name, nullptr, nullptr, nullptr)) && name) {
        const std::wstring n(name);
        SysFreeString(name);
        Check(n == L"SAMPLETTSENGLib", "the type library is SAMPLETTSENGLib");
    } else {
        Check(false, "the type library has a name");
    }
    CheckClass(library);

    // The platform's interfaces as the headers the engine is built with
    // declare them (the identifiers of those that mingw's headers carry
    // come from there).
    const InterfaceFacts interfaces[] = {
        {L"ISpTTSEngine", sapi::kIID_ISpTTSEngine, L"IUnknown",
         {{L"Speak", "hresult(ui4, _GUID*, WAVEFORMATEX*, SPVTEXTFRAG*, ISpTTSEngineSite*)"},
          {L"GetOutputFormat",
           "hresult(_GUID*, WAVEFORMATEX*, out _GUID*, out WAVEFORMATEX**)"}}},
        {L"ISpObjectWithToken", __uuidof(ISpObjectWithToken), L"IUnknown",
         {{L"SetObjectToken", "hresult(ISpObjectToken*)"},
          {L"GetObjectToken", "hresult(out ISpObjectToken**)"}}},
        {L"ISpDataKey", __uuidof(ISpDataKey), L"IUnknown",
         {{L"SetData", "hresult(lpwstr, ui4, ui1*)"},
          {L"GetData", "hresult(lpwstr, in out ui4*, out ui1*)"},
          {L"SetStringValue", "hresult(lpwstr, lpwstr)"},
          {L"GetStringValue", "hresult(lpwstr, out lpwstr*)"},
          {L"SetDWORD", "hresult(lpwstr, ui4)"},
          {L"GetDWORD", "hresult(lpwstr, out ui4*)"},
          {L"OpenKey", "hresult(lpwstr, out ISpDataKey**)"},
          {L"CreateKey", "hresult(lpwstr, out ISpDataKey**)"},
          {L"DeleteKey", "hresult(lpwstr)"},
          {L"DeleteValue", "hresult(lpwstr)"},
          {L"EnumKeys", "hresult(ui4, out lpwstr*)"},
          {L"EnumValues", "hresult(ui4, out lpwstr*)"}}},
        {L"ISpObjectToken", __uuidof(ISpObjectToken), L"ISpDataKey",
         {{L"SetId", "hresult(lpwstr, lpwstr, i4)"},
          {L"GetId", "hresult(out lpwstr*)"},
          {L"GetCategory", "hresult(out ISpObjectTokenCategory**)"},
          {L"CreateInstance", "hresult(IUnknown*, ui4, _GUID*, out void**)"},
          {L"GetStorageFileName", "hresult(_GUID*, lpwstr, lpwstr, ui4, out lpwstr*)"},
          {L"RemoveStorageFileName", "hresult(_GUID*, lpwstr, i4)"},
          {L"Remove", "hresult(_GUID*)"},
          {L"IsUISupported", "hresult(lpwstr, void*, ui4, IUnknown*, out i4*)"},
          {L"DisplayUI", "hresult(void*, lpwstr, lpwstr, void*, ui4, IUnknown*)"},
          {L"MatchesAttributes", "hresult(lpwstr, out i4*)"}}},
        {L"ISpEventSink", __uuidof(ISpEventSink), L"IUnknown",
         {{L"AddEvents", "hresult(SPEVENT*, ui4)"},
          {L"GetEventInterest", "hresult(out ui8*)"}}},
        {L"ISpTTSEngineSite", sapi::kIID_ISpTTSEngineSite, L"ISpEventSink",
         {{L"GetActions", "ui4()"},
          {L"Write", "hresult(void*, ui4, out ui4*)"},
          {L"GetRate", "hresult(out i4*)"},
          {L"GetVolume", "hresult(out ui2*)"},
          {L"GetSkipInfo", "hresult(out SPVSKIPTYPE*, out i4*)"},
          {L"CompleteSkip", "hresult(i4)"}}},
    };
    for (const InterfaceFacts& facts : interfaces) CheckInterface(library, facts);
    Check(IsEqualGUID(__uuidof(ISpObjectWithToken), sapi::kIID_ISpObjectWithToken) &&
              IsEqualGUID(__uuidof(ISpObjectToken), sapi::kIID_ISpObjectToken) &&
              IsEqualGUID(__uuidof(ISpEventSink), sapi::kIID_ISpEventSink),
          "the engine's interface identifiers are the platform headers'");

    // The structures, against the layouts the engine is compiled with. The
    // headers pack WAVEFORMATEX to 18 bytes; the type library gives it its
    // natural size, 20, with the same member offsets.
    const StructFacts structures[] = {
        {L"SPEVENT", sizeof(SPEVENT),
         {{L"eEventId", 0}, {L"elParamType", 2},
          {L"ulStreamNum", offsetof(SPEVENT, ulStreamNum)},
          {L"ullAudioStreamOffset", offsetof(SPEVENT, ullAudioStreamOffset)},
          {L"wParam", offsetof(SPEVENT, wParam)}, {L"lParam", offsetof(SPEVENT, lParam)}}},
        {L"SPVPITCH", sizeof(SPVPITCH),
         {{L"MiddleAdj", offsetof(SPVPITCH, MiddleAdj)},
          {L"RangeAdj", offsetof(SPVPITCH, RangeAdj)}}},
        {L"SPVCONTEXT", sizeof(SPVCONTEXT),
         {{L"pCategory", offsetof(SPVCONTEXT, pCategory)},
          {L"pBefore", offsetof(SPVCONTEXT, pBefore)},
          {L"pAfter", offsetof(SPVCONTEXT, pAfter)}}},
        {L"SPVSTATE", sizeof(SPVSTATE),
         {{L"eAction", offsetof(SPVSTATE, eAction)}, {L"LangID", offsetof(SPVSTATE, LangID)},
          {L"wReserved", offsetof(SPVSTATE, wReserved)},
          {L"EmphAdj", offsetof(SPVSTATE, EmphAdj)}, {L"RateAdj", offsetof(SPVSTATE, RateAdj)},
          {L"Volume", offsetof(SPVSTATE, Volume)}, {L"PitchAdj", offsetof(SPVSTATE, PitchAdj)},
          {L"SilenceMSecs", offsetof(SPVSTATE, SilenceMSecs)},
          {L"pPhoneIds", offsetof(SPVSTATE, pPhoneIds)},
          {L"ePartOfSpeech", offsetof(SPVSTATE, ePartOfSpeech)},
          {L"Context", offsetof(SPVSTATE, Context)}}},
        {L"SPVTEXTFRAG", sizeof(SPVTEXTFRAG),
         {{L"pNext", offsetof(SPVTEXTFRAG, pNext)}, {L"State", offsetof(SPVTEXTFRAG, State)},
          {L"pTextStart", offsetof(SPVTEXTFRAG, pTextStart)},
          {L"ulTextLen", offsetof(SPVTEXTFRAG, ulTextLen)},
          {L"ulTextSrcOffset", offsetof(SPVTEXTFRAG, ulTextSrcOffset)}}},
        {L"WAVEFORMATEX", (sizeof(WAVEFORMATEX) + alignof(DWORD) - 1) / alignof(DWORD) *
                              alignof(DWORD),
         {{L"wFormatTag", offsetof(WAVEFORMATEX, wFormatTag)},
          {L"nChannels", offsetof(WAVEFORMATEX, nChannels)},
          {L"nSamplesPerSec", offsetof(WAVEFORMATEX, nSamplesPerSec)},
          {L"nAvgBytesPerSec", offsetof(WAVEFORMATEX, nAvgBytesPerSec)},
          {L"nBlockAlign", offsetof(WAVEFORMATEX, nBlockAlign)},
          {L"wBitsPerSample", offsetof(WAVEFORMATEX, wBitsPerSample)},
          {L"cbSize", offsetof(WAVEFORMATEX, cbSize)}}},
    };
    for (const StructFacts& facts : structures) CheckStructure(library, facts);

    // Registration put the library into the registry as well.
    ITypeLib* registered = nullptr;
    const HRESULT reg = LoadRegTypeLib(sapi::kLIBID_SAMPLETTSENGLib, 1, 0, 0, &registered);
    Check(reg == S_OK && registered, "LoadRegTypeLib of the registered library: " + Hex(reg));
    if (registered) registered->Release();
}

// A value of a voice token key in the registry; nullopt when it is missing.
std::optional<std::wstring> RegistryString(const std::wstring& key, const wchar_t* name) {
    DWORD size = 0;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), name, RRF_RT_REG_SZ, nullptr, nullptr,
                     &size) != ERROR_SUCCESS)
        return std::nullopt;
    std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value.data(),
                     &size) != ERROR_SUCCESS)
        return std::nullopt;
    value.resize(std::wcslen(value.c_str()));
    return value;
}

std::u16string U16(const std::wstring& s) {
    return std::u16string(reinterpret_cast<const char16_t*>(s.c_str()), s.size());
}

// The voice token: built from a voice directory, or ("token:NAME") read
// from the voice's key under the platform's token category, as an installer
// wrote it.
MemoryToken* TokenFor(const wchar_t* arg) {
    const std::wstring a(arg);
    if (a.rfind(L"token:", 0) != 0) return tarvox::MakeVoiceToken(u"Quenlar Orin", U16(a), 0);
    const std::wstring key = L"SOFTWARE\\Microsoft\\Speech\\Voices\\Tokens\\" + a.substr(6);
    const auto clsid = RegistryString(key, L"CLSID");
    const auto name = RegistryString(key, L"VoiceName");
    const auto path = RegistryString(key, L"Path");
    DWORD mode = 0, size = sizeof mode;
    const bool has_mode = RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"Mode", RRF_RT_REG_DWORD,
                                       nullptr, &mode, &size) == ERROR_SUCCESS;
    Check(clsid && _wcsicmp(clsid->c_str(), L"{A8ABE95B-7C20-461E-A91A-D2D761F58629}") == 0,
          "the voice token names the engine class");
    Check(name && path && has_mode, "the voice token has VoiceName, Path and Mode");
    if (!name || !path || !has_mode) return nullptr;
    MemoryToken* token = MemoryToken::Create();
    token->SetString(u"VoiceName", U16(*name));
    token->SetString(u"Path", U16(*path));
    token->SetNumber(u"Mode", mode);
    return token;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fputs(
            "usage: tarvox-wine-client <tarvox.dll> <voice directory | token:NAME> [audio.raw]\n",
            stderr);
        return 2;
    }
    HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(hr)) {
        std::fprintf(stderr, "CoInitializeEx: %s\n", Hex(hr).c_str());
        return 1;
    }
    CheckTypeLibrary(argv[1]);

    ISpTTSEngine* raw_engine = nullptr;
    hr = CoCreateInstance(sapi::kCLSID_SampleTTSEngine, nullptr, CLSCTX_INPROC_SERVER,
                          sapi::kIID_ISpTTSEngine, reinterpret_cast<void**>(&raw_engine));
    Check(hr == S_OK && raw_engine, "CoCreateInstance of the engine class: " + Hex(hr));
    if (!raw_engine) {
        CoUninitialize();
        return 1;
    }
    std::unique_ptr<ISpTTSEngine, Releaser> engine(raw_engine);

    ISpObjectWithToken* raw_with_token = nullptr;
    hr = engine->QueryInterface(sapi::kIID_ISpObjectWithToken,
                                reinterpret_cast<void**>(&raw_with_token));
    Check(hr == S_OK && raw_with_token, "QueryInterface ISpObjectWithToken: " + Hex(hr));
    std::unique_ptr<ISpObjectWithToken, Releaser> with_token(raw_with_token);

    std::vector<std::int16_t> audio;
    std::vector<SiteEvent> events;
    std::uint64_t bytes = 0;
    if (with_token) {
        ISpObjectToken* none = nullptr;
        Check(with_token->GetObjectToken(&none) == S_FALSE && !none,
              "GetObjectToken before the voice: S_FALSE");
        std::unique_ptr<MemoryToken, Releaser> token(TokenFor(argv[2]));
        if (!token) return 1;
        hr = with_token->SetObjectToken(token.get());
        Check(hr == S_OK, "SetObjectToken with the voice token: " + Hex(hr));
        hr = with_token->SetObjectToken(token.get());
        Check(hr == sapi::kErrAlreadyInitialized, "a second SetObjectToken: " + Hex(hr));
        ISpObjectToken* got = nullptr;
        Check(with_token->GetObjectToken(&got) == S_OK && got == token.get(),
              "GetObjectToken gives the token back");
        if (got) got->Release();

        GUID format_id{};
        WAVEFORMATEX* format = nullptr;
        hr = engine->GetOutputFormat(&sapi::kSPDFID_WaveFormatEx, nullptr, &format_id, &format);
        Check(hr == S_OK && format && IsEqualGUID(format_id, sapi::kSPDFID_WaveFormatEx) &&
                  format->wFormatTag == WAVE_FORMAT_PCM && format->nChannels == 1 &&
                  format->nSamplesPerSec == 16000 && format->wBitsPerSample == 16 &&
                  format->nBlockAlign == 2 && format->nAvgBytesPerSec == 32000,
              "GetOutputFormat: 16 kHz 16-bit mono PCM");
        WAVEFORMATEX wave{};
        if (format) {
            wave = *format;
            CoTaskMemFree(format);
        }

        Request request;
        OutputSite site;
        hr = engine->Speak(0, sapi::kSPDFID_WaveFormatEx, &wave, request.fragments, &site);
        Check(hr == S_OK, "Speak: " + Hex(hr));
        audio = site.audio();
        events = site.events();
        bytes = site.bytes_written();

        // The same request, aborted by the site after its first piece.
        OutputSite stopping;
        int pieces = 0;
        stopping.OnAudio([&](std::span<const std::int16_t>) { return ++pieces < 1; });
        hr = engine->Speak(0, sapi::kSPDFID_WaveFormatEx, &wave, request.fragments, &stopping);
        Check(hr == S_OK && pieces == 1 && stopping.bytes_written() < bytes,
              "a request aborted by its site stops after the piece: " +
                  std::to_string(stopping.bytes_written()) + " bytes");

        // Two more engine objects speak the request at once on two threads
        // of the multithreaded apartment: each gets the whole audio.
        std::vector<std::int16_t> parallel[2];
        HRESULT results[2] = {E_FAIL, E_FAIL};
        std::thread threads[2];
        for (int i = 0; i < 2; ++i) {
            threads[i] = std::thread([&, i] {
                if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return;
                ISpTTSEngine* other = nullptr;
                if (SUCCEEDED(CoCreateInstance(sapi::kCLSID_SampleTTSEngine, nullptr,
                                               CLSCTX_INPROC_SERVER, sapi::kIID_ISpTTSEngine,
                                               reinterpret_cast<void**>(&other)))) {
                    ISpObjectWithToken* t = nullptr;
                    other->QueryInterface(sapi::kIID_ISpObjectWithToken,
                                          reinterpret_cast<void**>(&t));
                    if (t && SUCCEEDED(t->SetObjectToken(token.get()))) {
                        OutputSite own;
                        results[i] = other->Speak(0, sapi::kSPDFID_WaveFormatEx, &wave,
                                                  request.fragments, &own);
                        parallel[i] = own.audio();
                    }
                    if (t) t->Release();
                    other->Release();
                }
                CoUninitialize();
            });
        }
        for (std::thread& t : threads) t.join();
        Check(results[0] == S_OK && results[1] == S_OK && parallel[0] == audio &&
                  parallel[1] == audio,
              "two engine objects speaking at once on two threads give the same audio");
    }

    Check(audio.size() > 16000, "audio: " + std::to_string(audio.size()) + " samples");
    Check(bytes == 2 * audio.size(), "every written byte reached the site");
    const std::int64_t words[] = {0, 6, 11, 16};
    std::vector<std::string> order;
    std::uint64_t last = 0;
    bool in_order = true;
    for (const SiteEvent& e : events) {
        if (e.offset < last || e.offset > bytes) in_order = false;
        last = e.offset;
        if (e.id == SPEI_WORD_BOUNDARY) {
            order.push_back(std::to_string(e.lparam) + "+" + std::to_string(e.wparam));
        } else if (e.id == SPEI_TTS_BOOKMARK) {
            const bool named = e.text == kMark && e.wparam == 7;
            order.push_back(named ? "mark" : "bad mark");
        }
    }
    std::string seen;
    for (const std::string& s : order) seen += (seen.empty() ? "" : " ") + s;
    const std::string expected = std::to_string(words[0]) + "+5 " + std::to_string(words[1]) +
                                 "+4 mark " + std::to_string(words[2]) + "+4 " +
                                 std::to_string(words[3]) + "+4";
    Check(seen == expected, "events (position+length): " + seen);
    Check(in_order && !events.empty(), "event offsets rise and lie within the audio");

    if (argc > 3) {
        std::ofstream out(std::filesystem::path(argv[3]), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(audio.data()),
                  static_cast<std::streamsize>(audio.size() * sizeof(std::int16_t)));
        Check(static_cast<bool>(out), "audio written to the file");
    }

    with_token.reset();
    engine.reset();
    CoUninitialize();
    if (g_failed == 0) std::printf("tarvox-wine-client: all %d checks good\n", g_checks);
    else std::printf("tarvox-wine-client: %d of %d checks FAILED\n", g_failed, g_checks);
    return g_failed == 0 ? 0 : 1;
}
