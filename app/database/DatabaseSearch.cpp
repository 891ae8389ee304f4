#include "database/DatabaseSearch.h"

#include <QCoreApplication>
#include <QEvent>

#include <chrono>
#include <exception>
#include <utility>
#include <variant>

#include "common/EventHandoff.h"
#include "common/Messages.h"
#include "common/Prompt.h"
#include "spectrum/SpectrumStore.h"
#include "spectrum/StoredCurves.h"

namespace halden {

namespace {

constexpr QEvent::Type kDatabaseJobEvent = static_cast<QEvent::Type>(1140);

// What a job hands back, in the order it happens.
struct Listed {
    FolderListing listing;
};
struct Progress {
    std::string text;
    int current = -1;  // the file being compared, or -1
};
struct Unlistable {};
struct Failed {
    std::string reason;
};

using JobMessage = std::variant<Listed, Progress, Unlistable, LoadedFolder, DatabaseRanking, Failed>;

class JobEvent : public QEvent {
public:
    explicit JobEvent(JobMessage message) : QEvent(kDatabaseJobEvent), m_message(std::move(message)) {}
    JobMessage& message() { return m_message; }

private:
    JobMessage m_message;
};

// Thrown from a job's progress when the job is to stop.
struct Cancelled {};

// A job's progress, handed to post at most every 20 ms (the first at once).
template <class Post>
class ProgressPoster {
public:
    ProgressPoster(Post& post, const std::atomic<bool>& cancel) : m_post(post), m_cancel(cancel) {}
    void operator()(std::string text, int current) {
        if (m_cancel.load(std::memory_order_relaxed)) throw Cancelled{};
        const auto now = std::chrono::steady_clock::now();
        if (m_posted && now - m_last < std::chrono::milliseconds(20)) return;
        m_posted = true;
        m_last = now;
        m_post(Progress{std::move(text), current});
    }

private:
    Post& m_post;
    const std::atomic<bool>& m_cancel;
    bool m_posted = false;
    std::chrono::steady_clock::time_point m_last;
};

}  // namespace

DatabaseSearch::DatabaseSearch(Prompt& prompt, QObject* parent) : QObject(parent), m_prompt(prompt) {}

DatabaseSearch::~DatabaseSearch() {
    m_cancel = true;
    if (m_job.joinable()) m_job.join();
}

bool DatabaseSearch::refuseWhileBusy() {
    if (!busy()) return false;
    m_prompt.showMessage(messages::kDatabaseBusy, messages::kCaptionMessage);
    return true;
}

template <class Work>
void DatabaseSearch::startJob(Work work) {
    m_cancel = false;
    m_job = std::thread([this, work = std::move(work)]() mutable {
        auto post = [this](JobMessage message) {
            postHandedOff(this, new JobEvent(std::move(message)));
        };
        ProgressPoster progress(post, m_cancel);
        try {
            work(post, progress);
        } catch (const Cancelled&) {
            // The window is closing: nobody waits for a result.
        } catch (const std::exception& e) {
            post(Failed{e.what()});
        }
    });
}

void DatabaseSearch::loadDatabase() {
    if (refuseWhileBusy()) return;
    const std::optional<std::string> folder = m_prompt.chooseFolder();
    if (folder) startLoading(*folder);
}

bool DatabaseSearch::startLoading(const std::string& folder) {
    if (refuseWhileBusy()) return false;
    startJob([folder](auto& post, auto& progress) {
        const std::optional<FolderListing> listing = listDatabaseFolder(folder);
        if (!listing) {
            post(Unlistable{});
            return;
        }
        post(Listed{*listing});
        post(readDatabaseFolder(*listing, [&](int k, int n) { progress(loadingText(k, n), -1); }));
    });
    return true;
}

bool DatabaseSearch::makeComparison(const SpectrumStore& store) {
    if (refuseWhileBusy()) return false;
    if (m_db.m_dbCount <= 0) {
        m_prompt.showMessage(messages::kLoadDatabaseFirst, messages::kCaptionMessage);
        return false;
    }
    if (storedCurve0(store).count() <= 1) {
        m_prompt.showMessage(std::string(messages::kNeedSpectrum) + " (" + kMakeComparisonText + ")",
                             messages::kCaptionMessage);
        return false;
    }
    ComparisonRequest request = comparisonRequest(m_db, liveSpectrumOf(store));
    m_db.m_dbBar.buttonText = doneText(0, m_db.m_dbCount);
    emit buttonTextChanged();
    startJob([request = std::move(request)](auto& post, auto& progress) {
        post(rankDatabase(request, [&](int k, int n) { progress(doneText(k, n), k); }));
    });
    return true;
}

bool DatabaseSearch::showEntry(SpectrumStore& store, int k) { return showDatabaseEntry(m_db, store, k); }

void DatabaseSearch::finishJob() {
    if (m_job.joinable()) m_job.join();  // it has posted its last event and is ending
    m_db.m_dbBar.buttonText = kMakeComparisonText;
    emit barChanged();
    emit jobFinished();
}

bool DatabaseSearch::event(QEvent* e) {
    takeOver(e);
    if (e->type() != kDatabaseJobEvent) return QObject::event(e);
    JobMessage& message = static_cast<JobEvent*>(e)->message();
    if (auto* listed = std::get_if<Listed>(&message)) {
        beginDatabaseLoad(m_db, listed->listing);
        m_db.m_dbBar.buttonText = loadingText(0, static_cast<int>(listed->listing.names.size()));
        emit barChanged();
    } else if (auto* progress = std::get_if<Progress>(&message)) {
        m_db.m_dbBar.buttonText = std::move(progress->text);
        if (progress->current >= 0) m_db.m_dbCurrent = progress->current;
        emit buttonTextChanged();
    } else if (std::holds_alternative<Unlistable>(message)) {
        finishJob();
        m_prompt.showMessage(messages::kOpenFileError, messages::kCaptionErrorUpper);
    } else if (auto* loaded = std::get_if<LoadedFolder>(&message)) {
        adoptLoadedFolder(m_db, std::move(*loaded));
        finishJob();
    } else if (auto* ranking = std::get_if<DatabaseRanking>(&message)) {
        applyRanking(m_db, *ranking);
        finishJob();
    } else if (auto* failed = std::get_if<Failed>(&message)) {
        if (!m_db.m_dbPools) m_db.m_dbBar.list.clear();  // a load that failed after listing
        finishJob();
        m_prompt.showMessage(std::string(messages::kDatabaseFailed) + failed->reason, messages::kCaptionErrorUpper);
    }
    return true;
}

}  // namespace halden

#include "moc_DatabaseSearch.cpp"
