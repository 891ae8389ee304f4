#include "database/FolderLoader.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <system_error>

#include "database/PointPool.h"
#include "files/LineGrammar.h"

namespace halden {

namespace {

std::string joinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

}  // namespace

FolderLoader::FolderLoader(const std::string& folder, const std::vector<std::string>& names, double* x, double* y)
    : m_folder(folder), m_names(names), m_x(x), m_y(y), m_files(names.size()) {
    const int files = static_cast<int>(m_names.size());
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const int threads = std::max(0, std::min(files, cores) - 1);
    // A few files in flight per thread keep every thread busy; the slots
    // bound the memory held.
    m_slots.resize(static_cast<std::size_t>(4 * (threads + 1)));
    for (Slot& slot : m_slots) {
        slot.x = std::make_unique_for_overwrite<double[]>(kMaxDataLines);
        slot.y = std::make_unique_for_overwrite<double[]>(kMaxDataLines);
    }
    m_workers.reserve(static_cast<std::size_t>(threads));
    // Files are opened relative to the folder when it can be opened itself
    // (after all that may throw, so that the descriptor is never left open).
    m_folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    try {
        for (int t = 0; t < threads; ++t) m_workers.emplace_back([this] { work(); });
    } catch (const std::system_error&) {
        // Fewer threads (or none): the ones started and the caller do the work.
    }
}

FolderLoader::~FolderLoader() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    for (std::thread& t : m_workers) t.join();
    if (m_folderFd >= 0) ::close(m_folderFd);
}

FolderEntry FolderLoader::wait(int k) {
    Lock lock(m_mutex);
    File& file = m_files[static_cast<std::size_t>(k)];
    while (file.state != State::Placed)
        if (!step(lock, m_buffer)) m_changed.wait(lock);
    if (file.failure) std::rethrow_exception(file.failure);
    return file.entry;
}

// A file is left to load and its slot is free: the file that used the slot
// before it is placed.
bool FolderLoader::claimable() const {
    return m_next < static_cast<int>(m_files.size()) && m_next < m_placed + static_cast<int>(m_slots.size());
}

// A parsed file whose offset is known, or -1. Only the files between the
// placed ones and the known ones can be, at most one slot's worth.
int FolderLoader::placeable() const {
    for (int j = m_placed; j < m_known; ++j)
        if (m_files[static_cast<std::size_t>(j)].state == State::Parsed) return j;
    return -1;
}

bool FolderLoader::step(Lock& lock, std::string& buffer) {
    if (const int j = placeable(); j >= 0) {
        place(j, lock);
        return true;
    }
    if (claimable()) {
        load(m_next++, lock, buffer);
        return true;
    }
    return false;
}

void FolderLoader::load(int k, Lock& lock, std::string& buffer) {
    File& file = m_files[static_cast<std::size_t>(k)];
    Slot& slot = m_slots[slotOf(k)];
    file.state = State::Loading;
    lock.unlock();
    FileRead read = FileRead::Unreadable;
    DatabaseRows rows;
    std::exception_ptr failure;
    try {
        std::size_t length = 0;
        const std::string& name = m_names[static_cast<std::size_t>(k)];
        read = m_folderFd >= 0 ? readWholeFileAt(m_folderFd, name, buffer, length)
                              : readWholeFile(joinPath(m_folder, name), buffer, length);
        if (read == FileRead::Ok)
            rows = parseDatabaseRows(std::string_view(buffer.data(), length), slot.x.get(), slot.y.get());
    } catch (...) {
        // Kept with zero points; the caller rethrows it when it reaches the file.
        failure = std::current_exception();
        rows = {};
    }
    lock.lock();
    file.entry.read = read;
    file.entry.points = static_cast<std::int32_t>(rows.points);
    file.entry.truncated = rows.truncated;
    file.failure = failure;
    file.state = State::Parsed;
    // Offsets follow in file order as far as the files are parsed.
    while (m_known < m_next && m_files[static_cast<std::size_t>(m_known)].state == State::Parsed) {
        File& f = m_files[static_cast<std::size_t>(m_known++)];
        f.entry.offset = m_total;
        m_total += f.entry.points;
    }
}

void FolderLoader::place(int k, Lock& lock) {
    File& file = m_files[static_cast<std::size_t>(k)];
    const Slot& slot = m_slots[slotOf(k)];
    file.state = State::Placing;
    const auto at = static_cast<std::size_t>(file.entry.offset);
    const auto count = static_cast<std::size_t>(file.entry.points);
    lock.unlock();
    copyToPool(m_x + at, slot.x.get(), count);
    copyToPool(m_y + at, slot.y.get(), count);
    lock.lock();
    file.state = State::Placed;
    while (m_placed < m_known && m_files[static_cast<std::size_t>(m_placed)].state == State::Placed) ++m_placed;
    // Wakes the caller waiting for this file and threads waiting for a slot.
    m_changed.notify_all();
}

void FolderLoader::work() {
    std::string buffer;
    Lock lock(m_mutex);
    while (!m_stop) {
        if (step(lock, buffer)) continue;
        // Nothing left to load: a file parsed later is placed by the thread
        // that parsed it.
        if (m_next >= static_cast<int>(m_files.size())) return;
        m_changed.wait(lock);
    }
}

}  // namespace halden
