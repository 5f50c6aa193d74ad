#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Formatsettings.h"
#include "tests/platform/rtl/TestTmp.h"

#include <gtest/gtest.h>

namespace {

TEST(Format, IntegersTextsAndWidths) {
  FormatSettingsGuard guard;
  EXPECT_EQ(Format("%d items", {42}), "42 items");
  EXPECT_EQ(Format("[%5d][%-5d][%.3d][%.3d]", {7, 7, 7, -7}), "[    7][7    ][007][-007]");
  // A leading 0 is a width, not a fill: the zone offset format pads with precision.
  EXPECT_EQ(Format(" %0.2d%0.2d", {5, 30}), " 0530");
  EXPECT_EQ(Format("[%02d]", {5}), "[ 5]");
  EXPECT_EQ(Format("%x %X %.4x", {255, 255, 10}), "FF FF 000A");
  EXPECT_EQ(Format("%x", {-1}), "FFFFFFFF");
  EXPECT_EQ(Format("%u", {-1}), "4294967295");
  EXPECT_EQ(Format("%d", {int64_t(-9000000000)}), "-9000000000");
  EXPECT_EQ(Format("%s|%.2s|%6s|%-6s|", {"abc", "abc", "abc", "abc"}), "abc|ab|   abc|abc   |");
  EXPECT_EQ(Format("%*d|%-*d|%.*d", {4, 1, 3, 2, 3, 3}), "   1|2  |003");
  EXPECT_EQ(Format("%1:s %0:s %s", {"a", "b"}), "b a b");
  EXPECT_EQ(Format("100%%", {}), "100%");
  EXPECT_EQ(Format("%s", {std::string("std")}), "std");
  EXPECT_EQ(Format("%s", {'c'}), "c");
  EXPECT_EQ(Format("Socket Error # %d\r\n%s", {10061, "Connection refused."}),
            "Socket Error # 10061\r\nConnection refused.");
  EXPECT_EQ(Format("%.2f %.*f %f", {3.14159, 1, 2.25, 1.0}), "3.14 2.3 1.00");
  EXPECT_EQ(Format("%e", {1234.5}), "1.23450000000000E+003");
  EXPECT_EQ(Format("%g|%g", {0.5, 1e20}), "0.5|1E020");
  EXPECT_EQ(Format("%n", {1234567.891}), "1,234,567.89");
  EXPECT_EQ(Format("%m", {-5.5}), "($5.50)");
  DecimalSeparator = ',';
  ThousandSeparator = ' ';
  EXPECT_EQ(Format("%.1f|%n", {2.5, 1234.5}), "2,5|1 234,50");
}

TEST(Format, RefusesBadSpecifiers) {
  auto message = [](const std::string& fmt, std::initializer_list<TVarRec> args) {
    try {
      Format(fmt, args);
    } catch (const EConvertError& e) {
      return e.Message();
    }
    return std::string("no exception");
  };
  EXPECT_EQ(message("%d", {"text"}), "Format '%d' invalid or incompatible with argument");
  EXPECT_EQ(message("%s", {1}), "Format '%s' invalid or incompatible with argument");
  EXPECT_EQ(message("%f", {1}), "Format '%f' invalid or incompatible with argument");
  EXPECT_EQ(message("%d %d", {1}), "No argument for format '%d %d'");
  EXPECT_EQ(message("%q", {1}), "Format '%q' invalid or incompatible with argument");
  EXPECT_EQ(message("50%", {}), "Format '50%' invalid or incompatible with argument");
  EXPECT_EQ(message("%999999999999d", {1}), "Format '%999999999999d' invalid or incompatible with argument");
}

}  // namespace
