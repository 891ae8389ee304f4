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
        oldCwd_ = std::filesystem::current_path();
        dir_ = std::filesystem::temp_directory_path() /
               ("halden_files_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        std::filesystem::current_path(dir_);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(dir_.string()));
        store = std::make_unique<SpectrumStore>();
    }
    void TearDown() override {
        std::filesystem::current_path(oldCwd_);
        std::filesystem::remove_all(dir_);
    }

    std::string path(const std::string& name) const { return (dir_ / name).string(); }

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
    std::filesystem::path oldCwd_, dir_;
};

}  // namespace halden::test
