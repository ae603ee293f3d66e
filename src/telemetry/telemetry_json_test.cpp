#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "telemetry/event_document.hpp"
#include "telemetry/json_writer.hpp"
#include "telemetry/test/telemetry_test_support.hpp"

namespace corvald::telemetry {
namespace {

std::string string_field(std::string_view value) {
  std::string out;
  write_json_string_field(out, "k", value, true);
  return out;
}

std::string double_text(double value) {
  std::string out;
  append_json_double(out, value);
  return out;
}

TEST(TelemetryJson, StringFieldEscapesEachRowOfTheTable) {
  using namespace std::string_literals;
  EXPECT_EQ(string_field("a\tb"), R"("k":"a\tb")");
  EXPECT_EQ(string_field("a\nb"), R"("k":"a\nb")");
  EXPECT_EQ(string_field("a\rb"), R"("k":"a\rb")");
  EXPECT_EQ(string_field("say \"hi\""), R"("k":"say \"hi\"")");
  EXPECT_EQ(string_field("C:\\dir"), R"("k":"C:\\dir")");
  // The other controls have no short form, not even \b and \f.
  EXPECT_EQ(string_field("\x01\x08\x0c\x1f"s), R"("k":"\u0001\u0008\u000c\u001f")");
  EXPECT_EQ(string_field("a\0b"s), R"("k":"a\u0000b")");
  // The rest passes through byte for byte.
  EXPECT_EQ(string_field("/ \x7f é 😀 ~"), "\"k\":\"/ \x7f é 😀 ~\"");
}

TEST(TelemetryJson, QuoteBackslashTabAndU0001TogetherAsInAPropertyValue) {
  EXPECT_EQ(string_field("\"\\\t\x01"), R"("k":"\"\\\t\u0001")");
}

TEST(TelemetryJson, BytesThatAreNotUtf8BecomeReplacementCharacters) {
  // A lone continuation byte and a truncated sequence; the valid character after survives.
  EXPECT_EQ(string_field("a\x80"
                         "b\xC3"),
            "\"k\":\"a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD\"");
  EXPECT_EQ(string_field("\xE2\x82"
                         "é"),
            "\"k\":\"\xEF\xBF\xBD\xEF\xBF\xBD"
            "é\"");
}

TEST(TelemetryJson, FieldsJoinWithCommasAndKeysAreNotEscaped) {
  std::string out = "{";
  write_json_string_field(out, "first", "1", true);
  write_json_string_field(out, "we\"ird", "2", false);
  write_json_number_field(out, "n", 18446744073709551615u);
  write_json_number_field(out, "z", 0);
  out += "}";
  EXPECT_EQ(out, R"({"first":"1","we"ird":"2","n":18446744073709551615,"z":0})");
}

TEST(TelemetryJson, DoublesUseTheShortestRoundTripFixedForm) {
  EXPECT_EQ(double_text(0.1), "0.1");
  EXPECT_EQ(double_text(1.0), "1");
  EXPECT_EQ(double_text(-2.5), "-2.5");
  EXPECT_EQ(double_text(0.1 + 0.2), "0.30000000000000004");
  EXPECT_EQ(double_text(1e21), "1000000000000000000000");
  EXPECT_EQ(double_text(1e-7), "0.0000001");
  EXPECT_EQ(double_text(0.0), "0");

  for (const double v :
       {std::numeric_limits<double>::max(), std::numeric_limits<double>::denorm_min(),
        -123456.789e100, 6.02214076e23}) {
    const std::string text = double_text(v);
    EXPECT_EQ(text.find_first_of("eE"), std::string::npos) << text;
    EXPECT_EQ(std::strtod(text.c_str(), nullptr), v) << text;
  }
}

// "0." followed by `zeros` zeros and then `digits`: the tiny values of the table below.
std::string small(std::size_t zeros, std::string_view digits) {
  return "0." + std::string(zeros, '0') + std::string(digits);
}

// The texts the service has been receiving, taken from the library's shortest fixed form and
// pinned here so that any other formatter has to write them byte for byte. Whole numbers come
// out with every digit of the exact binary value (1e23 is not 1 followed by zeros), fractions
// with the fewest digits that read back; around the powers of two the interval of values that
// read back is lopsided, and beyond 2^53 no double has a fraction.
TEST(TelemetryJson, DoubleTextsAreTheShortestRoundTripFixedFormByteForByte) {
  const struct {
    double value;
    std::string text;
  } table[] = {
      {0.0, "0"},
      {-0.0, "-0"},
      {1.0, "1"},
      {-7.0, "-7"},
      {0.1, "0.1"},
      {-2.5, "-2.5"},
      {0.1 + 0.2, "0.30000000000000004"},
      {1.0 / 3, "0.3333333333333333"},
      {2.0 / 3, "0.6666666666666666"},
      {4.35, "4.35"},
      {123.456, "123.456"},
      {1e-7, small(6, "1")},
      {1.5e-7, small(6, "15")},
      {1e-6, small(5, "1")},
      {2.5e-5, small(4, "25")},
      {0.001, small(2, "1")},
      {0x1p-20, small(6, "95367431640625")},
      {0x1p-25, small(7, "29802322387695312")},
      {0x1p-44, small(13, "5684341886080802")},
      {1e15, "1000000000000000"},
      {1e16, "10000000000000000"},
      {1e17, "100000000000000000"},
      {4503599627370495.5, "4503599627370495.5"},
      {4503599627370497.0, "4503599627370497"},
      {9007199254740991.0, "9007199254740991"},
      {9007199254740992.0, "9007199254740992"},
      {9007199254740994.0, "9007199254740994"},
      {123456789012345678.0, "123456789012345680"},
      {0x1p60, "1152921504606846976"},
      {1e21, "1000000000000000000000"},
      {1e22, "10000000000000000000000"},
      {1e23, "99999999999999991611392"},
      {1.2345678901234567e20, "123456789012345667584"},
      {6.02214076e23, "602214075999999987023872"},
      {-123456.789e100,
       "-12345678900000000015374691687915689957999932726542189954597308530799278106442541756333"
       "10245325180065808384"},
      {std::numeric_limits<double>::max(),
       "17976931348623157081452742373170435679807056752584499659891747680315726078002853876058"
       "95586327668781715404589535143824642343213268894641827684675467035375169860499105765512"
       "82076245490090389328944075868508455133942304583236903222948165808559332123348274797826"
       "204144723168738177180919299881250404026184124858368"},
      {std::numeric_limits<double>::min(), small(307, "22250738585072014")},
      {2.2250738585072009e-308, small(307, "2225073858507201")},  // the largest subnormal
      {std::numeric_limits<double>::denorm_min(), small(323, "5")},
      {-std::numeric_limits<double>::denorm_min(), "-" + small(323, "5")},
      {1e-300, small(299, "1")},
  };
  for (const auto& row : table) {
    EXPECT_EQ(double_text(row.value), row.text) << std::hexfloat << row.value;
  }
}

TEST(TelemetryJson, NonFiniteDoublesKeepTheDocumentValid) {
  EXPECT_EQ(double_text(std::numeric_limits<double>::quiet_NaN()), "null");
  EXPECT_EQ(double_text(std::numeric_limits<double>::infinity()), "null");
  EXPECT_EQ(double_text(-std::numeric_limits<double>::infinity()), "null");
}

TEST(TelemetryEventDocument, FieldsComeInTheFixedOrderThenThePropertiesAsAdded) {
  TelemetryConfig config = testing::sample_config();
  TelemetryEvent event("download_completed");
  event.ts = 1788095247;
  event.add_u64("bytes", 18446744073709551615u)
      .add_i64("delta", -42)
      .add_i64("gain", 7)
      .add_f64("mbps", 12.5)
      .add_f64("whole", 3.0)
      .add_bool("resumed", true)
      .add_bool("cached", false)
      .add_text("path", "C:\\x \"y\"")
      .add_i64("min", std::numeric_limits<std::int64_t>::min())
      .add_error(StubError::network("connection reset"));

  EXPECT_EQ(event_json(event, config),
            R"({"event_name":"download_completed",)"
            R"("app_id":"{7A3C5E91-2B4D-4F60-8E17-C9D2B4A60315}","stub_version":"0.1.117",)"
            R"("session_id":"0b0e6c1e-3f57-4c2a-9a0d-6f1f2e3d4c5b",)"
            R"("client_id":"8d7c6b5a-4e3f-4a1b-8c2d-1e0f9a8b7c6d","os":"windows",)"
            R"("arch":"x86_64","locale":"de-DE","channel":"windows","ts":1788095247,)"
            R"("bytes":18446744073709551615,"delta":-42,"gain":7,"mbps":12.5,"whole":3,)"
            R"("resumed":true,"cached":false,"path":"C:\\x \"y\"",)"
            R"("min":-9223372036854775808,"error":"network error: connection reset"})");
}

TEST(TelemetryEventDocument, AnEventWithoutPropertiesEndsAfterTs) {
  TelemetryConfig config = testing::sample_config();
  config.locale = "en";
  const std::string json = event_json(TelemetryEvent("stub_already_running"), config);
  EXPECT_TRUE(json.starts_with(R"({"event_name":"stub_already_running","app_id":)")) << json;
  EXPECT_TRUE(json.ends_with(R"("locale":"en","channel":"windows","ts":0})")) << json;
}

}  // namespace
}  // namespace corvald::telemetry
