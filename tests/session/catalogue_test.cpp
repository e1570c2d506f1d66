#include <gtest/gtest.h>

#include "datadir/catalogue.h"
#include "link/injector_codes.h"
#include "session_fixture.h"

namespace tvx::session {
namespace {

using testing::TempDir;

class CatalogueLookup : public ::testing::Test {
protected:
    std::optional<std::string> find(const std::string& content, std::string_view code) {
        dir_.write("DTC5820EN.txt", content);
        auto catalogue = Catalogue::open(cataloguePath(dir_.path(), '1'));
        EXPECT_TRUE(catalogue.has_value());
        return catalogue ? catalogue->find(code) : std::nullopt;
    }
    TempDir dir_;
};

TEST_F(CatalogueLookup, TheSeparatorIsShownAsABlank) {
    EXPECT_EQ(find("P0100xMass air flow\n", "P0100"), "P0100 Mass air flow");
}

TEST_F(CatalogueLookup, TheFirstMatchingLineWins) {
    EXPECT_EQ(find("P0100;first\nP0100;second\n", "P0100"), "P0100 first");
}

TEST_F(CatalogueLookup, ComparisonIsOnBytesAndCaseSensitive) {
    EXPECT_EQ(find("p0a00 lower\nP0A00 upper\n", "P0A00"), "P0A00 upper");
    EXPECT_EQ(find("p0a00 lower\n", "P0A00"), std::nullopt);
}

TEST_F(CatalogueLookup, LinesNotBeginningWithTheCodeAreNeverMatched) {
    EXPECT_EQ(find("# P0100 comment\n P0100 indented\nP010\n", "P0100"), std::nullopt);
}

TEST_F(CatalogueLookup, LinesOfAnyLengthAndWindowsLineEnds) {
    const std::string longText(20000, 'x');
    EXPECT_EQ(find(std::string(70000, '#') + "\r\nP0300-" + longText + "\r\n", "P0300"),
              "P0300 " + longText);
}

TEST_F(CatalogueLookup, RowsAreUtf8WithoutControlCharactersWhateverTheFileHolds) {
    // UTF-8 stays; a multi-byte separator becomes one blank.
    EXPECT_EQ(find("P0100\u2013Kav\u015fak \u0131s\u0131s\u0131\n", "P0100"),
              "P0100 Kav\u015fak \u0131s\u0131s\u0131");
    // A line saved in the Turkish Windows code page is shown in its letters.
    EXPECT_EQ(find("P0200 Ya\xfe \xdd\xe7 \xf0\x80\n", "P0200"),
              "P0200 Ya\u015f \u0130\u00e7 \u011f\u20ac");
    // A NUL, a tab or an escape sequence would disturb the grid or a terminal.
    EXPECT_EQ(find(std::string("P0300 a\0b\tc\x1b[2J\xc2\x9b\n", 18), "P0300"), "P0300 a b c [2J ");
}

// A catalogue saved as UTF-8 by an editor that writes a byte-order mark keeps its first code.
TEST_F(CatalogueLookup, AByteOrderMarkBeforeTheFirstLineIsNoPartOfIt) {
    EXPECT_EQ(find("\xEF\xBB\xBFP0100 first\nP0200 second\n", "P0100"), "P0100 first");
    EXPECT_EQ(find("\xEF\xBB\xBFP0100 first\nP0200 second\n", "P0200"), "P0200 second");
    EXPECT_EQ(find("P0100 first\n\xEF\xBB\xBFP0200 second\n", "P0200"), std::nullopt);
}

TEST_F(CatalogueLookup, EveryLookupStartsFromTheTop) {
    dir_.write("DTC5820EN.txt", "P0300 misfire\nP0100 air\n");
    auto catalogue = Catalogue::open(cataloguePath(dir_.path(), '1'));
    ASSERT_TRUE(catalogue);
    EXPECT_EQ(catalogue->find("P0100"), "P0100 air");
    EXPECT_EQ(catalogue->find("P0300"), "P0300 misfire");
    EXPECT_EQ(catalogue->find("P0999"), std::nullopt);
    EXPECT_EQ(catalogue->find("P0300"), "P0300 misfire");
}

TEST(CatalogueFiles, OneFilePerLanguageAndAMissingFileDoesNotOpen) {
    TempDir dir;
    EXPECT_EQ(cataloguePath(dir.path(), '1').filename(), "DTC5820EN.txt");
    EXPECT_EQ(cataloguePath(dir.path(), '2').filename(), "DTC5820TR.txt");
    EXPECT_FALSE(Catalogue::open(cataloguePath(dir.path(), '2')).has_value());
    std::filesystem::create_directories(cataloguePath(dir.path(), '1'));
    EXPECT_FALSE(Catalogue::open(cataloguePath(dir.path(), '1')).has_value());
    EXPECT_EQ(undefinedCodeRow("U0123", '1'), "U0123 UNDEFINED DTC           ");
    EXPECT_EQ(undefinedCodeRow("U0123", '2'), "U0123 TANIMSIZ ARIZA KODU     ");
}

struct CodeCase {
    const char* slot;
    CodeProblem problem;
};

class InjectorCodeCheck : public ::testing::TestWithParam<CodeCase> {};

TEST_P(InjectorCodeCheck, OnlySixteenHexDigitsPass) {
    EXPECT_EQ(checkInjectorCode(GetParam().slot).problem, GetParam().problem) << GetParam().slot;
}

INSTANTIATE_TEST_SUITE_P(Slots, InjectorCodeCheck,
                         ::testing::Values(CodeCase{"0123456789ABCDEF", CodeProblem::None},
                                           CodeCase{"0123456789abcdef", CodeProblem::None},
                                           CodeCase{"----------------", CodeProblem::NotRead},
                                           CodeCase{"0123456789ABCDE", CodeProblem::TooShort},
                                           CodeCase{"", CodeProblem::TooShort},
                                           CodeCase{"0123456789ABCDEF0", CodeProblem::TooLong},
                                           CodeCase{"0123456789ABCDEG", CodeProblem::BadCharacter},
                                           CodeCase{"0123 56789ABCDEF", CodeProblem::BadCharacter},
                                           CodeCase{"01234567-9ABCDEF", CodeProblem::BadCharacter},
                                           CodeCase{"--", CodeProblem::BadCharacter}));

TEST(InjectorCodes, LowerCaseCountsAsItsUpperCaseValue) {
    const CodeCheck lower = checkInjectorCode("a1b2c3d4e5f60718");
    const CodeCheck upper = checkInjectorCode("A1B2C3D4E5F60718");
    EXPECT_EQ(lower.bytes, upper.bytes);
    EXPECT_EQ(lower.bytes[0], 0xA1);
    EXPECT_EQ(lower.bytes[7], 0x18);
}

TEST(InjectorCodes, BytesBecomeUpperCaseHexHighNibbleFirst) {
    EXPECT_EQ(injectorCodeText({0x00, 0x0F, 0xF0, 0xAB, 0x12, 0x9C, 0xDE, 0xFF}),
              "000FF0AB129CDEFF");
}

TEST(InjectorCodes, AddressesStepDownByFourAcrossByteBorders) {
    using A = std::array<std::uint8_t, 3>;
    EXPECT_EQ(previousBlockAddress(A{0x0A, 0x1F, 0x40}), (A{0x0A, 0x1F, 0x3C}));
    EXPECT_EQ(previousBlockAddress(A{0x01, 0x00, 0x02}), (A{0x00, 0xFF, 0xFE}));
    EXPECT_EQ(previousBlockAddress(A{0x00, 0x00, 0x00}), (A{0xFF, 0xFF, 0xFC}));
}

TEST(InjectorCodes, ReadPairsBelongToInjectorsFourDownToOne) {
    // Reads 1, 2 are injector 4 (read 2 the first half) ... reads 7, 8 injector 1.
    EXPECT_EQ(firstHalfRead(4), 2);
    EXPECT_EQ(secondHalfRead(4), 1);
    EXPECT_EQ(firstHalfRead(1), 8);
    EXPECT_EQ(secondHalfRead(1), 7);
    EXPECT_EQ(injectorLabelNumber(2), 3);
    EXPECT_EQ(injectorLabelNumber(4), 2);
}

}  // namespace
}  // namespace tvx::session
