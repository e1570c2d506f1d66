#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "keeper/record_keeper.h"
#include "record_fixture.h"
#include "session/session_fixture.h"

namespace tvx::session::testing {

// A session on the simulated car with its record keeper, as the programs wire them. The
// writer's notices reach `notices` on the test's thread (its events and flush()), as the
// command-line tester has them.
struct Recorded {
    explicit Recorded(const std::string& vehicle, RecordKeeper::Options options = {})
        : bench(vehicle),
          keeper(bench.dir.path(), onTheSessionThread(std::move(options)),
                 [this](const std::string& text) { notices.push_back(text); }) {
        bench.session.addListener(keeper);
        bench.session.setProgrammingGuard(&keeper);
        for (const char* name : {"DTC5820EN.txt", "DTC5820TR.txt"}) {
            std::filesystem::copy_file(std::filesystem::path(TVX_CATALOGUE_DIR) / name,
                                       bench.dir.path() / name);
        }
    }
    ~Recorded() { bench.session.removeListener(keeper); }
    // The record as another program sees it, once everything is written.
    std::unique_ptr<record::Record> reader() {
        keeper.flush();
        return record::testing::openOrFail(keeper.path(),
                                           {record::Database::Mode::ReadOnly, 1000, 0});
    }
    void readAndClear(Module module) {
        bench.session.selectModule(module);
        for (auto command : {&Session::readDtc, &Session::clearDtc, &Session::readDtc}) {
            (bench.session.*command)();
            bench.settle();
        }
    }

    static RecordKeeper::Options onTheSessionThread(RecordKeeper::Options options) {
        options.noticesOnSessionThread = true;
        return options;
    }
    // How many notices contain `text`.
    int said(const std::string& text) const {
        int count = 0;
        for (const std::string& notice : notices) {
            count += notice.find(text) != std::string::npos ? 1 : 0;
        }
        return count;
    }

    Bench bench;
    std::vector<std::string> notices;
    RecordKeeper keeper;
};

}  // namespace tvx::session::testing
