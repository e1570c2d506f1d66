#include <fstream>

#include "record/html_query.h"
#include "record/report.h"
#include "record_fixture.h"

namespace tvx::record {
namespace {

using testing::Dir;

// The one-line file of earlier builds reads as the name; a name set later keeps the address.
TEST(Workshop, TheNameFileOfEarlierBuildsStillReadsAndTheAddressIsKept) {
    Dir dir;
    std::ofstream(dir.path() / kWorkshopFileName) << "Usta Oto\r\n";
    EXPECT_EQ(readWorkshop(dir.path()).name, "Usta Oto");
    EXPECT_EQ(readWorkshop(dir.path()).address, "");
    ASSERT_TRUE(writeWorkshop(dir.path(), {"Usta Oto", "Sanayi 12\nIzmit", "555", {}}));
    ASSERT_TRUE(writeWorkshopName(dir.path(), "Usta Oto Servis"));
    const Workshop read = readWorkshop(dir.path());
    EXPECT_EQ(read.name, "Usta Oto Servis");
    EXPECT_EQ(read.address, "Sanayi 12 Izmit");
    EXPECT_EQ(read.phone, "555");
    EXPECT_TRUE(read.logo.empty());
}

TEST(Workshop, ALogoIsCopiedInAndHeadsTheReport) {
    Dir dir;
    const auto picture = dir.path() / "Logo.PNG";
    std::ofstream(picture, std::ios::binary) << "\x89PNG\r\n";
    EXPECT_NE(setWorkshopLogo(dir.path(), dir.path() / "logo.gif").find("PNG or JPEG"),
              std::string::npos);
    EXPECT_NE(setWorkshopLogo(dir.path(), dir.path() / "none.png").find("there is no picture"),
              std::string::npos);
    ASSERT_EQ(setWorkshopLogo(dir.path(), picture), "");
    const Workshop workshop = readWorkshop(dir.path());
    EXPECT_EQ(workshop.logo, dir.path() / "workshop-logo.png");

    auto record = testing::openOrFail(dir.db());
    const auto visit = record->beginVisit({1000, false, "KA 1.3", false, "en"});
    const auto report = buildReport(*record, visit, workshop);
    const testing::Html html(reportHtml(*report, ReportLanguage::English));
    const auto sources = html.texts("//img/@src");
    ASSERT_EQ(sources.size(), 1u);
    EXPECT_EQ(sources[0].rfind("file://", 0), 0u) << sources[0];
    EXPECT_NE(sources[0].find("workshop-logo.png"), std::string::npos) << sources[0];
}

}  // namespace
}  // namespace tvx::record
