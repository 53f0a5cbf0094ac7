#include "adapter/registration.h"

#include <gtest/gtest.h>
#include <dlfcn.h>

#include <cstdlib>

#include "adapter/class_factory.h"
#include "winreg/registrar.h"
#include "winreg/registry_file.h"
#include "support/test_files.h"

namespace tarvox {
namespace {

using winreg::TextRegistry;

constexpr char kClsidKey[] = "HKEY_CLASSES_ROOT\\CLSID\\{A8ABE95B-7C20-461E-A91A-D2D761F58629}";

class MemoryRegistry final : public RegistryWriter {
public:
    TextRegistry reg;
    bool CreateKey(const std::string& p) override { return reg.CreateKey(p); }
    bool SetString(const std::string& p, const std::string& n, const std::string& v) override {
        return reg.SetString(p, n, v);
    }
    bool SetDword(const std::string& p, const std::string& n, std::uint32_t v) override {
        return reg.SetDword(p, n, v);
    }
    bool DeleteKeyTree(const std::string& p) override { return reg.DeleteKeyTree(p); }
    bool KeyExists(const std::string& p) const override { return reg.KeyExists(p); }
    bool HasSubkeys(const std::string& p) const override { return !reg.SubkeyNames(p).empty(); }
};

TEST(Registrar, ParsesFlagsValuesAndReplacements) {
    std::string error;
    auto keys = ParseRegistrationScript(
        "HKLM { NoRemove A { ForceRemove {00000000-0000-0000-0000-000000000001} = s 'x''y' "
        "{ val N = d 42 'Quoted Key' = s '%P%%%' } } Delete Old }",
        {{"P", "C:\\m.dll"}}, &error);
    ASSERT_TRUE(keys) << error;
    ASSERT_EQ(keys->size(), 1u);
    const ScriptKey& a = (*keys)[0].children[0];
    EXPECT_EQ(a.flag, ScriptKey::Flag::NoRemove);
    const ScriptKey& g = a.children[0];
    EXPECT_EQ(g.name, "{00000000-0000-0000-0000-000000000001}");
    EXPECT_EQ(g.flag, ScriptKey::Flag::ForceRemove);
    EXPECT_EQ(g.default_value->text, "x'y");
    ASSERT_EQ(g.values.size(), 1u);
    EXPECT_EQ(g.values[0].second.dword, 42u);
    EXPECT_EQ(g.children[0].name, "Quoted Key");
    EXPECT_EQ(g.children[0].default_value->text, "C:\\m.dll%");
    EXPECT_EQ((*keys)[0].children[1].flag, ScriptKey::Flag::Delete);
}

TEST(Registrar, RejectsBadScripts) {
    const char* bad[] = {"HKXX { A }", "HKCR { A = s 'open }", "HKCR { A { }", "HKCR { A = q 'x' }",
                         "HKCR { A = s '%NOPE%' }"};
    for (const char* script : bad) {
        std::string error;
        EXPECT_FALSE(ParseRegistrationScript(script, {}, &error)) << script;
        EXPECT_FALSE(error.empty()) << script;
    }
}

TEST(Registration, RegistersAndRemovesTheClass) {
    MemoryRegistry r;
    r.reg.CreateKey("HKEY_CLASSES_ROOT\\CLSID\\{11111111-2222-3333-4444-555555555555}");
    ASSERT_EQ(RegisterServerWith(r, "/opt/tarvox/libtarvox.so"), S_OK);
    EXPECT_EQ(r.reg.GetString("HKEY_CLASSES_ROOT\\TtsEng.SampleTTSEngine.1", ""),
              "SampleTTSEngine Class");
    EXPECT_EQ(r.reg.GetString("HKEY_CLASSES_ROOT\\TtsEng.SampleTTSEngine\\CurVer", ""),
              "TtsEng.SampleTTSEngine.1");
    EXPECT_EQ(r.reg.GetString(kClsidKey, ""), "SampleTTSEngine Class");
    EXPECT_EQ(r.reg.GetString(std::string(kClsidKey) + "\\InprocServer32", ""),
              "/opt/tarvox/libtarvox.so");
    EXPECT_EQ(r.reg.GetString(std::string(kClsidKey) + "\\InprocServer32", "ThreadingModel"),
              "Both");
    EXPECT_EQ(r.reg.GetString(std::string(kClsidKey) + "\\TypeLib", ""),
              "{AAD644AE-FCEB-4673-A5D0-0B898D61ECB1}");
    EXPECT_EQ(r.reg.GetString(std::string(kClsidKey) + "\\ProgID", ""), "TtsEng.SampleTTSEngine.1");
    const std::string once = r.reg.Serialize();
    ASSERT_EQ(RegisterServerWith(r, "/opt/tarvox/libtarvox.so"), S_OK);
    EXPECT_EQ(r.reg.Serialize(), once);

    ASSERT_EQ(UnregisterServerWith(r, "/opt/tarvox/libtarvox.so"), S_OK);
    EXPECT_FALSE(r.reg.KeyExists(kClsidKey));
    EXPECT_FALSE(r.reg.KeyExists("HKEY_CLASSES_ROOT\\TtsEng.SampleTTSEngine"));
    EXPECT_FALSE(r.reg.KeyExists("HKEY_CLASSES_ROOT\\TtsEng.SampleTTSEngine.1"));
    EXPECT_TRUE(r.reg.KeyExists("HKEY_CLASSES_ROOT\\CLSID\\{11111111-2222-3333-4444-555555555555}"));
}

// The shared library as a client sees it: loaded with dlopen, used only
// through its four exports.
TEST(SharedLibrary, ExportsWorkThroughDlopen) {
    testing::TempDir dir;
    const std::string reg_file = dir.file("registry.reg");
    setenv("TARVOX_REGISTRY", reg_file.c_str(), 1);
    void* lib = dlopen(TARVOX_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    using GetClass = HRESULT (*)(REFCLSID, REFIID, void**);
    using NoArgs = HRESULT (*)();
    auto get_class = reinterpret_cast<GetClass>(dlsym(lib, "DllGetClassObject"));
    auto can_unload = reinterpret_cast<NoArgs>(dlsym(lib, "DllCanUnloadNow"));
    auto reg = reinterpret_cast<NoArgs>(dlsym(lib, "DllRegisterServer"));
    auto unreg = reinterpret_cast<NoArgs>(dlsym(lib, "DllUnregisterServer"));
    ASSERT_TRUE(get_class && can_unload && reg && unreg);

    EXPECT_EQ(can_unload(), S_OK);
    void* object = nullptr;
    EXPECT_EQ(get_class(sapi::kLIBID_SAMPLETTSENGLib, sapi::kIID_IClassFactory, &object),
              CLASS_E_CLASSNOTAVAILABLE);
    ASSERT_EQ(get_class(sapi::kCLSID_SampleTTSEngine, sapi::kIID_IClassFactory, &object), S_OK);
    auto* factory = static_cast<IClassFactory*>(object);
    EXPECT_EQ(can_unload(), S_FALSE);
    void* engine = nullptr;
    EXPECT_EQ(factory->CreateInstance(reinterpret_cast<IUnknown*>(factory), sapi::kIID_ISpTTSEngine,
                                      &engine),
              CLASS_E_NOAGGREGATION);
    ASSERT_EQ(factory->CreateInstance(nullptr, sapi::kIID_ISpTTSEngine, &engine), S_OK);
    auto* tts = static_cast<ISpTTSEngine*>(engine);
    void* with_token = nullptr;
    EXPECT_EQ(tts->QueryInterface(sapi::kIID_ISpObjectWithToken, &with_token), S_OK);
    static_cast<ISpObjectWithToken*>(with_token)->Release();
    tts->Release();
    factory->Release();
    EXPECT_EQ(can_unload(), S_OK);

    ASSERT_EQ(reg(), S_OK);
    TextRegistry saved = TextRegistry::Load(reg_file);
    const auto server = saved.GetString(std::string(kClsidKey) + "\\InprocServer32", "");
    ASSERT_TRUE(server);
    EXPECT_NE(server->find("libtarvox.so"), std::string::npos);
    ASSERT_EQ(unreg(), S_OK);
    EXPECT_FALSE(TextRegistry::Load(reg_file).KeyExists(kClsidKey));
    unsetenv("TARVOX_REGISTRY");
    EXPECT_NE(reg(), S_OK);
    dlclose(lib);
}

}  // namespace
}  // namespace tarvox
