// The component server's class factory for CTTSEngObj, and the module's
// entry points for getting it and for unloading.
#pragma once

#include "adapter/sapi_platform.h"

namespace tarvox {

class EngineHost;

class EngineClassFactory final : public IClassFactory {
public:
    explicit EngineClassFactory(EngineHost& host) : host_(host) {}

    HRESULT TARVOX_STDCALL QueryInterface(REFIID riid, void** object) override;
    ULONG TARVOX_STDCALL AddRef() override;
    ULONG TARVOX_STDCALL Release() override;
    // Creates an engine object, standalone or aggregated into `outer` (which
    // then may only ask for IUnknown).
    HRESULT TARVOX_STDCALL CreateInstance(IUnknown* outer, REFIID riid, void** object) override;
    HRESULT TARVOX_STDCALL LockServer(BOOL lock) override;

private:
    EngineHost& host_;
};

// DllGetClassObject and DllCanUnloadNow: the factory of the process-wide
// engine host.
HRESULT GetEngineClassObject(REFCLSID clsid, REFIID riid, void** object);
HRESULT CanUnloadNow();

}  // namespace tarvox
