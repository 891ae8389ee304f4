// halden-cli devices: the attached spectrometers.
#include <cstdio>

#include "acquisition/DeviceList.h"
#include "cli/Commands.h"
#include "vantrel_shared.h"

namespace halden::cli {

int runDevices(const Args& args)
{
    if (wantsHelp(args)) {
        std::printf(
            "Usage: halden-cli [--virtual[=N]] devices\n\n"
            "Prints the number of attached spectrometers, then one line per device:\n"
            "its index, its USB serial number (\"virtual\" for a virtual spectrometer),\n"
            "the instrument name (bytes 11..16 of the identification record in its\n"
            "flash, which also name its backup calibration file) and the whole\n"
            "16-byte identification record.\n");
        return 0;
    }
    if (!args.empty()) return fail("devices takes no arguments");
    const std::vector<DeviceEntry> devices = listDevices();
    std::printf("%zu spectrometer%s\n", devices.size(), devices.size() == 1 ? "" : "s");
    for (const DeviceEntry& d : devices) {
        const char* serial = d.serialNumber.empty() ? "virtual" : d.serialNumber.c_str();
        if (d.result != 0)
            std::printf("%d  %s  (identification record not readable: error %d)\n", d.index, serial, d.result);
        else if (!d.recordPresent())
            std::printf("%d  %s  (no calibration record)  [%s]\n", d.index, serial,
                        printableIdentification(d.identification).c_str());
        else
            std::printf("%d  %s  %s  [%s]\n", d.index, serial, d.instrumentName().c_str(),
                        printableIdentification(d.identification).c_str());
    }
    disconnectLibrary();
    return 0;
}

}  // namespace halden::cli
