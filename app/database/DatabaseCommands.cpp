#include "database/DatabaseCommands.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <mutex>
#include <numeric>
#include <system_error>
#include <thread>

#include "database/DatabaseFile.h"
#include "database/DatabaseScoring.h"
#include "database/Similarity.h"
#include "files/LineGrammar.h"

namespace halden {

namespace {

constexpr std::int32_t kCapacityAfterLoad = 100;
constexpr std::int32_t kCapacityStep = 1000000;

std::string progressText(const char* what, int k, int n) {
    char text[64];
    std::snprintf(text, sizeof text, "%s: %d / %d", what, k, n);
    return text;
}

void report(SpectrumStore& s, const DatabaseProgress& progress, std::string text) {
    s.m_dbBar.buttonText = std::move(text);
    if (progress) progress(s.m_dbBar.buttonText);
}

// The folder's entries by name; false when it cannot be listed.
bool listFolder(const std::string& folder, std::vector<std::string>& names, std::string* error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::directory_iterator it(fs::path(folder), ec);
    names.clear();
    for (; !ec && it != fs::directory_iterator(); it.increment(ec))
        names.push_back(it->path().filename().string());
    if (ec) {
        if (error) *error = folder + ": " + ec.message();
        return false;
    }
    std::sort(names.begin(), names.end());
    return true;
}

std::string joinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

// Asks for large pages for a new pool: filling a fresh pool page by page
// costs one fault per 4 KiB otherwise (only the pages written are backed,
// as before). A hint: nothing changes where it is not taken.
void preferHugePages(void* data, std::size_t bytes) {
#if defined(MADV_HUGEPAGE)
    const std::uintptr_t page = 4096;
    const auto first = (reinterpret_cast<std::uintptr_t>(data) + page - 1) & ~(page - 1);
    const auto last = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(page - 1);
    if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

// One entry of the folder, read and parsed.
struct LoadedFile {
    FileRead read = FileRead::Ok;
    DatabaseSpectrum spectrum;
    std::exception_ptr failure;  // what reading or parsing threw
};

// Reads and parses the folder's files on loader threads, a bounded number of
// files ahead, while the caller takes the results strictly in name order. The
// caller is a loader too: while the file it needs next is not ready it reads
// one itself, so every core works, the calling one included (without loader
// threads, if none could be started, it reads every file itself).
class FolderReader {
public:
    FolderReader(const std::string& folder, const std::vector<std::string>& names) : folder_(folder), names_(names) {
        // Files are opened relative to the folder when it can be opened itself.
        folderFd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        const int files = static_cast<int>(names_.size());
        const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
        const int threads = std::min(files, cores) - 1;
        // A few files in flight per thread keep every thread busy; the slots
        // bound the memory held.
        slots_.resize(static_cast<std::size_t>(4 * (threads + 1)));
        ready_.assign(slots_.size(), -1);
        try {
            for (int t = 0; t < threads; ++t) workers_.emplace_back([this] { work(); });
        } catch (const std::system_error&) {
            // Fewer threads (or none): the ones started and the caller do the work.
        }
    }

    FolderReader(const FolderReader&) = delete;
    FolderReader& operator=(const FolderReader&) = delete;

    ~FolderReader() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        free_.notify_all();
        for (std::thread& t : workers_) t.join();
        if (folderFd_ >= 0) ::close(folderFd_);
    }

    // File k's result; files are taken in order 0, 1, 2, ..., each released
    // before the next is taken.
    LoadedFile& take(int k) {
        const std::size_t s = slotOf(k);
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            if (ready_[s] == k) return slots_[s];
            if (claimable()) {
                const int j = next_++;
                lock.unlock();
                load(j, slots_[slotOf(j)], buffer_);
                lock.lock();
                ready_[slotOf(j)] = j;
                continue;
            }
            done_.wait(lock);
        }
    }

    void release(int k) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            taken_ = k + 1;
        }
        if (!workers_.empty()) free_.notify_all();
    }

