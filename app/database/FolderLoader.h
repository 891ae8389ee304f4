// Loading the files of a database folder into its point pools. Loader
// threads and the calling thread read and parse the files a bounded number
// ahead; each file's points are written straight to their place in the pools
// as soon as every file before it is parsed (its place is the sum of their
// point counts), so the pools fill on every core, not on the caller's alone.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "database/DatabaseFile.h"

namespace halden {

// One file of the folder, once its points are in the pools.
struct FolderEntry {
    FileRead read = FileRead::Ok;
    std::int32_t points = 0;
    bool truncated = false;   // the file held more data lines than are kept
    std::int64_t offset = 0;  // where its points start in the pools
};

class FolderLoader {
public:
    // Loads the entries names of folder into x and y, which must each have
    // room for names.size() * kMaxDataLines values.
    FolderLoader(const std::string& folder, const std::vector<std::string>& names, double* x, double* y);
    FolderLoader(const FolderLoader&) = delete;
    FolderLoader& operator=(const FolderLoader&) = delete;
    // Stops the loader threads, letting a file being written finish first.
    ~FolderLoader();

    // File k's entry once its points are in place; while it is not, the
    // calling thread loads and places files itself. Rethrows what reading or
    // parsing file k threw.
    FolderEntry wait(int k);

private:
    enum class State : std::uint8_t { Waiting, Loading, Parsed, Placing, Placed };

    struct File {
        FolderEntry entry;
        State state = State::Waiting;
        std::exception_ptr failure;
    };

    // The parsed points of a file in flight, room for kMaxDataLines.
    struct Slot {
        std::unique_ptr<double[]> x, y;
    };

    using Lock = std::unique_lock<std::mutex>;

    std::size_t slotOf(int k) const { return static_cast<std::size_t>(k) % m_slots.size(); }
    bool claimable() const;
    int placeable() const;
    // One piece of work, under the lock (released while it runs): placing a
    // parsed file, else loading the next one into buffer. False when there
    // is none.
    bool step(Lock& lock, std::string& buffer);
    void load(int k, Lock& lock, std::string& buffer);
    void place(int k, Lock& lock);
    void work();

    const std::string& m_folder;
    const std::vector<std::string>& m_names;
    double* const m_x;
    double* const m_y;
    int m_folderFd = -1;
    std::vector<File> m_files;
    std::vector<Slot> m_slots;
    std::string m_buffer;               // the calling thread's file bytes
    std::mutex m_mutex;
    std::condition_variable m_changed;  // a file was parsed or placed, or stop
    int m_next = 0;                     // the next file to load
    int m_known = 0;                    // files whose offsets are known
    int m_placed = 0;                   // files placed, counted from the first
    std::int64_t m_total = 0;           // points of the first m_known files
    bool m_stop = false;
    std::vector<std::thread> m_workers;
};

}  // namespace halden
