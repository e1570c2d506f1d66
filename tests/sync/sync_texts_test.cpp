#include <gtest/gtest.h>

#include "sync/sync_texts.h"

namespace tvx::sync {
namespace {

// What the window's field and `sync setup` take as the server: a bare word names a service
// of pg_service.conf; anything libpq reads as a string or URI goes as it is.
struct EntryCase {
    const char* entered;
    const char* conninfo;
};

class ServerEntry : public ::testing::TestWithParam<EntryCase> {};

TEST_P(ServerEntry, BecomesTheConnectionString) {
    EXPECT_EQ(conninfoFromEntry(GetParam().entered), GetParam().conninfo);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, ServerEntry,
    ::testing::Values(EntryCase{"tvx", "service=tvx"},
                      EntryCase{"  tvx-north\t", "service=tvx-north"},
                      EntryCase{"service=tvx", "service=tvx"},
                      EntryCase{" host=db dbname=tvx user=bay_n1 ",
                                "host=db dbname=tvx user=bay_n1"},
                      EntryCase{"postgresql://bay_n1@db/tvx", "postgresql://bay_n1@db/tvx"},
                      EntryCase{"postgres://db", "postgres://db"}, EntryCase{"   ", ""}));

}  // namespace
}  // namespace tvx::sync