private:
    std::size_t slotOf(int k) const { return static_cast<std::size_t>(k) % slots_.size(); }

    // Under the lock: a file is left to read and a slot is free for it.
    bool claimable() const {
        return next_ < static_cast<int>(names_.size()) && next_ < taken_ + static_cast<int>(slots_.size());
    }

    void load(int k, LoadedFile& slot, std::string& buffer) const {
        slot.failure = nullptr;
        try {
            std::size_t length = 0;
            const std::string& name = names_[static_cast<std::size_t>(k)];
            slot.read = folderFd_ >= 0 ? readWholeFileAt(folderFd_, name, buffer, length)
                                       : readWholeFile(joinPath(folder_, name), buffer, length);
            if (slot.read == FileRead::Ok) parseDatabaseSpectrum(std::string_view(buffer.data(), length), slot.spectrum);
        } catch (...) {
            slot.failure = std::current_exception();
        }
    }

    void work() {
        std::string buffer;
        for (;;) {
            int k;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                free_.wait(lock, [&] { return stop_ || next_ >= static_cast<int>(names_.size()) || claimable(); });
                if (stop_ || !claimable()) return;
                k = next_++;
            }
            load(k, slots_[slotOf(k)], buffer);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                ready_[slotOf(k)] = k;
            }
            done_.notify_one();
        }
    }

    const std::string& folder_;
    const std::vector<std::string>& names_;
    int folderFd_ = -1;
    std::vector<LoadedFile> slots_;
    std::vector<int> ready_;  // the file each slot holds, once it is read
    std::string buffer_;      // the caller's
    std::mutex mutex_;
    std::condition_variable done_;  // a slot was filled
    std::condition_variable free_;  // a slot was released, or stop
    int next_ = 0;                  // the next file to claim
    int taken_ = 0;                 // files released by the caller
    bool stop_ = false;
    std::vector<std::thread> workers_;
};

}  // namespace

std::optional<DatabaseLoadSummary> loadDatabaseFolder(SpectrumStore& s, const std::string& folder,
                                                      const DatabaseProgress& progress, std::string* error) {
    std::vector<std::string> names;
    if (!listFolder(folder, names, error)) return std::nullopt;

    DatabaseLoadSummary summary;
    if (names.size() > static_cast<std::size_t>(kDatabaseCapacity)) {
        summary.leftOut = static_cast<int>(names.size()) - kDatabaseCapacity;
        names.resize(kDatabaseCapacity);
    }
    const int n = static_cast<int>(names.size());
    summary.entries = n;

    s.m_dbFolder = folder;
    s.m_dbCount = n;
    s.m_dbNames.assign(1, std::string());
    s.m_dbNames.insert(s.m_dbNames.end(), names.begin(), names.end());
    s.m_dbPoints.assign(n, 0);
    s.m_dbOffsets.assign(n, 0);
    s.m_dbScore.assign(n, 0.0);
    s.m_dbCurrent = -1;

    s.m_dbBar.list.assign(s.m_dbNames.begin() + 1, s.m_dbNames.end());
    s.m_dbBar.normalizeChecked = s.m_dbNormalize;
    s.m_dbBar.folderText = folder;

    // No file keeps more than kMaxDataLines points, so this reservation is
    // never outgrown; pages that are never written are never backed by
    // memory. Pools of a fitting size are reused as they are (reloading the
    // same folder then writes to memory already in place); others are
    // released before the new ones are reserved.
    const std::size_t need = static_cast<std::size_t>(n) * kMaxDataLines;
    for (std::vector<double>* pool : {&s.m_dbX, &s.m_dbY}) {
        if (pool->capacity() >= need && pool->capacity() <= 2 * need + kMaxDataLines) {
            pool->clear();
        } else {
            std::vector<double>().swap(*pool);
            pool->reserve(need);
            preferHugePages(pool->data(), pool->capacity() * sizeof(double));
        }
    }
    s.m_dbCapacity = kCapacityAfterLoad;

    // Files are read and parsed ahead on loader threads; this thread reports
    // progress and fills the pools in name order.
    FolderReader reader(folder, names);
    for (int k = 0; k < n; ++k) {
        report(s, progress, progressText("loading", k + 1, n));
        LoadedFile& file = reader.take(k);
        if (file.failure) std::rethrow_exception(file.failure);
        const auto offset = static_cast<std::int64_t>(s.m_dbX.size());
        s.m_dbOffsets[k] = offset;
        if (file.read != FileRead::Ok) {
            ++summary.skipped;
            reader.release(k);
            continue;
        }
        const DatabaseSpectrum& spectrum = file.spectrum;
        const auto count = static_cast<std::int32_t>(spectrum.x.size());
        if (spectrum.truncated) ++summary.truncated;
        if (count == 0) ++summary.empty;
        s.m_dbPoints[k] = count;
        if (offset + count > s.m_dbCapacity) s.m_dbCapacity += kCapacityStep;
        s.m_dbX.insert(s.m_dbX.end(), spectrum.x.begin(), spectrum.x.end());
        s.m_dbY.insert(s.m_dbY.end(), spectrum.y.begin(), spectrum.y.end());
        summary.points += count;
        reader.release(k);
    }
    report(s, progress, kMakeComparisonText);
    return summary;
}

