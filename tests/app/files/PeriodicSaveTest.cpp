#include <filesystem>

#include "FilesFixture.h"
#include "files/SpectrumFiles.h"

namespace halden {
namespace {

using test::FilesFixture;

class PeriodicSaveTest : public FilesFixture {
protected:
    static std::vector<std::string> names(const std::vector<PeriodicFile>& files) {
        std::vector<std::string> out;
        for (const auto& f : files) out.push_back(f.path);
        return out;
    }
};

TEST_F(PeriodicSaveTest, NamesFollowTheBaseAndCounter) {
    EXPECT_EQ(periodicFileName("/data/run", PeriodicFileKind::Spectrum, 1), "/data/run_S1_1_.txt");
    EXPECT_EQ(periodicFileName("/data/run", PeriodicFileKind::Screen, 12), "/data/run_S2_12_.bmp");
    EXPECT_EQ(periodicFileName("run.txt", PeriodicFileKind::OneNm, 3), "run.txt_S3_3_.txt");
    EXPECT_EQ(periodicFileName("r", PeriodicFileKind::Normalized, 7), "r_S4_7_.txt");
}

TEST_F(PeriodicSaveTest, StartNamesThenEachRunningTickWritesTheEnabledFiles) {
    store->m_saveTxt = store->m_save1nm = store->m_saveNormalized = true;
    prompt.saveAnswers = {std::string("/data/run")};
    PeriodicSave saver(*store, prompt);
    EXPECT_TRUE(saver.start().empty()) << "the first tick only names";
    ASSERT_GE(prompt.entries.size(), 2u);
    EXPECT_EQ(prompt.entries[0].kind, "message");
    EXPECT_EQ(prompt.entries[0].text, "Save First Spectra");
    EXPECT_EQ(prompt.entries[0].caption, "Information");
    EXPECT_EQ(prompt.entries[1].kind, "save");
    EXPECT_EQ(store->m_saveBaseName, "/data/run");
    EXPECT_EQ(store->m_saveCounter, 1);
    EXPECT_TRUE(saver.timerShouldRun());

    EXPECT_TRUE(saver.tick().empty()) << "not running: nothing, counter stays";
    EXPECT_EQ(store->m_saveCounter, 1);
    store->m_running = true;
    EXPECT_EQ(names(saver.tick()),
              (std::vector<std::string>{"/data/run_S1_1_.txt", "/data/run_S3_1_.txt", "/data/run_S4_1_.txt"}));
    store->m_saveBmp = true;
    EXPECT_EQ(names(saver.tick())[1], "/data/run_S2_2_.bmp");
    EXPECT_EQ(store->m_saveCounter, 3);
}

// Numbering restarts at 1 with each naming: the files of an earlier run of
// the same base would be replaced one by one, so the user is asked first.
TEST_F(PeriodicSaveTest, NamingABaseWhoseFilesExistAsksBeforeReplacingThem) {
    store->m_saveBmp = true;
    writeAll(path("run_S2_1_.bmp"), "earlier run");
    prompt.saveAnswers = {path("run"), path("run"), path("fresh")};
    prompt.okCancelAnswers = {false, false};
    PeriodicSave saver(*store, prompt);
    saver.start();
    EXPECT_EQ(store->m_saveBaseName, path("fresh")) << "Cancel went back to the dialog";
    prompt.saveAnswers = {path("run")};
    prompt.okCancelAnswers = {true};
    store->m_saveCounter = 0;
    saver.tick();
    EXPECT_EQ(store->m_saveBaseName, path("run"));
    int questions = 0;
    for (const auto& e : prompt.entries)
        if (e.kind == "okcancel") {
            ++questions;
            EXPECT_EQ(e.text.rfind(path("run_S2_1_.bmp") + " already exists, and periodic saving would replace", 0), 0u);
        }
    EXPECT_EQ(questions, 3);
}

TEST_F(PeriodicSaveTest, CancelAtNamingEndsSaving) {
    PeriodicSave saver(*store, prompt);
    EXPECT_TRUE(saver.start().empty());
    EXPECT_FALSE(store->m_periodicSave);
    EXPECT_EQ(store->m_saveCounter, 0);
    EXPECT_FALSE(saver.timerShouldRun());
    store->m_running = true;
    EXPECT_TRUE(saver.tick().empty()) << "a stray tick after the end does nothing";
}

TEST_F(PeriodicSaveTest, StopsKeepOrResetTheCounter) {
    store->m_saveTxt = true;
    store->m_running = true;
    prompt.saveAnswers = {path("base"), path("second")};
    PeriodicSave saver(*store, prompt);
    saver.start();
    saver.tick();
    saver.tick();
    EXPECT_EQ(store->m_saveCounter, 3);

    // "Save spectra, txt" or Settings: off, numbering goes on after a restart.
    saver.stop();
    EXPECT_FALSE(saver.timerShouldRun());
    EXPECT_EQ(names(saver.start()), std::vector<std::string>{path("base") + "_S1_3_.txt"});

    // Stopping the acquisition resets the counter: the next start names again.
    saver.stopWithAcquisition();
    EXPECT_EQ(store->m_saveCounter, 0);
    EXPECT_TRUE(saver.start().empty());
    EXPECT_EQ(store->m_saveBaseName, path("second"));
    EXPECT_EQ(store->m_saveCounter, 1);
}

TEST_F(PeriodicSaveTest, TickFilesAreWritten) {
    store->m_saveTxt = store->m_save1nm = store->m_saveBmp = true;
    store->m_running = true;
    prompt.saveAnswers = {path("auto")};
    PeriodicSave saver(*store, prompt);
    saver.start();
    const auto files = saver.tick();
    writePeriodicFiles(*store, prompt, files, [] { return RgbImage{2, 1, {1, 2, 3, 4, 5, 6}}; });
    EXPECT_EQ(readAll(path("auto_S1_1_.txt")), spectrumFileText(*store));
    EXPECT_EQ(readAll(path("auto_S3_1_.txt")), oneNmFileText(*store));
    EXPECT_EQ(readAll(path("auto_S2_1_.bmp")).substr(0, 2), "BM");
}

}  // namespace
}  // namespace halden
