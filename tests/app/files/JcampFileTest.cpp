// JCAMP-DX files written by hand to the format's rules, as other programs
// write them, and the save dialog's question before a file is replaced.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "FilesFixture.h"
#include "files/JcampFile.h"
#include "files/SaveDialog.h"
#include "files/SpectrumFiles.h"
#include "spectrum/StoredCurves.h"

namespace halden {
namespace {

// An (X++(Y..Y)) table with scaling factors, comments, signs as separators
// and a blank-separated continuation of the title's value.
constexpr const char* kTableFile =
    "##TITLE=Holmium oxide filter $$ a comment\r\n"
    "##JCAMP-DX=5.01\r\n"
    "##DATA TYPE=UV/VIS SPECTRUM\r\n"
    "##ORIGIN=by hand\r\n"
    "##OWNER=public domain\r\n"
    "##XUNITS=NANOMETERS\r\n"
    "##YUNITS=ABSORBANCE\r\n"
    "##XFACTOR=0.5\r\n"
    "##YFACTOR=0.001\r\n"
    "##FIRSTX=400\r\n"
    "##LASTX=404.5\r\n"
    "##NPOINTS=10\r\n"
    "##FIRSTY=0.1\r\n"
    "##XYDATA=(X++(Y..Y))\r\n"
    "800 100 200 300 400 500\r\n"
    "805 600+700+800 900,1000 $$ signs as separators, and a comma\r\n"
    "##END=\r\n";

constexpr const char* kPointsFile =
    "##TITLE=Two peaks\n"
    "##JCAMP-DX=4.24\n"
    "##DATA TYPE=RAMAN SPECTRUM\n"
    "##XUNITS=1/CM\n"
    "##YUNITS=ARBITRARY UNITS\n"
    "##$LASER_NM=785\n"
    "##XYPOINTS=(XY..XY)\n"
    "100, 1.5; 200, 2.5\n"
    "300,3.5E+01 400 ?\n"
    "500, -4e-1\n"
    "##END=\n";

TEST(JcampFile, HandWrittenTableAndPointsFilesRead)
{
    const JcampFile table = parseJcamp(kTableFile);
    ASSERT_TRUE(table.ok()) << table.error;
    ASSERT_EQ(table.blocks.size(), 1u);
    const JcampBlock& t = table.blocks[0];
    EXPECT_EQ(t.title, "Holmium oxide filter");
    EXPECT_EQ(t.label("Data-Type"), "UV/VIS SPECTRUM");  // names compare as the format says
    ASSERT_EQ(t.x.size(), 10u);
    for (int i = 0; i < 10; ++i) {
        EXPECT_DOUBLE_EQ(t.x[i], 400 + 0.5 * i) << i;
        EXPECT_DOUBLE_EQ(t.y[i], 0.1 * (i + 1)) << i;
    }

    const JcampFile points = parseJcamp(kPointsFile);
    ASSERT_TRUE(points.ok()) << points.error;
    const JcampBlock& p = points.blocks[0];
    EXPECT_EQ(p.label("$LASER_NM"), "785");
    // The pair with a missing value is left out.
    EXPECT_EQ(p.x, (std::vector<double>{100, 200, 300, 500}));
    EXPECT_EQ(p.y, (std::vector<double>{1.5, 2.5, 35, -0.4}));
}

TEST(JcampFile, WhatCannotBeReadIsRefusedWithTheReason)
{
    // Compressed ordinates (SQZ digits, DIF, DUP).
    const std::string squeezed = std::string(kTableFile).replace(std::string(kTableFile).find("800 100 200"), 11,
                                                                 "800A00J00K0");
    EXPECT_NE(parseJcamp(squeezed).error.find("compressed"), std::string::npos);
    EXPECT_NE(parseJcamp("##TITLE=x\n##XYDATA=(X++(R..R))\n1 2\n##END=\n").error.find("(X++(R..R))"),
              std::string::npos);
    EXPECT_NE(parseJcamp("##TITLE=x\n##XYDATA=(X++(Y..Y))\n1 2\n##END=\n").error.find("NPOINTS"), std::string::npos);
    EXPECT_NE(parseJcamp("##TITLE=x\n##PEAKTABLE=(XY..XY)\n1, 2\n##END=\n").error.find("no spectrum"),
              std::string::npos);
    EXPECT_FALSE(parseJcamp("##TITLE=x\n##XYPOINTS=(XY..XY)\n1, 2x\n##END=\n").ok());
}

class JcampLoadTest : public test::FilesFixture {};

TEST_F(JcampLoadTest, OpenAddsEachBlockAsANamedCurveAndRefusesWithAMessage)
{
    std::ofstream(path("filter.dx"), std::ios::binary) << kTableFile;
    std::ofstream(path("bad.jdx"), std::ios::binary) << "##TITLE=x\n##XYDATA=(X++(Y..Y))\n##END=\n";
    const std::string link = std::string("##TITLE=pair\n##JCAMP-DX=5.01\n##DATA TYPE=LINK\n##BLOCKS=2\n") +
                             kPointsFile + kPointsFile + "##END=\n";
    std::ofstream(path("pair.txt"), std::ios::binary) << link;  // found by its first label, whatever its name

    ASSERT_EQ(loadSpectrumFile(*store, prompt, path("filter.dx")), SpectrumLoad::Loaded);
    const StoredCurves table(*store);
    ASSERT_EQ(table.size(), 2);
    EXPECT_EQ(table[1].name, "filter.dx");
    EXPECT_DOUBLE_EQ(table[1].x[9], 404.5);

    ASSERT_EQ(loadSpectrumFile(*store, prompt, path("pair.txt")), SpectrumLoad::Loaded);
    EXPECT_EQ(StoredCurves(*store).size(), 4);
    EXPECT_EQ(StoredCurves(*store)[3].name, "pair.txt (Two peaks)");
    EXPECT_TRUE(prompt.messages().empty());

    EXPECT_EQ(loadSpectrumFile(*store, prompt, path("bad.jdx")), SpectrumLoad::Refused);
    ASSERT_EQ(prompt.messages().size(), 1u);
    EXPECT_EQ(prompt.messages()[0].text.rfind("The JCAMP-DX file was not loaded: ", 0), 0u);
    EXPECT_EQ(StoredCurves(*store).size(), 4);

    // As a reference on a live grid of 0.25 nm: interpolated between its points.
    store->m_lastPoint = 18;
    for (int i = 0; i <= 18; ++i) store->m_wavelength[i] = 400.0 + 0.25 * i;
    ASSERT_EQ(loadReferenceFile(*store, prompt, path("filter.dx")), SpectrumLoad::Loaded);
    EXPECT_DOUBLE_EQ(store->m_reference[17], 0.95);
    EXPECT_DOUBLE_EQ(store->m_reference[18], 1.0);
}

TEST_F(JcampLoadTest, SaveDialogAsksBeforeReplacingAFileOfTheFinalName)
{
    std::ofstream(path("lamp.txt")) << "old";
    std::filesystem::create_directory(path("folder.txt"));
    // "lamp" becomes lamp.txt, which exists: asked; Cancel returns to the
    // dialog, where "new" is free; a folder of the name is not asked about
    // (the writer refuses it).
    prompt.saveAnswers = {path("lamp"), path("new"), path("lamp.txt"), path("folder")};
    prompt.okCancelAnswers = {false, true};
    EXPECT_EQ(askSavePath(prompt, ".txt"), path("new.txt"));
    EXPECT_EQ(askSavePath(prompt, ".txt"), path("lamp.txt"));
    EXPECT_EQ(askSavePath(prompt, ".txt"), path("folder.txt"));
    int questions = 0;
    for (const auto& e : prompt.entries)
        if (e.kind == "okcancel") {
            ++questions;
            EXPECT_EQ(e.text, path("lamp.txt") + " already exists.\nDo you want to replace it?");
            EXPECT_EQ(e.caption, "Request");
        }
    EXPECT_EQ(questions, 2);
    EXPECT_FALSE(askSavePath(prompt, ".txt")) << "Cancel";
    EXPECT_EQ(savedFilesText({"/d/lamp.txt", "/d/lamp.txt_CRI_data.txt"}), "Saved /d/lamp.txt and lamp.txt_CRI_data.txt");
}

}  // namespace
}  // namespace halden