bool loadDatabase(SpectrumStore& s, Prompt& prompt, const DatabaseProgress& progress) {
    const std::optional<std::string> folder = prompt.chooseFolder();
    if (!folder) return false;
    if (!loadDatabaseFolder(s, *folder, progress)) {
        prompt.showMessage(messages::kOpenFileError, messages::kCaptionErrorUpper);
        return false;
    }
    return true;
}

std::string rankedEntryText(double score, const std::string& name) {
    char text[64];
    std::snprintf(text, sizeof text, "%.0f - ", score);
    return text + name;
}

namespace {

// Best first; equal scores keep database order (the sort is stable). NaN,
// which an infinite value in a file can produce, ranks after everything.
bool ranksBefore(double a, double b) {
    if (std::isnan(b)) return !std::isnan(a);
    return a > b;
}

template <class T>
void permute(std::vector<T>& v, const std::vector<int>& order, std::size_t first = 0) {
    std::vector<T> out;
    out.reserve(v.size());
    for (std::size_t i = 0; i < first; ++i) out.push_back(std::move(v[i]));
    for (int k : order) out.push_back(std::move(v[first + k]));
    v = std::move(out);
}

}  // namespace

void compareDatabase(SpectrumStore& s, const DatabaseProgress& progress) {
    s.m_dbNormalize = s.m_dbBar.normalizeChecked;
    const int n = s.m_dbCount;
    scoreDatabase(s, s.m_dbNormalize, progress);

    std::vector<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return ranksBefore(s.m_dbScore[a], s.m_dbScore[b]); });
    permute(s.m_dbScore, order);
    permute(s.m_dbPoints, order);
    permute(s.m_dbOffsets, order);
    permute(s.m_dbNames, order, 1);

    s.m_dbBar.list.clear();
    s.m_dbBar.list.reserve(n);
    for (int r = 0; r < n; ++r) s.m_dbBar.list.push_back(rankedEntryText(s.m_dbScore[r], s.m_dbNames[r + 1]));
    s.m_dbCurrent = -1;
    report(s, progress, kMakeComparisonText);
}

bool showDatabaseEntry(SpectrumStore& s, int k) {
    if (k < 0 || k >= s.m_dbCount) return false;
    s.m_dbNormalize = s.m_dbBar.normalizeChecked;
    s.m_dbCurrent = k;

    const int count = s.m_dbPoints[k];
    const double* x = s.m_dbX.data() + s.m_dbOffsets[k];
    const double* y = s.m_dbY.data() + s.m_dbOffsets[k];
    double factor = 1.0;
    if (s.m_dbNormalize) {
        double liveMax = -100000.0;
        for (int i = 0; i <= s.m_storedLength[0]; ++i) liveMax = std::max(liveMax, s.m_storedY[i]);
        double fileMax = -100000.0;
        for (int i = 0; i < count; ++i) fileMax = std::max(fileMax, y[i]);
        // A file whose largest value is 0 cannot be scaled; it is shown as stored.
        if (fileMax != 0) factor = liveMax / fileMax;
    }

    const int offset = s.m_storedLength[0] + 1;
    for (int i = 0; i < count; ++i) {
        s.m_storedX[offset + i] = x[i];
        s.m_storedY[offset + i] = s.m_dbNormalize ? y[i] * factor : y[i];
    }
    s.m_storedCount = 1;
    s.m_storedLength[1] = count - 1;  // -1 for an entry without points: curve 0 alone
    s.m_storedRed[1] = 200;
    s.m_storedGreen[1] = 300;
    s.m_storedBlue[1] = 400;
    s.m_storedVisible[1] = 1;
    if (count > 0) s.m_storedLength[2] = -1;
    return true;
}

}  // namespace halden
