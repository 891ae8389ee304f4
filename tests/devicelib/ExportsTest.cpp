// The shared library exports exactly the interface's 22 functions and lets
// hidapi's functions resolve through its handle.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>

namespace {

const std::set<std::string> kInterface = {
    "getDevicesCount", "connectToDevice", "disconnectLibrary", "checkLastError",
    "getCurrentOperationInfo", "getStatus", "setExposure", "setAcquisitionParameters",
    "setFrameFormat", "setExternalTrigger", "triggerAcquisition", "clearMemory",
    "getFrameFormat", "getAcquisitionParameters", "setOpticalTrigger", "setMultipleParameters",
    "eraseFlash", "resetDevice", "detachDevice", "getFrame", "readFlash", "writeFlash"};

// Names of the defined dynamic symbols, as nm lists them.
std::set<std::string> definedDynamicSymbols(const std::string& library)
{
    std::set<std::string> names;
    const std::string command = "nm -D --defined-only '" + library + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return names;
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) {
        std::string text(line);
        text.erase(text.find_last_not_of("\r\n") + 1);
        const auto space = text.find_last_of(' ');
        const std::string type = text.size() > 2 && space != std::string::npos
                                     ? text.substr(text.find(' ') + 1, 1)
                                     : "";
        if (type == "T" || type == "W" || type == "D" || type == "B" || type == "i")
            names.insert(text.substr(space + 1));
    }
    pclose(pipe);
    return names;
}

TEST(Exports, ExactlyTheInterfaceIsExported)
{
    std::set<std::string> exported = definedDynamicSymbols(VANTREL_SHARED_PATH);
    // Sanitizer runtimes may add their own interceptor symbols; they are not ours.
    std::erase_if(exported, [](const std::string& name) {
        return name.rfind("__", 0) == 0 || name.rfind("_init", 0) == 0 || name.rfind("_fini", 0) == 0;
    });
    EXPECT_EQ(exported, kInterface);
}

TEST(Exports, InterfaceAndHidapiResolveThroughTheLibraryHandle)
{
    void* handle = dlopen(VANTREL_SHARED_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    for (const std::string& name : kInterface) EXPECT_NE(dlsym(handle, name.c_str()), nullptr) << name;
    for (const char* name : {"hid_enumerate", "hid_free_enumeration", "hid_open", "hid_write",
                             "hid_read_timeout", "hid_close"})
        EXPECT_NE(dlsym(handle, name), nullptr) << name;
    EXPECT_EQ(dlsym(handle, "_ZN7vantrel3hid13activeBackendEv"), nullptr);
    dlclose(handle);
}

}  // namespace
