#include "hid/HidBackend.h"

#include <atomic>
#include <charconv>
#include <cstdlib>
#include <cstring>

#include "hid/HidapiBackend.h"
#include "virtual/VirtualBackend.h"

namespace vantrel::hid {

namespace {

std::atomic<Backend*> testBackend{nullptr};

// True when VANTREL_VIRTUAL holds a whole number of at least 1.
bool virtualDevicesRequested()
{
    const char* text = std::getenv("VANTREL_VIRTUAL");
    if (!text || !*text) return false;
    long count = 0;
    const char* end = text + std::strlen(text);
    const auto [last, error] = std::from_chars(text, end, count);
    return error == std::errc{} && last == end && count >= 1;
}

}  // namespace

Backend& activeBackend()
{
    if (Backend* backend = testBackend.load(std::memory_order_acquire)) return *backend;
    if (virtualDevicesRequested()) return virt::virtualBackend();
    return hidapiBackend();
}

void setBackendForTesting(Backend* backend)
{
    testBackend.store(backend, std::memory_order_release);
}

}  // namespace vantrel::hid
