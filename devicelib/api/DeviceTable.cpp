// The device table's storage and the library's load and unload hooks. The
// table lives in static storage that is never destroyed, so the unload hook
// can still tear the slots down after the process's static destructors ran.
#include <new>

#include "api/DeviceSlot.h"

namespace vantrel::api {

namespace {

alignas(DeviceTable) unsigned char tableStorage[sizeof(DeviceTable)];
DeviceTable* table = nullptr;

__attribute__((constructor)) void onLibraryLoad() { deviceTable(); }

__attribute__((destructor)) void onLibraryUnload()
{
    if (!table) return;
    for (DeviceSlot& slot : *table) teardownSlot(slot);
}

}  // namespace

DeviceTable& deviceTable()
{
    if (!table) table = new (tableStorage) DeviceTable();
    return *table;
}

}  // namespace vantrel::api
