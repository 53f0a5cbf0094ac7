// Registration of the component: the class, its program identifiers and its
// type library, written by running the registration script against the
// registry (on Windows the system registry; elsewhere the text registry
// named by TARVOX_REGISTRY).
#pragma once

#include <string>

#include "adapter/sapi_platform.h"

namespace tarvox {

class RegistryWriter;

// The registration script compiled into the library (the same text is the
// "REGISTRY" resource 101 of the Windows library).
const std::string& RegistrationScript();

// The full path of the library that holds this code.
std::string ModulePath();

// DllRegisterServer / DllUnregisterServer against a given registry.
HRESULT RegisterServerWith(RegistryWriter& registry, const std::string& module_path);
HRESULT UnregisterServerWith(RegistryWriter& registry, const std::string& module_path);

// DllRegisterServer / DllUnregisterServer against the system's registry.
HRESULT RegisterServer();
HRESULT UnregisterServer();

}  // namespace tarvox
