// The database bar's commands with loading and ranking on the job thread:
// the same results as the direct calls, the window's thread free meanwhile,
// and the refusals.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "DatabaseTestFolder.h"
#include "common/Messages.h"
#include "database/DatabaseSearch.h"
#include "spectrum/SpectrumStore.h"
#include "support/PromptRecorder.h"

namespace halden {
namespace {

using test::TempFolder;

QCoreApplication& app() {
    static int argc = 1;
    static char name[] = "database_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* instance = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    return instance ? *instance : *QCoreApplication::instance();
}

// Runs the event loop until the search's job has finished; false when it
// had not after a minute (a hang, not a matter of timing).
bool waitForJob(DatabaseSearch& search) {
    QEventLoop loop;
    bool finished = false;
    QObject::connect(&search, &DatabaseSearch::jobFinished, &loop, [&] {
        finished = true;
        loop.quit();
    });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    if (search.busy()) loop.exec();
    return finished || !search.busy();
}

// Peaks at a place that moves with k, on 400 points from 400 nm.
std::string spectrumText(int k, double shift = 0) {
    std::string text;
    for (int i = 0; i < 400; ++i) {
        const double x = 400 + 0.5 * i + shift;
        char row[64];
        std::snprintf(row, sizeof row, "%.3f\t%.3f\r\n", x, 500 + 9000 * std::exp(-std::pow((x - 450 - k) / 8, 2)));
        text += row;
    }
    return text;
}

class DatabaseSearchTest : public ::testing::Test {
protected:
    DatabaseSearchTest() { app(); }
    void SetUp() override {
        for (int k = 0; k < 40; ++k) dir.write("s" + std::to_string(100 + k) + ".txt", spectrumText(k, 0.25));
        dir.write("notes.md", "not a spectrum\r\n");
        // Curve 0: the spectrum of file 17.
        const std::string live = spectrumText(17);
        std::size_t at = 0;
        int i = 0;
        while (at < live.size()) {
            const std::size_t end = live.find("\r\n", at);
            std::sscanf(live.c_str() + at, "%lf\t%lf", &store->m_storedX[i], &store->m_storedY[i]);
            at = end + 2;
            ++i;
        }
        store->m_storedLength[0] = i - 1;
        store->m_storedLength[1] = -1;
    }

    TempFolder dir;
    test::PromptRecorder prompt;
    std::unique_ptr<SpectrumStore> store = std::make_unique<SpectrumStore>();
};

TEST_F(DatabaseSearchTest, LoadsAndRanksOnTheJobThreadAsTheDirectCallsDo) {
    SpectralDatabase direct;
    ASSERT_TRUE(loadDatabaseFolder(direct, dir.str()));
    direct.m_dbBar.metric = SimilarityMetric::Derivative;
    compareDatabase(direct, liveSpectrumOf(*store));

    DatabaseSearch search(prompt);
    int barChanges = 0;
    QObject::connect(&search, &DatabaseSearch::barChanged, [&] { ++barChanges; });
    ASSERT_TRUE(search.startLoading(dir.str()));
    // The command returned before the load ended: only this thread writes
    // the database, and it has not yet taken anything.
    EXPECT_TRUE(search.busy());
    EXPECT_EQ(search.database().m_dbCount, 0);
    EXPECT_TRUE(search.bar().list.empty());
    ASSERT_TRUE(waitForJob(search));
    EXPECT_FALSE(search.busy());
    EXPECT_GE(barChanges, 2);  // the listing, then the spectra
    const SpectralDatabase& db = search.database();
    EXPECT_EQ(db.m_dbCount, 40);
    EXPECT_EQ(db.m_dbNames[1], "s100.txt");
    EXPECT_EQ(db.m_dbBar.skippedText, "1 entry without spectrum data skipped");
    EXPECT_EQ(db.m_dbBar.buttonText, kMakeComparisonText);

    search.setMetric(SimilarityMetric::Derivative);
    ASSERT_TRUE(search.makeComparison(*store));
    EXPECT_TRUE(search.busy());
    EXPECT_EQ(search.bar().buttonText, "done: 0 / 40");
    // While it runs, another comparison and a load are refused.
    EXPECT_FALSE(search.makeComparison(*store));
    EXPECT_FALSE(search.startLoading(dir.str()));
    ASSERT_EQ(prompt.messages().size(), 2u);
    for (const auto& m : prompt.messages()) {
        EXPECT_EQ(m.text, messages::kDatabaseBusy);
        EXPECT_EQ(m.caption, "Message");
    }
    ASSERT_TRUE(waitForJob(search));
    EXPECT_EQ(db.m_dbNames, direct.m_dbNames);
    EXPECT_EQ(db.m_dbNames[1], "s117.txt");
    EXPECT_EQ(db.m_dbBar.list, direct.m_dbBar.list);
    ASSERT_EQ(db.m_dbScore.size(), direct.m_dbScore.size());
    for (std::size_t r = 0; r < db.m_dbScore.size(); ++r)
        EXPECT_EQ(std::memcmp(&db.m_dbScore[r], &direct.m_dbScore[r], sizeof(double)), 0) << r;
    EXPECT_EQ(db.m_dbCurrent, -1);
    EXPECT_EQ(db.m_dbBar.buttonText, kMakeComparisonText);

    // The first entry shows as curve 1.
    ASSERT_TRUE(search.showEntry(*store, 0));
    EXPECT_EQ(store->m_storedLength[1], 399);
}

TEST_F(DatabaseSearchTest, RefusalsAndAFolderThatCannotBeListed) {
    DatabaseSearch search(prompt);
    EXPECT_FALSE(search.makeComparison(*store));
    ASSERT_EQ(prompt.messages().size(), 1u);
    EXPECT_EQ(prompt.messages()[0].text, messages::kLoadDatabaseFirst);

    search.loadDatabase();  // the folder dialog cancelled
    EXPECT_FALSE(search.busy());
    prompt.folderAnswers.push_back(dir.str());
    search.loadDatabase();
    ASSERT_TRUE(waitForJob(search));
    EXPECT_EQ(search.database().m_dbCount, 40);

    store->m_storedLength[0] = 0;  // no spectrum to compare
    EXPECT_FALSE(search.makeComparison(*store));
    EXPECT_EQ(prompt.messages().back().text, std::string(messages::kNeedSpectrum) + " (Make comparison)");

    ASSERT_TRUE(search.startLoading((dir / "missing").string()));
    ASSERT_TRUE(waitForJob(search));
    EXPECT_EQ(prompt.messages().back().text, "UNABLE TO OPEN FILE");
    EXPECT_EQ(prompt.messages().back().caption, "ERROR");
    EXPECT_EQ(search.database().m_dbCount, 40);  // nothing changed
    EXPECT_EQ(search.bar().folderText, dir.str());
}

TEST_F(DatabaseSearchTest, ClosingWhileLoadingStopsTheJob) {
    for (int k = 0; k < 300; ++k) dir.write("t" + std::to_string(1000 + k) + ".txt", spectrumText(k % 40));
    auto search = std::make_unique<DatabaseSearch>(prompt);
    ASSERT_TRUE(search->startLoading(dir.str()));
    search.reset();  // stops the job at its next file and waits for it
    QCoreApplication::processEvents();
    EXPECT_TRUE(prompt.messages().empty());
}

}  // namespace
}  // namespace halden
