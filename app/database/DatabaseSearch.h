// The database bar's commands as the window runs them: the database, written
// only on this object's thread, and at most one job at a time (loading a
// folder or ranking it) on a thread of its own, so that the window keeps
// painting and answering meanwhile. A job gets its inputs as values (the
// folder's path; a copy of the live spectrum, the database's tables and its
// read-only pools), owns what it builds and hands its progress and result
// back in events; only this object's event handler writes them into the
// database. The database bar's progress texts ("loading: %d / %d",
// "done: %d / %d") arrive the same way, a few dozen a second at most.
#pragma once

#include <QObject>

#include <atomic>
#include <string>
#include <thread>

#include "database/DatabaseCommands.h"
#include "database/SpectralDatabase.h"

namespace halden {

class Prompt;
struct SpectrumStore;

class DatabaseSearch : public QObject {
    Q_OBJECT
public:
    explicit DatabaseSearch(Prompt& prompt, QObject* parent = nullptr);
    // Stops a running job at its next file and waits for its thread.
    ~DatabaseSearch() override;
    DatabaseSearch(const DatabaseSearch&) = delete;
    DatabaseSearch& operator=(const DatabaseSearch&) = delete;

    SpectralDatabase& database() { return m_db; }
    const SpectralDatabase& database() const { return m_db; }
    const DatabaseBarState& bar() const { return m_db.m_dbBar; }
    // A load or comparison is running.
    bool busy() const { return m_job.joinable(); }

    // "Load database" (1069): asks for the folder ("chose directory!");
    // Cancel changes nothing. Then as startLoading.
    void loadDatabase();
    // Lists and loads folder on the job thread. Refused with a message while
    // a job runs (false). A folder that cannot be listed shows "UNABLE TO
    // OPEN FILE" ("ERROR") and changes nothing.
    bool startLoading(const std::string& folder);

    // "Make comparison" (1070): refused with a message while a job runs,
    // without a database or without a live spectrum (false); otherwise ranks
    // the database against a copy of stored curve 0 on the job thread.
    bool makeComparison(const SpectrumStore& store);

    // Selection k of list box 1071 (showDatabaseEntry).
    bool showEntry(SpectrumStore& store, int k);
    // Checkbox 1073 and the "Metric" choice as the user set them.
    void setNormalizeChecked(bool checked) { m_db.m_dbBar.normalizeChecked = checked; }
    void setMetric(SimilarityMetric metric) { m_db.m_dbBar.metric = metric; }

signals:
    // The bar's state changed: show all of it.
    void barChanged();
    // Only the button's text changed (progress).
    void buttonTextChanged();
    // A load or comparison ended, its result in the database (or its
    // failure reported).
    void jobFinished();

protected:
    bool event(QEvent* event) override;

private:
    template <class Work>
    void startJob(Work work);
    bool refuseWhileBusy();
    void finishJob();

    Prompt& m_prompt;
    SpectralDatabase m_db;
    std::thread m_job;
    std::atomic<bool> m_cancel{false};  // read by the job at each file
};

}  // namespace halden
