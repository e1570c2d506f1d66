// The whole day once more, over the real POSIX serial port and a pseudo-terminal served by
// the simulated box; the session's pauses run on virtual time, the line in real time.

#include <gtest/gtest.h>

#include "link/posix_serial_port.h"
#include "sim/pty_server.h"
#include "workday.h"

namespace tvx::session {
namespace {

TEST(PtyWorkday, FromFirstStartToInjectorProgramming) {
    sim::PtyServer server(sim::vehicleScenario("diesel-van"), {});
    std::string error;
    ASSERT_TRUE(server.open(error)) << error;
    server.start();
    link::PosixSerialPort port(server.devicePath());
    link::VirtualClock clock;
    link::Link link(port, clock);
    link::Requests requests(link);
    RecordingView view;
    testing::TempDir dir;
    CodeJournal journal(dir.path());
    Session session(link, requests, clock, view, dir.path());
    session.setProgrammingGuard(&journal);
    testing::walkTheDay(
        {session, view, dir,
         [&](int n) { return server.withBox([n](sim::Box& box) { return box.injectorCode(n); }); }},
        '1');
    // Every exchange went over the terminal: the box saw the day's requests.
    EXPECT_GT(server.withBox([](sim::Box& box) { return box.requests().size(); }), 100u);
    EXPECT_EQ(port.deviceName(), server.devicePath());
    server.stop();
}

}  // namespace
}  // namespace tvx::session
