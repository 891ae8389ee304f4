#include "database/DatabaseScoring.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

#include "database/Similarity.h"

namespace halden {

namespace {

// Files per block: each thread streams a block's points from memory in
// order, and a block is short enough that the threads finish close together.
constexpr int kBlockFiles = 32;
// Points that make another thread worth starting (a few milliseconds of work).
constexpr std::int64_t kPointsPerThread = 1 << 19;
constexpr int kMaxThreads = 64;

struct Job {
    DatabaseFiles files;
    LiveIntervals live;
    SimilarityOptions options;
    int n = 0;
    double* scores = nullptr;
    std::int32_t* pairs = nullptr;
    // Each counter on a cache line of its own, apart from the fields every
    // thread reads for every file.
    alignas(64) std::atomic<int> nextBlock{0};
    alignas(64) std::atomic<int> scored{0};
};

CurveView fileView(const DatabaseFiles& files, int k) {
    const std::int64_t offset = files.offsets[k];
    return {files.pools->x.data() + offset, files.pools->y.data() + offset, files.points[k]};
}

// Scores blocks until none is left; afterEach runs after every file.
template <class AfterEach>
void scoreBlocks(Job& job, AfterEach afterEach) {
    PairScratch scratch;
    auto take = [&job] { return job.nextBlock.fetch_add(1, std::memory_order_relaxed); };
    const int blocks = (job.n + kBlockFiles - 1) / kBlockFiles;
    int block = take();
    while (block < blocks) {
        const int from = block * kBlockFiles;
        const int to = std::min(job.n, from + kBlockFiles);
        for (int k = from; k < to; ++k) {
            const Similarity result = similarity(job.live, fileView(job.files, k), job.options, scratch);
            job.scores[k] = result.score;
            job.pairs[k] = result.pairs;
            job.scored.fetch_add(1, std::memory_order_relaxed);
            afterEach();
        }
        block = take();
    }
}

int threadsFor(const DatabaseFiles& files, int n, int requested) {
    const int blocks = (n + kBlockFiles - 1) / kBlockFiles;
    int threads = requested;
    if (threads <= 0) {
        std::int64_t points = 0;
        for (int k = 0; k < n; ++k) points += files.points[k];
        threads = static_cast<int>(std::min<std::int64_t>(std::max(1u, std::thread::hardware_concurrency()),
                                                          1 + points / kPointsPerThread));
    }
    return std::clamp(std::min(threads, blocks), 1, kMaxThreads);
}

// The helper threads, joined when the scope is left. stop() keeps them from
// taking further blocks; a failure in one of them (out of memory) is
// passed on by rethrow().
class Helpers {
public:
    explicit Helpers(Job& job) : m_job(job) {}
    Helpers(const Helpers&) = delete;
    Helpers& operator=(const Helpers&) = delete;
    ~Helpers() { join(); }
    void start(int count) {
        for (int i = 0; i < count; ++i) {
            try {
                m_threads.emplace_back([this] {
                    try {
                        scoreBlocks(m_job, [] {});
                    } catch (...) {
                        stop();
                        if (!m_failed.exchange(true)) m_failure = std::current_exception();
                    }
                });
            } catch (const std::system_error&) {
                break;  // no more threads to be had: the others do the work
            }
        }
    }
    void stop() { m_job.nextBlock.store(kStopped, std::memory_order_relaxed); }
    void join() {
        for (std::thread& t : m_threads) t.join();
        m_threads.clear();
    }
    // After join(): the first failure of a helper, if any.
    void rethrow() {
        if (m_failed) std::rethrow_exception(m_failure);
    }

private:
    static constexpr int kStopped = 1 << 30;  // above every block number; taking more stays above
    Job& m_job;
    std::vector<std::thread> m_threads;
    std::atomic<bool> m_failed{false};
    std::exception_ptr m_failure;
};

}  // namespace

void scoreDatabase(const DatabaseFiles& files, const CurveView& live, SimilarityOptions options, double* scores,
                   std::int32_t* pairs, const ScoringProgress& progress, int threads) {
    const int n = files.count;
    if (n <= 0) return;

    Job job;
    job.files = files;
    job.options = options;
    job.n = n;
    job.scores = scores;
    job.pairs = pairs;
    prepareLive(live, job.live);

    int reported = 0;
    auto report = [&](int k) {
        reported = k;
        if (progress) progress(k);
    };
    report(0);
    Helpers helpers(job);
    helpers.start(threadsFor(files, n, threads) - 1);
    try {
        scoreBlocks(job, [&] {
            const int k = std::min(job.scored.load(std::memory_order_relaxed), n - 1);
            if (k > reported) report(k);
        });
    } catch (...) {
        helpers.stop();
        throw;
    }
    helpers.join();  // every score is written from here on
    helpers.rethrow();
    if (reported < n - 1) report(n - 1);
}

}  // namespace halden
