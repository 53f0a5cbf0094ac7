#include "adapter/class_factory.h"

#include <new>

#include "adapter/tts_engine.h"

namespace tarvox {

HRESULT EngineClassFactory::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!IsEqualGUID(riid, sapi::kIID_IUnknown) && !IsEqualGUID(riid, sapi::kIID_IClassFactory))
        return E_NOINTERFACE;
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
}

// The factory is a static object of the module: counting its references
// only keeps the module loaded while a client holds it.
ULONG EngineClassFactory::AddRef() {
    ModuleLock();
    return 2;
}

ULONG EngineClassFactory::Release() {
    ModuleUnlock();
    return 1;
}

HRESULT EngineClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer && !IsEqualGUID(riid, sapi::kIID_IUnknown)) return CLASS_E_NOAGGREGATION;
    CTTSEngObj* engine = new (std::nothrow) CTTSEngObj(host_, outer);
    if (!engine) return E_OUTOFMEMORY;
    HRESULT hr = engine->FinalConstruct();
    if (SUCCEEDED(hr)) hr = engine->NonDelegatingUnknown()->QueryInterface(riid, object);
    // The creation reference goes; the caller keeps the one it asked for.
    engine->NonDelegatingUnknown()->Release();
    return hr;
}

HRESULT EngineClassFactory::LockServer(BOOL lock) {
    if (lock) ModuleLock();
    else ModuleUnlock();
    return S_OK;
}

HRESULT GetEngineClassObject(REFCLSID clsid, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!IsEqualGUID(clsid, sapi::kCLSID_SampleTTSEngine)) return CLASS_E_CLASSNOTAVAILABLE;
    static EngineClassFactory factory(ProcessEngineHost());
    return factory.QueryInterface(riid, object);
}

HRESULT CanUnloadNow() { return ModuleLockCount() == 0 ? S_OK : S_FALSE; }

}  // namespace tarvox
