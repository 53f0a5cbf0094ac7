// Task memory outside Windows: what the platform's callers free, and what
// they hand us to free.
#include "adapter/sapi_platform.h"

#if !defined(_WIN32)
#include <new>

void* CoTaskMemAlloc(std::size_t size) { return ::operator new(size ? size : 1, std::nothrow); }

void CoTaskMemFree(void* p) { ::operator delete(p); }
#endif
