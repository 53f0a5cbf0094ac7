// The four entry points of the component server.
#include "adapter/class_factory.h"
#include "adapter/registration.h"

#if defined(_WIN32)
#define TARVOX_EXPORT extern "C" __declspec(dllexport)
#define TARVOX_API __stdcall
#else
#define TARVOX_EXPORT extern "C" __attribute__((visibility("default")))
#define TARVOX_API
#endif

TARVOX_EXPORT HRESULT TARVOX_API DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
    return tarvox::GetEngineClassObject(clsid, riid, object);
}

TARVOX_EXPORT HRESULT TARVOX_API DllCanUnloadNow() { return tarvox::CanUnloadNow(); }

TARVOX_EXPORT HRESULT TARVOX_API DllRegisterServer() { return tarvox::RegisterServer(); }

TARVOX_EXPORT HRESULT TARVOX_API DllUnregisterServer() { return tarvox::UnregisterServer(); }
