// The engine object's Speak as a host's platform calls it: one object with
// the voice's token, made once; each input is a request of up to eight
// fragments, each with its action (the seven known and one unknown), rate, volume, pitch,
// silence, source offset and UTF-16 text (any code units, unpaired
// surrogates too, at most 256 of them), spoken at the site's rate and
// volume from the input.
#include <cstdint>
#include <string>
#include <vector>

#include "adapter/class_factory.h"
#include "adapter/host_objects.h"
#include "fuzz_support.h"

namespace {

using namespace tarvox;

struct Engine {
    ISpTTSEngine* engine = nullptr;
    WAVEFORMATEX wave{};
};

Engine& Made() {
    static Engine made = [] {
        Engine e;
        void* factory = nullptr;
        if (FAILED(GetEngineClassObject(sapi::kCLSID_SampleTTSEngine, sapi::kIID_IClassFactory, &factory)))
            std::abort();
        void* object = nullptr;
        if (FAILED(static_cast<IClassFactory*>(factory)->CreateInstance(nullptr, sapi::kIID_ISpTTSEngine, &object)))
            std::abort();
        static_cast<IClassFactory*>(factory)->Release();
        e.engine = static_cast<ISpTTSEngine*>(object);
        void* with_token = nullptr;
        if (FAILED(e.engine->QueryInterface(sapi::kIID_ISpObjectWithToken, &with_token))) std::abort();
        const std::string dir = fuzz::VoiceDirectory();
        MemoryToken* token = MakeVoiceToken(u"Quenlar Orin", std::u16string(dir.begin(), dir.end()), 0);
        if (FAILED(static_cast<ISpObjectWithToken*>(with_token)->SetObjectToken(token))) std::abort();
        static_cast<ISpObjectWithToken*>(with_token)->Release();
        token->Release();
        GUID id{};
        WAVEFORMATEX* format = nullptr;
        if (FAILED(e.engine->GetOutputFormat(&sapi::kSPDFID_WaveFormatEx, nullptr, &id, &format)) || !format)
            std::abort();
        e.wave = *format;
        CoTaskMemFree(format);
        return e;
    }();
    return made;
}

// Reads the input front to back; zeros once it is used up.
struct Reader {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
    std::uint8_t Byte() { return at < size ? data[at++] : 0; }
    bool Done() const { return at >= size; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Engine& e = Made();
    Reader in{data, size};
    OutputSite site(static_cast<LONG>(in.Byte() % 21) - 10, static_cast<USHORT>(in.Byte() % 101));
    site.OnAudio([](std::span<const std::int16_t>) { return true; });
    std::vector<SPVTEXTFRAG> fragments;
    std::vector<std::u16string> texts;
    fragments.reserve(8);
    texts.reserve(8);
    while (!in.Done() && fragments.size() < 8) {
        SPVTEXTFRAG f{};
        f.State.eAction = static_cast<SPVACTIONS>(in.Byte() % 8);
        f.State.RateAdj = static_cast<std::int8_t>(in.Byte());
        f.State.Volume = in.Byte();
        f.State.PitchAdj.MiddleAdj = static_cast<std::int8_t>(in.Byte());
        f.State.SilenceMSecs = in.Byte() * 4u;
        f.ulTextSrcOffset = in.Byte() * 64u;
        std::u16string text;
        for (std::size_t n = in.Byte(); n > 0 && !in.Done(); --n) {
            const auto low = in.Byte();
            text.push_back(static_cast<char16_t>(low | (in.Byte() << 8)));
        }
        texts.push_back(std::move(text));
        fragments.push_back(f);
    }
    if (fragments.empty()) return 0;
    for (std::size_t i = 0; i < fragments.size(); ++i) {
        fragments[i].pTextStart = reinterpret_cast<LPCWSTR>(texts[i].c_str());
        fragments[i].ulTextLen = static_cast<ULONG>(texts[i].size());
        fragments[i].pNext = i + 1 < fragments.size() ? &fragments[i + 1] : nullptr;
    }
    (void)e.engine->Speak(0, sapi::kSPDFID_WaveFormatEx, &e.wave, fragments.data(), &site);
    return 0;
}
