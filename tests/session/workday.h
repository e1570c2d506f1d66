#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <string>

#include "common/recording_view.h"
#include "session/session.h"
#include "session_fixture.h"

namespace tvx::session::testing {

// What the day's walk needs: the session, what it shows, its data directory and a look
// into the simulated injector unit.
struct Rig {
    Session& session;
    RecordingView& view;
    const TempDir& dir;
    std::function<std::array<std::uint8_t, 8>(int)> injectorCode;
};

inline void settleRig(Session& session, int maxSteps = 400) {
    for (int i = 0; i < maxSteps && !session.isWaiting(); ++i) {
        session.step();
    }
    ASSERT_TRUE(session.isWaiting()) << "state " << session.state();
}

// Texts the walk expects, by language.
struct DayTexts {
    std::string selectCom, carType, plug, selectEcu, readingDtcs, notFound, ignitionOff, pleaseWait,
        ignitionOn, selectInjector, areYouSure, finished;
    std::string liveCaption, firstCode;
};

inline DayTexts dayTexts(char language) {
    if (language == '2') {
        return {" COM PORT VE DiL SECiNiZ",
                "  ARAC TiPiNi SECiNiZ   ",
                " KESTRON 7340 U ARACIN  ",
                "     BEYiN SECiNiZ      ",
                " ARIZA KODLARI OKUNUYOR ",
                " ARACINIZDA KAYITLI BiR ",
                "    KONTAK ANAHTARINI   ",
                "    LUTFEN BEKLEYiNiZ   ",
                "    KONTAK ANAHTARINI   ",
                " ENJEKTOR SECIN VE YENI ",
                "  ENJEKTORLER YENiDEN   ",
                "  ENJEKTOR PROGRAMLAMA  ",
                "Sensörler",
                "P0087 Yakit sistemi basinci cok dusuk"};
    }
    return {" SELECT COM AND LANGUAGE",
            "  SELECT THE CAR TYPE   ",
            " CONNECT KESTRON 7340 TO",
            "     SELECT THE ECU     ",
            "      READING DTCS      ",
            "      DTC NOT FOUND     ",
            " TURN THE IGNITION KEY  ",
            "      PLEASE WAIT       ",
            " TURN THE IGNITION KEY  ",
            " SELECT INJECTOR AND    ",
            "   INJECTORS WILL BE    ",
            "  PROGRAMMING FINISHED  ",
            "Live data",
            "P0087 Fuel rail pressure too low"};
}

inline void writeCatalogues(const TempDir& dir) {
    dir.write("DTC5820EN.txt", "P0087;Fuel rail pressure too low\nP0401;EGR flow insufficient\n");
    dir.write("DTC5820TR.txt", "P0087;Yakit sistemi basinci cok dusuk\nP0401;EGR akisi yetersiz\n");
}

// A mechanic's day with the diesel van "FOCUS 1.8 TDCI": first start, settings, vehicle,
// connection, engine live data, trouble codes read and cleared, the cluster, and the
// injector codes read, one reprogrammed and read back.
inline void walkTheDay(Rig rig, char language) {
    Session& s = rig.session;
    RecordingView& v = rig.view;
    const DayTexts t = dayTexts(language);
    writeCatalogues(rig.dir);

    // First start: no settings yet.
    settleRig(s);
    ASSERT_EQ(s.state(), State::SettingsScreen);
    EXPECT_EQ(v.lines[0], " SELECT COM AND LANGUAGE");  // the language is not chosen yet
    s.selectCom(2);
    s.selectLanguage(language == '2' ? 1 : 0);
    s.ok();
    settleRig(s);
    ASSERT_EQ(s.state(), State::CarTypeWait);
    EXPECT_EQ(rig.dir.read("tarvol.txt"), textLines({"3", std::string(1, language)}));
    EXPECT_EQ(v.lines[0], t.carType);
    EXPECT_EQ(v.captions["live"], t.liveCaption);

    // The vehicle, the box, the connection.
    s.selectDiesel(4);
    s.ok();
    settleRig(s);
    EXPECT_EQ(v.lines[0], t.plug);
    s.ok();
    settleRig(s);
    ASSERT_EQ(s.state(), State::ModuleMenu);
    EXPECT_EQ(v.lines[0], t.selectEcu);
    EXPECT_TRUE(v.enabled("ICU"));

    // Engine live data: the diesel page of this model.
    s.selectModule(Module::Pcm);
    s.live();
    for (int tick = 0; tick < 4; ++tick) {
        s.step();
    }
    EXPECT_EQ(s.state(), State::DieselFullPoll);
    EXPECT_TRUE(v.panel("Frame71"));
    for (const char* gauge : {"rpmd", "frpd", "batd", "chdd", "cppd", "VSSd"}) {
        EXPECT_FALSE(v.gauge(gauge).empty()) << gauge;
    }
    s.back();
    settleRig(s);
    s.ok();
    settleRig(s);
    ASSERT_EQ(s.state(), State::ModuleMenu);

    // Trouble codes: read, clear, read again.
    s.selectModule(Module::Pcm);
    s.readDtc();
    EXPECT_EQ(v.lines[0], t.readingDtcs);
    settleRig(s);
    EXPECT_EQ(v.gridRows[1], t.firstCode);
    EXPECT_FALSE(v.gridRows[3].empty());
    s.clearDtc();
    settleRig(s);
    v.lineLog.clear();
    s.readDtc();
    settleRig(s);
    EXPECT_NE(std::find(v.lineLog.begin(), v.lineLog.end(), std::make_pair(1, t.notFound)),
              v.lineLog.end());
    EXPECT_EQ(v.gridRows[1], "");

    // The cluster.
    s.selectModule(Module::Cluster);
    s.live();
    s.step();
    s.step();
    EXPECT_EQ(s.state(), State::ClusterPoll);
    EXPECT_FALSE(v.gauge("kmd").empty());
    EXPECT_FALSE(v.gauge("flid").empty());
    s.back();
    settleRig(s);
    s.ok();
    settleRig(s);
    ASSERT_EQ(s.state(), State::ModuleMenu);

    // Injector codes: read, reprogram the injector of the third panel, read back.
    s.selectModule(Module::Icu);
    s.readInjectors();
    settleRig(s);
    ASSERT_EQ(s.state(), State::OfferProgramming);
    const std::string before3 = s.InjectorCode[3];
    EXPECT_EQ(v.gauge("edis3"), before3);
    s.programInjectors();
    settleRig(s);
    EXPECT_EQ(v.lines[0], t.ignitionOff);
    s.ok();
    settleRig(s);
    EXPECT_EQ(v.lines[0], t.ignitionOn);
    s.ok();
    settleRig(s);
    ASSERT_EQ(s.state(), State::EntryWait);
    EXPECT_EQ(v.lines[0], t.selectInjector);
    s.injectorPanelClick(3);
    s.injectorOk(3, "c0ffee00deadbeef");
    s.ok();
    settleRig(s);
    EXPECT_EQ(v.lines[0], t.areYouSure);
    s.ok();
    settleRig(s);
    ASSERT_EQ(s.state(), State::IgnitionOffAfterWait);
    EXPECT_EQ(rig.injectorCode(3),
              (std::array<std::uint8_t, 8>{0xC0, 0xFF, 0xEE, 0x00, 0xDE, 0xAD, 0xBE, 0xEF}));
    s.ok();
    settleRig(s);
    s.ok();
    settleRig(s);
    ASSERT_EQ(s.state(), State::FinishedWait);
    EXPECT_EQ(v.lines[0], t.finished);
    s.ok();
    settleRig(s);
    ASSERT_EQ(s.state(), State::ModuleMenu);

    s.selectModule(Module::Icu);
    s.readInjectors();
    settleRig(s);
    EXPECT_EQ(s.InjectorCode[3], "C0FFEE00DEADBEEF");
    EXPECT_NE(s.InjectorCode[3], before3);
}

}  // namespace tvx::session::testing
