// Shared fixture of the file tests: a fresh store, a prompt recorder, and a
// private working folder (also the current directory and the profile folder).
#pragma once

#include <gtest/gtest.h>

#include <QSettings>
#include <QString>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "spectrum/SpectrumStore.h"
#include "support/PromptRecorder.h"

namespace halden::test {

class FilesFixture : public ::testing::Test {
protected:
    void SetUp() override {
        m_oldCwd = std::filesystem::current_path();
        m_dir = std::filesystem::temp_directory_path() /
               ("halden_files_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
        std::filesystem::current_path(m_dir);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(m_dir.string()));
        store = std::make_unique<SpectrumStore>();
    }
    void TearDown() override {
        std::filesystem::current_path(m_oldCwd);
        std::filesystem::remove_all(m_dir);
    }

    std::string path(const std::string& name) const { return (m_dir / name).string(); }

    static std::string readAll(const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static void writeAll(const std::string& p, const std::string& bytes) {
        std::ofstream out(p, std::ios::binary);
        out << bytes;
    }

    std::unique_ptr<SpectrumStore> store;
    PromptRecorder prompt;

private:
    std::filesystem::path m_oldCwd, m_dir;
};

}  // namespace halden::test
