#include "database/FolderLoader.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <system_error>

#include "database/PoolCopy.h"
#include "files/LineGrammar.h"

namespace halden {

namespace {

std::string joinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

}  // namespace

FolderLoader::FolderLoader(const std::string& folder, const std::vector<std::string>& names, double* x, double* y)
    : folder_(folder), names_(names), x_(x), y_(y), files_(names.size()) {
    const int files = static_cast<int>(names_.size());
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const int threads = std::max(0, std::min(files, cores) - 1);
    // A few files in flight per thread keep every thread busy; the slots
    // bound the memory held.
    slots_.resize(static_cast<std::size_t>(4 * (threads + 1)));
    for (Slot& slot : slots_) {
        slot.x = std::make_unique_for_overwrite<double[]>(kMaxDataLines);
        slot.y = std::make_unique_for_overwrite<double[]>(kMaxDataLines);
    }
    workers_.reserve(static_cast<std::size_t>(threads));
    // Files are opened relative to the folder when it can be opened itself
    // (after all that may throw, so that the descriptor is never left open).
    folderFd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    try {
        for (int t = 0; t < threads; ++t) workers_.emplace_back([this] { work(); });
    } catch (const std::system_error&) {
        // Fewer threads (or none): the ones started and the caller do the work.
    }
}

FolderLoader::~FolderLoader() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    for (std::thread& t : workers_) t.join();
    if (folderFd_ >= 0) ::close(folderFd_);
}

FolderEntry FolderLoader::wait(int k) {
    Lock lock(mutex_);
    File& file = files_[static_cast<std::size_t>(k)];
    while (file.state != State::Placed)
        if (!step(lock, buffer_)) changed_.wait(lock);
    if (file.failure) std::rethrow_exception(file.failure);
    return file.entry;
}

// A file is left to load and its slot is free: the file that used the slot
// before it is placed.
bool FolderLoader::claimable() const {
    return next_ < static_cast<int>(files_.size()) && next_ < placed_ + static_cast<int>(slots_.size());
}

// A parsed file whose offset is known, or -1. Only the files between the
// placed ones and the known ones can be, at most one slot's worth.
int FolderLoader::placeable() const {
    for (int j = placed_; j < known_; ++j)
        if (files_[static_cast<std::size_t>(j)].state == State::Parsed) return j;
    return -1;
}

bool FolderLoader::step(Lock& lock, std::string& buffer) {
    if (const int j = placeable(); j >= 0) {
        place(j, lock);
        return true;
    }
    if (claimable()) {
        load(next_++, lock, buffer);
        return true;
    }
    return false;
}

void FolderLoader::load(int k, Lock& lock, std::string& buffer) {
    File& file = files_[static_cast<std::size_t>(k)];
    Slot& slot = slots_[slotOf(k)];
    file.state = State::Loading;
    lock.unlock();
    FileRead read = FileRead::Unreadable;
    DatabaseRows rows;
    std::exception_ptr failure;
    try {
        std::size_t length = 0;
        const std::string& name = names_[static_cast<std::size_t>(k)];
        read = folderFd_ >= 0 ? readWholeFileAt(folderFd_, name, buffer, length)
                              : readWholeFile(joinPath(folder_, name), buffer, length);
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
    while (known_ < next_ && files_[static_cast<std::size_t>(known_)].state == State::Parsed) {
        File& f = files_[static_cast<std::size_t>(known_++)];
        f.entry.offset = total_;
        total_ += f.entry.points;
    }
}

void FolderLoader::place(int k, Lock& lock) {
    File& file = files_[static_cast<std::size_t>(k)];
    const Slot& slot = slots_[slotOf(k)];
    file.state = State::Placing;
    const auto at = static_cast<std::size_t>(file.entry.offset);
    const auto count = static_cast<std::size_t>(file.entry.points);
    lock.unlock();
    copyToPool(x_ + at, slot.x.get(), count);
    copyToPool(y_ + at, slot.y.get(), count);
    lock.lock();
    file.state = State::Placed;
    while (placed_ < known_ && files_[static_cast<std::size_t>(placed_)].state == State::Placed) ++placed_;
    // Wakes the caller waiting for this file and threads waiting for a slot.
    changed_.notify_all();
}

void FolderLoader::work() {
    std::string buffer;
    Lock lock(mutex_);
    while (!stop_) {
        if (step(lock, buffer)) continue;
        // Nothing left to load: a file parsed later is placed by the thread
        // that parsed it.
        if (next_ >= static_cast<int>(files_.size())) return;
        changed_.wait(lock);
    }
}

}  // namespace halden
