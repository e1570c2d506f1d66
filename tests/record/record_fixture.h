#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "record/record.h"

namespace tvx::record::testing {

// A fresh directory, removed afterwards.
class Dir {
public:
    Dir() {
        std::random_device seed;
        m_path = std::filesystem::temp_directory_path() /
                 ("tvx-record-" + std::to_string(seed()) + std::to_string(seed()));
        std::filesystem::create_directories(m_path);
    }
    ~Dir() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path db() const { return m_path / Record::kFileName; }

private:
    std::filesystem::path m_path;
};

inline std::unique_ptr<Record> openOrFail(const std::filesystem::path& path,
                                          const Record::Options& options = {}) {
    Record::Opened opened = Record::open(path, options);
    EXPECT_TRUE(opened.record) << opened.problem;
    return std::move(opened.record);
}

// A file's bytes, as they are on disk.
inline std::string contentOf(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline TroubleCode code(int value, const std::string& text, const std::string& description = "") {
    return {value, text, description};
}

inline CodeRead codeRead(int module, std::vector<TroubleCode> codes, std::int64_t at = 1000) {
    CodeRead read;
    read.module = module;
    read.at = at;
    read.ok = true;
    read.count = static_cast<int>(codes.size());
    read.codes = std::move(codes);
    return read;
}

}  // namespace tvx::record::testing
