#include "adapter/host_objects.h"

#include <gtest/gtest.h>

#include <memory>

namespace tarvox {
namespace {

struct Releaser {
    void operator()(IUnknown* p) const { p->Release(); }
};

std::u16string StringValue(ISpObjectToken& token, const char16_t* name, HRESULT& hr) {
    LPWSTR value = nullptr;
    hr = token.GetStringValue(reinterpret_cast<LPCWSTR>(name), &value);
    if (!value) return {};
    std::u16string out(reinterpret_cast<const char16_t*>(value));
    CoTaskMemFree(value);
    return out;
}

TEST(MemoryTokenTest, VoiceTokenHoldsTheEngineValues) {
    struct Case {
        std::u16string directory;
        std::u16string path;
    };
    const Case cases[] = {
        {u"/voices/orin", u"/voices/orin/"},
        {u"/voices/orin/", u"/voices/orin/"},
        {u"Z:\\voices\\orin", u"Z:\\voices\\orin\\"},
        {u"", u""},
    };
    for (const Case& c : cases) {
        std::unique_ptr<MemoryToken, Releaser> token(MakeVoiceToken(u"Quenlar Orin", c.directory, 1));
        HRESULT hr = E_FAIL;
        EXPECT_EQ(StringValue(*token, u"Path", hr), c.path);
        EXPECT_EQ(hr, S_OK);
        EXPECT_EQ(StringValue(*token, u"VoiceName", hr), u"Quenlar Orin");
        DWORD mode = 0;
        EXPECT_EQ(token->GetDWORD(reinterpret_cast<LPCWSTR>(u"Mode"), &mode), S_OK);
        EXPECT_EQ(mode, 1u);
        EXPECT_EQ(StringValue(*token, u"Mode", hr), u"");
        EXPECT_EQ(hr, sapi::kErrNotFound);
        EXPECT_EQ(token->GetDWORD(reinterpret_cast<LPCWSTR>(u"Path"), &mode), sapi::kErrNotFound);
    }
}

TEST(MemoryTokenTest, InterfacesAndReferences) {
    MemoryToken* token = MemoryToken::Create();
    void* p = nullptr;
    for (const GUID& iid : {sapi::kIID_IUnknown, sapi::kIID_ISpDataKey, sapi::kIID_ISpObjectToken}) {
        ASSERT_EQ(token->QueryInterface(iid, &p), S_OK);
        EXPECT_EQ(p, static_cast<ISpObjectToken*>(token));
        EXPECT_EQ(token->Release(), 1u);
    }
    EXPECT_EQ(token->QueryInterface(sapi::kIID_ISpTTSEngine, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(token->SetStringValue(reinterpret_cast<LPCWSTR>(u"Path"),
                                    reinterpret_cast<LPCWSTR>(u"/x/")),
              S_OK);
    HRESULT hr = E_FAIL;
    EXPECT_EQ(StringValue(*token, u"Path", hr), u"/x/");
    EXPECT_EQ(token->Release(), 0u);  // deleted; the sanitiser build sees a leak otherwise
}

TEST(OutputSiteTest, OffersRateAndVolumeOnceAndAfterEachChange) {
    OutputSite site(3, 40);
    EXPECT_EQ(site.GetActions(), static_cast<DWORD>(SPVES_RATE | SPVES_VOLUME));
    EXPECT_EQ(site.GetActions(), static_cast<DWORD>(SPVES_CONTINUE));
    site.SetVolume(70);
    EXPECT_EQ(site.GetActions(), static_cast<DWORD>(SPVES_VOLUME));
    site.SetRate(-2);
    EXPECT_EQ(site.GetActions(), static_cast<DWORD>(SPVES_RATE));
    LONG rate = 0;
    USHORT volume = 0;
    EXPECT_EQ(site.GetRate(&rate), S_OK);
    EXPECT_EQ(site.GetVolume(&volume), S_OK);
    EXPECT_EQ(rate, -2);
    EXPECT_EQ(volume, 70);
    site.Abort();
    EXPECT_EQ(site.GetActions(), static_cast<DWORD>(SPVES_ABORT));
    EXPECT_EQ(site.GetActions(), static_cast<DWORD>(SPVES_ABORT));
}

TEST(OutputSiteTest, PiecesSplitInsideASampleJoin) {
    OutputSite site;
    const unsigned char bytes[] = {0x01, 0x02, 0xFF, 0xFF, 0x00, 0x80};
    ULONG written = 0;
    EXPECT_EQ(site.Write(bytes, 3, &written), S_OK);
    EXPECT_EQ(written, 3u);
    EXPECT_EQ(site.Write(bytes + 3, 1, &written), S_OK);
    EXPECT_EQ(site.Write(bytes + 4, 2, &written), S_OK);
    EXPECT_EQ(site.audio(), (std::vector<std::int16_t>{0x0201, -1, -32768}));
    EXPECT_EQ(site.bytes_written(), 6u);
}

TEST(OutputSiteTest, HandlerRefusalAbortsTheRequest) {
    OutputSite site;
    int calls = 0;
    site.OnAudio([&](std::span<const std::int16_t> s) {
        ++calls;
        return s.size() < 2;
    });
    const std::int16_t samples[] = {1, 2};
    ULONG written = 0;
    site.Write(samples, 2, &written);
    EXPECT_FALSE(site.aborted());
    site.Write(samples, 4, &written);
    EXPECT_TRUE(site.aborted());
    site.Write(samples, 4, &written);
    EXPECT_EQ(calls, 2);
    site.GetActions();
    EXPECT_EQ(site.GetActions(), static_cast<DWORD>(SPVES_ABORT));
}

TEST(OutputSiteTest, EventsAreCopied) {
    OutputSite site;
    std::vector<int> seen;
    site.OnEvent([&](const SiteEvent& e) { seen.push_back(e.id); });
    std::u16string name = u"tocka";
    SPEVENT events[2]{};
    events[0].eEventId = SPEI_WORD_BOUNDARY;
    events[0].elParamType = SPET_LPARAM_IS_UNDEFINED;
    events[0].ullAudioStreamOffset = 100;
    events[0].wParam = 5;
    events[0].lParam = 7;
    events[1].eEventId = SPEI_TTS_BOOKMARK;
    events[1].elParamType = SPET_LPARAM_IS_STRING;
    events[1].ullAudioStreamOffset = 200;
    events[1].lParam = reinterpret_cast<LPARAM>(name.c_str());
    ASSERT_EQ(site.AddEvents(events, 2), S_OK);
    name = u"xxxxx";
    ASSERT_EQ(site.events().size(), 2u);
    EXPECT_EQ(site.events()[0].lparam, 7);
    EXPECT_EQ(site.events()[0].wparam, 5u);
    EXPECT_EQ(site.events()[1].text, u"tocka");
    EXPECT_EQ(site.events()[1].offset, 200u);
    EXPECT_EQ(seen, (std::vector<int>{SPEI_WORD_BOUNDARY, SPEI_TTS_BOOKMARK}));
}

}  // namespace
}  // namespace tarvox
