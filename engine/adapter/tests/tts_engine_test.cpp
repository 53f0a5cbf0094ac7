#include "adapter/tts_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <thread>

#include "base/config.h"
#include "driver/instance.h"
#include "driver/sint.h"
#include "driver/standin_stages.h"
#include "support/test_files.h"

namespace tarvox {
namespace {

using testing::TempDir;

// A voice token with string and number values.
class FakeToken final : public ISpObjectToken {
public:
    std::map<std::u16string, std::u16string> strings;
    std::map<std::u16string, DWORD> numbers;
    std::atomic<int> refs{1};

    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG Release() override { return static_cast<ULONG>(--refs); }
    HRESULT GetStringValue(LPCWSTR name, LPWSTR* value) override {
        auto it = strings.find(reinterpret_cast<const char16_t*>(name));
        if (it == strings.end()) return E_FAIL;
        const std::size_t bytes = (it->second.size() + 1) * sizeof(char16_t);
        auto* out = static_cast<char16_t*>(CoTaskMemAlloc(bytes));
        std::memcpy(out, it->second.c_str(), bytes);
        *value = reinterpret_cast<LPWSTR>(out);
        return S_OK;
    }
    HRESULT GetDWORD(LPCWSTR name, DWORD* value) override {
        auto it = numbers.find(reinterpret_cast<const char16_t*>(name));
        if (it == numbers.end()) return E_FAIL;
        *value = it->second;
        return S_OK;
    }
    HRESULT SetData(LPCWSTR, ULONG, const BYTE*) override { return E_NOTIMPL; }
    HRESULT GetData(LPCWSTR, ULONG*, BYTE*) override { return E_NOTIMPL; }
    HRESULT SetStringValue(LPCWSTR, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT SetDWORD(LPCWSTR, DWORD) override { return E_NOTIMPL; }
    HRESULT OpenKey(LPCWSTR, ISpDataKey**) override { return E_NOTIMPL; }
    HRESULT CreateKey(LPCWSTR, ISpDataKey**) override { return E_NOTIMPL; }
    HRESULT DeleteKey(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT DeleteValue(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT EnumKeys(ULONG, LPWSTR*) override { return E_NOTIMPL; }
    HRESULT EnumValues(ULONG, LPWSTR*) override { return E_NOTIMPL; }
    HRESULT SetId(LPCWSTR, LPCWSTR, BOOL) override { return E_NOTIMPL; }
    HRESULT GetId(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT GetCategory(ISpObjectTokenCategory**) override { return E_NOTIMPL; }
    HRESULT CreateInstance(IUnknown*, DWORD, REFIID, void**) override { return E_NOTIMPL; }
    HRESULT GetStorageFileName(REFCLSID, LPCWSTR, LPCWSTR, ULONG, LPWSTR*) override {
        return E_NOTIMPL;
    }
    HRESULT RemoveStorageFileName(REFCLSID, LPCWSTR, BOOL) override { return E_NOTIMPL; }
    HRESULT Remove(const CLSID*) override { return E_NOTIMPL; }
    HRESULT IsUISupported(LPCWSTR, void*, ULONG, IUnknown*, BOOL*) override { return E_NOTIMPL; }
    HRESULT DisplayUI(HWND, LPCWSTR, LPCWSTR, void*, ULONG, IUnknown*) override {
        return E_NOTIMPL;
    }
    HRESULT MatchesAttributes(LPCWSTR, BOOL*) override { return E_NOTIMPL; }
};

struct Event {
    int id;
    std::uint64_t offset;
    std::uint64_t wparam;
    std::int64_t lparam;
    std::u16string name;
};

// An output site that records audio and events and answers scripted actions.
class FakeSite final : public ISpTTSEngineSite {
public:
    std::vector<std::int16_t> audio;
    std::vector<Event> events;
    std::vector<DWORD> script;  // answers of GetActions, in order; then 0
    std::size_t next_action = 0;
    int writes = 0;
    USHORT volume = 100;
    LONG rate = 0;

    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT AddEvents(const SPEVENT* e, ULONG n) override {
        for (ULONG i = 0; i < n; ++i) {
            Event ev{e[i].eEventId, e[i].ullAudioStreamOffset, e[i].wParam, e[i].lParam, {}};
            if (e[i].elParamType == SPET_LPARAM_IS_STRING)
                ev.name = reinterpret_cast<const char16_t*>(e[i].lParam);
            events.push_back(ev);
        }
        return S_OK;
    }
    HRESULT GetEventInterest(ULONGLONG*) override { return S_OK; }
    DWORD GetActions() override {
        return next_action < script.size() ? script[next_action++] : SPVES_CONTINUE;
    }
    HRESULT Write(const void* buffer, ULONG size, ULONG*) override {
        const auto* s = static_cast<const std::int16_t*>(buffer);
        audio.insert(audio.end(), s, s + size / 2);
        ++writes;
        return S_OK;
    }
    HRESULT GetRate(LONG* r) override {
        *r = rate;
        return S_OK;
    }
    HRESULT GetVolume(USHORT* v) override {
        *v = volume;
        return S_OK;
    }
    HRESULT GetSkipInfo(SPVSKIPTYPE* t, LONG* n) override {
        *t = SPVST_SENTENCE;
        *n = 1;
        return S_OK;
    }
    HRESULT CompleteSkip(LONG) override { return S_OK; }
};

// A waveform generator that renders every millisecond as 16 samples of a
// constant value, so volume scaling is easy to see.
class ConstantWave final : public IWaveGenerator {
public:
    int Run(std::span<const PhonemeRecord> units) override {
        long ms = 0;
        for (const PhonemeRecord& r : units) ms += r.duration;
        samples_.assign(static_cast<std::size_t>(ms) * 16, 20000);
        return 0;
    }
    std::span<const std::int16_t> Samples() const override { return samples_; }

private:
    std::vector<std::int16_t> samples_;
};

struct Fragments {
    std::vector<SPVTEXTFRAG> list;
    std::vector<std::u16string> texts;
    void Add(SPVACTIONS action, std::u16string text, ULONG volume = 100, ULONG offset = 0) {
        texts.push_back(std::move(text));
        SPVTEXTFRAG f{};
        f.State.eAction = action;
        f.State.Volume = volume;
        f.ulTextSrcOffset = offset;
        list.push_back(f);
    }
    const SPVTEXTFRAG* Link() {
        for (std::size_t i = 0; i < list.size(); ++i) {
            list[i].pTextStart = reinterpret_cast<LPCWSTR>(texts[i].c_str());
            list[i].ulTextLen = static_cast<ULONG>(texts[i].size());
            list[i].pNext = i + 1 < list.size() ? &list[i + 1] : nullptr;
        }
        return list.data();
    }
};

class EngineObjectTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearError();
        dir.Write("sint.ini",
                  "ini_mikro = m.ini\nini_makro = k.ini\nini_gfp = g.ini\ndct_dir = d\n"
                  "stat_dir = s\nlog_dir = log\nport = 1\npisi_dnevnik = false\n");
        const std::string path = dir.path().string();
        token.strings[u"Path"] = std::u16string(path.begin(), path.end());
        token.strings[u"VoiceName"] = u"Quenlar Orin";
    }
    void TearDown() override {
        for (CTTSEngObj* o : objects) o->Release();
    }
    CTTSEngObj* NewObject() {
        objects.push_back(new CTTSEngObj(host));
        return objects.back();
    }
    CTTSEngObj* Ready() {
        CTTSEngObj* o = NewObject();
        EXPECT_EQ(o->SetObjectToken(&token), S_OK);
        return o;
    }
    HRESULT Speak(CTTSEngObj* o, Fragments& f, FakeSite& site) {
        return o->Speak(0, sapi::kSPDFID_WaveFormatEx, nullptr, f.Link(), &site);
    }

    static StageFactory Factory() {
        StageFactory f;
        f.converter = [](const Configuration&) { return MakeStandInConverter(); };
        f.micro = [](const Configuration&, IConverter&) { return MakeStandInMicro(); };
        f.macro = [](const Configuration&, IConverter&) { return MakeStandInMacro(); };
        f.wave = [](const Configuration&) { return std::make_unique<ConstantWave>(); };
        return f;
    }

    TempDir dir;
    EngineInstance engine{Factory()};
    Configuration& config = engine.config();
    Sint& sint = engine.sint();
    EngineHost host{engine};
    FakeToken token;
    std::vector<CTTSEngObj*> objects;
};

TEST_F(EngineObjectTest, SetObjectTokenStartsTheEngineOnce) {
    CTTSEngObj* a = NewObject();
    EXPECT_EQ(a->SetObjectToken(&token), S_OK);
    EXPECT_EQ(a->SetObjectToken(&token), sapi::kErrAlreadyInitialized);
    EXPECT_TRUE(host.sint_started());
    EXPECT_TRUE(host.psola_started());
    EXPECT_EQ(host.users(), 1);
    EXPECT_EQ(config.BaseDirectory(), dir.path().string());
    CTTSEngObj* b = NewObject();
    EXPECT_EQ(b->SetObjectToken(nullptr), E_INVALIDARG);
    EXPECT_EQ(host.users(), 1);
    token.numbers[u"Mode"] = 1;
    EXPECT_EQ(b->SetObjectToken(&token), S_OK);
    EXPECT_EQ(host.users(), 2);
    EXPECT_TRUE(config.switches().podpiraj_ascii7);
    EXPECT_TRUE(config.switches().index_mode);
}

// A token without a Path (or an empty one) names no voice directory: the
// engine says so instead of looking in the host's current directory.
TEST_F(EngineObjectTest, TokenWithoutPathFailsWithItsReason) {
    for (const bool empty : {false, true}) {
        if (empty) token.strings[u"Path"] = u""; else token.strings.erase(u"Path");
        CTTSEngObj* a = NewObject();
        ClearError();
        EXPECT_EQ(a->SetObjectToken(&token), E_FAIL);
        EXPECT_NE(LastError().find("no Path value"), std::string::npos) << LastError();
        EXPECT_FALSE(host.configuration_read());
    }
}

TEST_F(EngineObjectTest, MissingConfigurationFailsAndIsRetried) {
    std::filesystem::remove(dir.path() / "sint.ini");
    CTTSEngObj* a = NewObject();
    EXPECT_EQ(a->SetObjectToken(&token), E_FAIL);
    EXPECT_FALSE(host.configuration_read());
    dir.Write("sint.ini",
              "ini_mikro = m.ini\nini_makro = k.ini\nini_gfp = g.ini\ndct_dir = d\n"
              "stat_dir = s\nlog_dir = log\n");
    CTTSEngObj* b = NewObject();
    EXPECT_EQ(b->SetObjectToken(&token), S_OK);
}

TEST_F(EngineObjectTest, TokenAndFormatQueries) {
    CTTSEngObj* o = NewObject();
    ISpObjectToken* t = &token;
    EXPECT_EQ(o->GetObjectToken(nullptr), E_POINTER);
    EXPECT_EQ(o->GetObjectToken(&t), S_FALSE);
    EXPECT_EQ(t, nullptr);
    ASSERT_EQ(o->SetObjectToken(&token), S_OK);
    EXPECT_EQ(o->GetObjectToken(&t), S_OK);
    EXPECT_EQ(t, &token);
    t->Release();

    GUID id{};
    WAVEFORMATEX* wf = nullptr;
    EXPECT_EQ(o->GetOutputFormat(nullptr, nullptr, nullptr, &wf), E_INVALIDARG);
    ASSERT_EQ(o->GetOutputFormat(nullptr, nullptr, &id, &wf), S_OK);
    EXPECT_TRUE(IsEqualGUID(id, sapi::kSPDFID_WaveFormatEx));
    EXPECT_EQ(wf->wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(wf->nChannels, 1);
    EXPECT_EQ(wf->nSamplesPerSec, 16000u);
    EXPECT_EQ(wf->nAvgBytesPerSec, 32000u);
    EXPECT_EQ(wf->nBlockAlign, 2);
    EXPECT_EQ(wf->wBitsPerSample, 16);
    CoTaskMemFree(wf);

    void* p = nullptr;
    EXPECT_EQ(o->QueryInterface(sapi::kIID_ISpTTSEngine, &p), S_OK);
    static_cast<IUnknown*>(p)->Release();
    EXPECT_EQ(o->QueryInterface(sapi::kIID_ISpEventSink, &p), E_NOINTERFACE);
}

TEST_F(EngineObjectTest, VolumeOfTheLastFragmentWinsAndDoublesAt100) {
    CTTSEngObj* o = Ready();
    struct Case {
        ULONG first, second;
        std::int16_t expected;
    };
    for (const Case c : {Case{100, 50, 20000}, Case{50, 100, 32766}, Case{100, 25, 10000}}) {
        Fragments f;
        f.Add(SPVA_Speak, u"ab", c.first);
        f.Add(SPVA_Speak, u"cd", c.second, 3);
        FakeSite site;
        ASSERT_EQ(Speak(o, f, site), S_OK);
        ASSERT_FALSE(site.audio.empty());
        EXPECT_EQ(site.audio.back(), c.expected);
    }
}

TEST_F(EngineObjectTest, WordEventsAreSpreadOverTheAudio) {
    CTTSEngObj* o = Ready();
    const std::uint64_t start = host.audio_offset();
    Fragments f;
    f.Add(SPVA_Speak, u"ena dva  tri", 100, 5);
    FakeSite site;
    ASSERT_EQ(Speak(o, f, site), S_OK);
    ASSERT_EQ(site.events.size(), 3u);
    const double bytes = 2.0 * static_cast<double>(site.audio.size());
    const double length = 13;  // 12 characters and the blank after the fragment
    const int positions[] = {0, 4, 9};
    const int lengths[] = {3, 3, 3};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(site.events[i].id, SPEI_WORD_BOUNDARY);
        EXPECT_EQ(site.events[i].wparam, static_cast<std::uint64_t>(lengths[i]));
        EXPECT_EQ(site.events[i].lparam, 5 + positions[i]);
        // proportional, rounded down to a whole sample
        EXPECT_EQ(site.events[i].offset,
                  start + (static_cast<std::uint64_t>(positions[i] * bytes / length) & ~1ull));
        EXPECT_EQ(site.events[i].offset % 2, 0u);
    }
    EXPECT_EQ(host.audio_offset(), start + static_cast<std::uint64_t>(bytes));
}

TEST_F(EngineObjectTest, AudioGoesOutIn2048BytePieces) {
    CTTSEngObj* o = Ready();
    Fragments f;
    f.Add(SPVA_Speak, u"abcdefgh");
    FakeSite site;
    ASSERT_EQ(Speak(o, f, site), S_OK);
    const std::size_t bytes = site.audio.size() * 2;
    EXPECT_EQ(site.writes, static_cast<int>((bytes + 2047) / 2048));
}

TEST_F(EngineObjectTest, BookmarkOnlyRequestWritesSilence) {
    CTTSEngObj* o = Ready();
    const std::uint64_t start = host.audio_offset();
    Fragments f;
    f.Add(SPVA_Bookmark, u"12", 100, 7);
    FakeSite site;
    ASSERT_EQ(Speak(o, f, site), S_OK);
    ASSERT_EQ(site.events.size(), 1u);
    EXPECT_EQ(site.events[0].id, SPEI_TTS_BOOKMARK);
    EXPECT_EQ(site.events[0].wparam, 12u);
    EXPECT_EQ(site.events[0].name, u"12");
    EXPECT_EQ(site.events[0].offset, start);
    EXPECT_EQ(site.audio, std::vector<std::int16_t>(1024, 0));

    Fragments none;
    none.Add(SPVA_Silence, u"");
    FakeSite quiet;
    ASSERT_EQ(Speak(o, none, quiet), S_OK);
    EXPECT_TRUE(quiet.audio.empty());

    // Blank text gives no audio, and its bookmarks still arrive; a name
    // whose number passes 32 bits saturates.
    Fragments blank;
    blank.Add(SPVA_Speak, u"   ");
    blank.Add(SPVA_Bookmark, u"99999999999 konec", 100, 3);
    FakeSite site2;
    ASSERT_EQ(Speak(o, blank, site2), S_OK);
    EXPECT_TRUE(site2.audio.empty());
    ASSERT_EQ(site2.events.size(), 1u);
    EXPECT_EQ(site2.events[0].wparam, 0x7FFFFFFFu);
    EXPECT_EQ(site2.events[0].offset, host.audio_offset());
}

TEST_F(EngineObjectTest, LongBookmarkNamesAreCut) {
    CTTSEngObj* o = Ready();
    Fragments f;
    f.Add(SPVA_Speak, u"a b");
    f.Add(SPVA_Bookmark, std::u16string(40, u'x'));
    FakeSite site;
    ASSERT_EQ(Speak(o, f, site), S_OK);
    auto it = std::find_if(site.events.begin(), site.events.end(),
                           [](const Event& e) { return e.id == SPEI_TTS_BOOKMARK; });
    ASSERT_NE(it, site.events.end());
    EXPECT_EQ(it->name, std::u16string(31, u'x'));
    EXPECT_EQ(it->wparam, 0u);
}

TEST_F(EngineObjectTest, BookmarkNamesKeepTheirCharacters) {
    CTTSEngObj* o = Ready();
    Fragments f;
    f.Add(SPVA_Speak, u"a b");
    f.Add(SPVA_Bookmark, u"7 \u010daj \u00e9");
    FakeSite site;
    ASSERT_EQ(Speak(o, f, site), S_OK);
    auto it = std::find_if(site.events.begin(), site.events.end(),
                           [](const Event& e) { return e.id == SPEI_TTS_BOOKMARK; });
    ASSERT_NE(it, site.events.end());
    EXPECT_EQ(it->name, u"7 \u010daj \u00e9");
    EXPECT_EQ(it->wparam, 7u);
}

TEST_F(EngineObjectTest, AbortStopsWriting) {
    CTTSEngObj* o = Ready();
    Fragments f;
    f.Add(SPVA_Speak, u"abcdefghij");
    FakeSite site;
    // two fragment walks (one call each), the poll after the walk, the
    // chunk's first check, then abort after the first piece
    site.script = {0, 0, 0, 0, SPVES_ABORT};
    ASSERT_EQ(Speak(o, f, site), S_OK);
    EXPECT_EQ(site.writes, 1);
    EXPECT_EQ(site.audio.size(), 1024u);

    FakeSite early;
    early.script = {SPVES_ABORT, SPVES_ABORT};
    const std::uint64_t before = host.audio_offset();
    ASSERT_EQ(Speak(o, f, early), S_OK);
    EXPECT_TRUE(early.audio.empty());
    EXPECT_EQ(host.audio_offset(), before);
}

TEST_F(EngineObjectTest, SiteVolumeAndRateChangesApplyToLaterFragments) {
    CTTSEngObj* o = Ready();
    Fragments f;
    f.Add(SPVA_Speak, u"ab");
    FakeSite site;
    site.volume = 50;
    site.rate = 3;
    site.script = {SPVES_VOLUME | SPVES_RATE};
    ASSERT_EQ(Speak(o, f, site), S_OK);
    EXPECT_EQ(host.site_volume(), 50u);
    EXPECT_EQ(host.site_rate(), 3);
    // fragment volume 100 at site volume 50 is 50: the samples stay as rendered
    EXPECT_EQ(site.audio.back(), 20000);
}

TEST_F(EngineObjectTest, SingleCharacterIsSpelled) {
    CTTSEngObj* o = Ready();
    Fragments f;
    f.Add(SPVA_Speak, u"  b \t");
    FakeSite site;
    ASSERT_EQ(Speak(o, f, site), S_OK);
    EXPECT_FALSE(site.audio.empty());
    EXPECT_EQ(sint.CurrentTranscription(), std::string(CharacterName('b')) + " .");
}

TEST_F(EngineObjectTest, LongRequestIsSpokenWhole) {
    CTTSEngObj* o = Ready();
    std::u16string text;
    while (text.size() < 25000) text += u"Beseda beseda. ";
    Fragments f;
    f.Add(SPVA_Speak, text);
    FakeSite site;
    ASSERT_EQ(Speak(o, f, site), S_OK);
    Fragments one;
    one.Add(SPVA_Speak, u"Beseda beseda.");
    FakeSite single;
    ASSERT_EQ(Speak(o, one, single), S_OK);
    EXPECT_EQ(site.audio.size(), (text.size() / 15) * single.audio.size());
}

TEST_F(EngineObjectTest, ConfigurationIsReadAgainAfterTheLastRelease) {
    CTTSEngObj* a = Ready();
    CTTSEngObj* b = Ready();
    objects.clear();
    b->Release();
    EXPECT_TRUE(host.sint_started());
    a->Release();
    EXPECT_FALSE(host.sint_started());
    EXPECT_FALSE(host.configuration_read());
    EXPECT_EQ(ModuleLockCount(), 0);
    Ready();
    EXPECT_TRUE(host.configuration_read());
}

TEST_F(EngineObjectTest, TwoThreadsGetWhatTheyWouldGetAlone) {
    CTTSEngObj* o = Ready();
    auto request = [&](const std::u16string& text, FakeSite& site) {
        Fragments f;
        f.Add(SPVA_Speak, text);
        return Speak(o, f, site);
    };
    const std::u16string t1 = u"Prvi stavek ima nekaj besed. Drugi tudi.";
    const std::u16string t2 = u"Cisto drugo besedilo z drugimi besedami in dolzino.";
    FakeSite alone1, alone2;
    request(t1, alone1);
    request(t2, alone2);
    for (int round = 0; round < 5; ++round) {
        FakeSite s1, s2;
        std::thread th1([&] { request(t1, s1); });
        std::thread th2([&] { request(t2, s2); });
        th1.join();
        th2.join();
        EXPECT_EQ(s1.audio, alone1.audio);
        EXPECT_EQ(s2.audio, alone2.audio);
        ASSERT_EQ(s1.events.size(), alone1.events.size());
        for (std::size_t i = 0; i < s1.events.size(); ++i)
            EXPECT_EQ(s1.events[i].lparam, alone1.events[i].lparam);
    }
}

}  // namespace
}  // namespace tarvox
