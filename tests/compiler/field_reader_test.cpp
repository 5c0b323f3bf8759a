#include "compiler/field_reader.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compiler/runtime_failure.hpp"

namespace borgo::compiler {
namespace {

// Reads a document as a sequence of fields, each either text ('t') or a
// 32-bit number ('n'), and renders what it got as "text|42|...".
std::string read_as(std::string_view document, std::string_view shape) {
  FieldReader reader(document);
  std::string got;
  for (char kind : shape) {
    if (!got.empty()) got += '|';
    if (kind == 't') {
      got += std::string(reader.read_text());
    } else {
      got += std::to_string(reader.read_i32());
    }
  }
  if (reader.at_end()) got += "|<end>";
  return got;
}

TEST(FieldReader, SplitsFieldsAsTheDocumentsFormatDoes) {
  struct Case {
    const char* name;
    std::string_view document;
    std::string_view shape;
    std::string_view expected;
  };
  const Case cases[] = {
      {"comma and line end delimit", "key,  12,  -3\r\nnext\r\n", "tnnt", "key|12|-3|next|<end>"},
      {"lone LF and lone CR end lines", "a\nb\rc\r\n", "ttt", "a|b|c|<end>"},
      {"blanks separate numbers", "orologio,    14              25            30 \r\nx\r\n",
       "tnnnt", "orologio|14|25|30|x|<end>"},
      {"a row split over lines", "k\r\n5\r\n6\r\n", "tnn", "k|5|6|<end>"},
      {"a comma before a line end leaves an empty field", "k,\r\n5\r\n", "tnn", "k|0|5|<end>"},
      {"several rows on one line", "a, 1, b, 2\r\n", "tntn", "a|1|b|2|<end>"},
      {"empty numeric fields read 0", "k,  1,  ,  ,  4\r\n", "tnnnn", "k|1|0|0|4|<end>"},
      {"decimal comma splits a number", "pendenza,  1250,   -4,5\r\n", "tnnt",
       "pendenza|1250|-4|5|<end>"},
      {"text keeps inner blanks, loses trailing ones", "  (  Cippo  )(Km 28+000)  ,x\r\n", "tt",
       "(  Cippo  )(Km 28+000)|x|<end>"},
      {"quoted text keeps commas", "\"a, b\"  ,c\r\n", "tt", "a, b|c|<end>"},
      {"an empty line is one empty field", "a\r\n\r\nb\r\n", "ttt", "a||b|<end>"},
      {"a blank line is one empty field", "a\r\n   \r\nb\r\n", "ttt", "a||b|<end>"},
      {"a last field without line end", "a,7", "tn", "a|7|<end>"},
      {"a plus sign is accepted", "+7,x\r\n", "nt", "7|x|<end>"},
      {"32-bit limits", "2147483647,-2147483648\r\n", "nn", "2147483647|-2147483648|<end>"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(read_as(c.document, c.shape), c.expected) << c.name;
  }
}

TEST(FieldReader, FailsOnWhatCannotBeRead) {
  struct Case {
    const char* name;
    std::string_view document;
    std::string_view shape;
  };
  const Case cases[] = {
      {"reading at the end", "a\r\n", "tt"},
      {"reading an empty document", "", "t"},
      {"reading after trailing blanks at the end", "a\r\n   ", "tt"},
      {"text in a numeric field", "abc\r\n", "n"},
      {"a tab makes a number text", "12\t\r\n", "n"},
      {"digits then letters", "12ab\r\n", "n"},
      {"a lone minus", "-\r\n", "n"},
      {"a decimal point", "4.5\r\n", "n"},
      {"above 32 bits", "2147483648\r\n", "n"},
      {"below 32 bits", "-2147483649\r\n", "n"},
      {"far above 64 bits", "99999999999999999999999999\r\n", "n"},
  };
  for (const Case& c : cases) {
    EXPECT_THROW(read_as(c.document, c.shape), RuntimeFailure) << c.name;
  }
}

TEST(FieldReader, AFailingNumberWithATabSaysATabIsNoBlank) {
  struct Case {
    const char* name;
    std::string_view document;
    const char* says;
    bool tab_note;
  };
  const Case cases[] = {
      {"a tab before the number", "\t12\r\n", "in a numeric field", true},
      {"a tab after the number", "12\t\r\n", "in a numeric field", true},
      {"a tab between two numbers", "8\t15\r\n", "in a numeric field", true},
      {"a tab after a number too large", "99999999999\t\r\n", "too large", true},
      {"letters", "12ab\r\n", "in a numeric field", false},
      {"a number too large", "2147483648\r\n", "too large", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FieldReader reader(c.document);
    try {
      (void)reader.read_i32();
      ADD_FAILURE() << "no failure";
    } catch (const RuntimeFailure& failure) {
      const std::string what = failure.what();
      EXPECT_NE(what.find(c.says), std::string::npos) << what;
      EXPECT_EQ(what.find("a tab is not a blank here") != std::string::npos, c.tab_note) << what;
    }
  }
}

TEST(FieldReader, NarrowFieldsFailOutsideTheirRange) {
  struct Case {
    std::string_view document;
    bool as_u8;
    bool fails;
  };
  const Case cases[] = {
      {"255", true, false},    {"256", true, true},    {"-1", true, true},
      {"32767", false, false}, {"32768", false, true}, {"-32768", false, false},
      {"-32769", false, true}, {"", true, false},
  };
  for (const Case& c : cases) {
    const std::string document = std::string(c.document) + "\r\n";
    FieldReader reader(document);
    const auto read = [&] { c.as_u8 ? (void)reader.read_u8() : (void)reader.read_i16(); };
    if (c.fails) {
      EXPECT_THROW(read(), RuntimeFailure) << c.document;
    } else {
      EXPECT_NO_THROW(read()) << c.document;
    }
  }
}

TEST(FieldReader, KnowsTheLineAndColumnOfEveryField) {
  FieldReader reader("first,  22\r\n\r\n  third\nx, \"q\r\nq\", last\r\n");
  const std::vector<FieldLocation> expected = {{1, 1}, {1, 9}, {2, 1}, {3, 3},
                                               {4, 1}, {4, 4}, {5, 5}};
  for (std::size_t i = 0; i < expected.size(); ++i) {
    (void)reader.read_text();
    EXPECT_EQ(reader.last_field(), expected[i]) << "field " << i;
  }
  EXPECT_TRUE(reader.at_end());
}

TEST(FieldReader, TellsWhetherANumberEndedAtAComma) {
  FieldReader reader("-4,5\r\n7 \r\n");
  EXPECT_EQ(reader.read_i32(), -4);
  EXPECT_TRUE(reader.last_number_ended_at_comma());
  EXPECT_EQ(reader.read_i32(), 5);
  EXPECT_FALSE(reader.last_number_ended_at_comma());
  EXPECT_EQ(reader.read_i32(), 7);
  EXPECT_FALSE(reader.last_number_ended_at_comma());
}

}  // namespace
}  // namespace borgo::compiler
