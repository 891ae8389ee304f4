#include "FakeSpectrometer.h"

#include <algorithm>

namespace halden::test {

std::vector<std::string> FakeSpectrometer::configuration() const
{
    std::vector<std::string> out;
    for (const auto& c : calls)
        if (c != "getStatus" && c.rfind("getFrame", 0) != 0 && c != "triggerAcquisition") out.push_back(c);
    return out;
}

std::size_t FakeSpectrometer::count(const std::string& call) const
{
    return static_cast<std::size_t>(std::count(calls.begin(), calls.end(), call));
}

std::size_t RecordingPacer::count(int ms) const
{
    return static_cast<std::size_t>(std::count(pauses.begin(), pauses.end(), ms));
}

QCoreApplication& testApplication()
{
    static int argc = 1;
    static char name[] = "acquisition_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app =
        QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    return app ? *app : *QCoreApplication::instance();
}

}  // namespace halden::test
