#include <gtest/gtest.h>

#include "session_fixture.h"
#include "workday.h"

namespace tvx::session {
namespace {

using testing::Bench;

class Workday : public ::testing::TestWithParam<char> {};

TEST_P(Workday, FromFirstStartToInjectorProgramming) {
    Bench bench("diesel-van");
    testing::walkTheDay(
        {bench.session, bench.view, bench.dir, [&](int n) { return bench.box.injectorCode(n); }},
        GetParam());
}

INSTANTIATE_TEST_SUITE_P(Languages, Workday, ::testing::Values('1', '2'), [](const auto& info) {
    return std::string(info.param == '2' ? "Turkish" : "English");
});

TEST(LostLine, AnUnpluggedBoxGivesARedScreenAndNoHang) {
    Bench bench;
    bench.startToModuleMenu(false, 0);
    bench.session.selectModule(Module::Pcm);
    bench.session.live();
    bench.steps(3);
    ASSERT_EQ(bench.session.state(), State::PetrolKaPoll);
    bench.box.addFault(sim::Fault::lineClosed());
    bench.settle();
    EXPECT_EQ(bench.session.state(), State::CarSilentWait);
    EXPECT_EQ(bench.view.lines[0], "  LINE TO THE BOX LOST  ");
    EXPECT_EQ(bench.view.colour, kRed);
    EXPECT_TRUE(bench.view.enabled("BACK"));

    // Still unplugged: the next connection says so again instead of waiting forever.
    bench.session.back();
    bench.settle();
    bench.session.ok();
    bench.settle();
    EXPECT_EQ(bench.session.state(), State::CarSilentWait);
    EXPECT_EQ(bench.view.lines[0], "  LINE TO THE BOX LOST  ");
}

TEST(LostLine, DuringAModuleButtonToo) {
    Bench bench;
    bench.startToModuleMenu(false, 0, '2');
    bench.box.addFault(sim::Fault::lineClosed());
    bench.session.selectModule(Module::Abs);
    EXPECT_EQ(bench.session.state(), State::CarSilentWait);
    EXPECT_EQ(bench.view.lines[0], "  KUTU BAGLANTISI KOPTU ");
}

}  // namespace
}  // namespace tvx::session
