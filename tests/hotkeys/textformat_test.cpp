#include "base/textformat.h"

#include <gtest/gtest.h>

#include <string>

namespace {
std::string Format(const char* format, std::initializer_list<FormatArg> args, std::size_t size = 256) {
  std::string out(size, '#');
  FormatUserText(&out[0], size, format, args.begin(), args.size());
  return out.c_str();
}
}  // namespace

TEST(FormatUserText, CarriesOutFittingConversions) {
  EXPECT_EQ(Format("(%s)\\n", {TextArg("brief.dtm")}), "(brief.dtm)\\n");
  EXPECT_EQ(Format("Fehler %d Taste %02X A%d C%d S%d", {IntArg(1409), IntArg(0x74), IntArg(1), IntArg(0), IntArg(0)}),
            "Fehler 1409 Taste 74 A1 C0 S0");
  EXPECT_EQ(Format("%s %s COM%d", {TextArg("Relivo"), TextArg("1.2"), IntArg(3)}), "Relivo 1.2 COM3");
  EXPECT_EQ(Format("%-5d|%5s|%x|%u|%c|%%", {IntArg(-3), TextArg("ab"), IntArg(255), IntArg(-1), IntArg('Q')}),
            "-3   |   ab|ff|4294967295|Q|%");
  EXPECT_EQ(Format("%ld %hd %lld", {IntArg(1), IntArg(2), IntArg(3)}), "1 2 3");
}

TEST(FormatUserText, MismatchedOrMissingArgumentsAreCopied) {
  EXPECT_EQ(Format("%s", {IntArg(5)}), "%s");
  EXPECT_EQ(Format("%d", {TextArg("x")}), "%d");
  EXPECT_EQ(Format("%d %d", {IntArg(7)}), "7 %d");
  EXPECT_EQ(Format("%n %p %f %*d", {IntArg(1)}), "%n %p %f %*d");
  EXPECT_EQ(Format("50%", {}), "50%");
  EXPECT_EQ(Format("HotKeyError", {IntArg(1)}), "HotKeyError");
  EXPECT_EQ(Format(nullptr, {}), "");
}

TEST(FormatUserText, HugeWidthsAreNotCarriedOut) {
  EXPECT_EQ(Format("%99999d", {IntArg(1)}), "%99999d");
  EXPECT_EQ(Format("%.99999s", {TextArg("a")}), "%.99999s");
  std::string r = Format("%512d", {IntArg(1)}, 600);
  EXPECT_EQ(r.size(), 512u);
}

TEST(FormatUserText, OutputIsCutAndTerminated) {
  EXPECT_EQ(Format("abcdef", {}, 4), "abc");
  EXPECT_EQ(Format("%s!", {TextArg("0123456789")}, 6), "01234");
  char one[1] = {'x'};
  EXPECT_EQ(FormatUserText(one, 1, "abc", nullptr, 0), 0u);
  EXPECT_EQ(one[0], '\0');
  EXPECT_EQ(Format("%s", {TextArg(nullptr)}), "");
}
