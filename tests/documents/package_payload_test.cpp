// The scenario a package program carries at the end of its file: what goes
// in comes out, and a payload that is not as its writer left it is refused
// with the reason.
#include "documents/package_payload.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "documents/documents.hpp"
#include "tests/support/files.hpp"
#include "tests/support/hand_made_payload.hpp"
#include "tests/support/scratch_folder.hpp"

namespace borgo::documents {
namespace {

// Stands for the generic program's own bytes.
const std::string kProgram = std::string(
                                 "\x7f"
                                 "ELF") +
                             std::string(300, '\0') + "program end";

std::string rendered(const Scenario& scenario, DocumentKind kind) {
  const LineTable* table = scenario.document(kind);
  return table != nullptr ? render_lines(*table) : "<none>";
}

TEST(PackagePayload, CarriesTheNamesAndTheDocumentsByteForByte) {
  const Scenario& embedded = embedded_scenario();
  const std::unique_ptr<Package> package = read_package(kProgram + make_payload(embedded));
  const Scenario& read = package->scenario();
  EXPECT_EQ(read.line_name, "Borgo_Mar");
  EXPECT_EQ(read.train_name, "TX 903");
  for (const DocumentKind kind : kDocumentKinds) {
    SCOPED_TRACE(std::string(document_title(kind)));
    EXPECT_EQ(rendered(read, kind), rendered(embedded, kind));
  }
}

TEST(PackagePayload, KeepsAServiceDocumentMissingAndAnEmptyOneEmpty) {
  constexpr LineTable kLine = make_line_table("[generale]\r\n");
  constexpr LineTable kTrain = make_line_table("[fine]\r\n");
  constexpr LineTable kEmpty = make_line_table("");
  const Scenario scenario{.line_name = "Citt\xE0",
                          .train_name = "R 12",
                          .documents = {&kLine, &kTrain, nullptr, &kEmpty, nullptr}};
  const std::unique_ptr<Package> package = read_package(kProgram + make_payload(scenario));
  const Scenario& read = package->scenario();
  EXPECT_EQ(read.line_name, "Citt\xE0");
  EXPECT_EQ(rendered(read, DocumentKind::kLineDescription), "[generale]\r\n");
  EXPECT_EQ(rendered(read, DocumentKind::kTrainDescription), "[fine]\r\n");
  EXPECT_EQ(read.document(DocumentKind::kNotes), nullptr);
  EXPECT_EQ(rendered(read, DocumentKind::kSlowDownOrder), "");
  EXPECT_EQ(read.document(DocumentKind::kTrainSheet), nullptr);
}

// The published check value of CRC-32: a package made by one build is read
// by another.
TEST(PackagePayload, ChecksumIsCrc32) { EXPECT_EQ(payload_checksum("123456789"), 0xCBF43926u); }

TEST(PackagePayload, IsNotMadeForANameThatCannotNameFilesOrWithoutADescription) {
  constexpr LineTable kDocument = make_line_table("[fine]\r\n");
  const Scenario cases[] = {
      {.line_name = "a/b", .train_name = "T", .documents = {&kDocument, &kDocument}},
      {.line_name = "L", .train_name = "", .documents = {&kDocument, &kDocument}},
      {.line_name = "L", .train_name = "T", .documents = {&kDocument, nullptr}},
  };
  for (const Scenario& scenario : cases) {
    EXPECT_THROW(make_payload(scenario), std::invalid_argument) << scenario.line_name;
  }
}

using HandMade = testing::HandMadePayload;
using testing::ScratchFolder;

// That `read` finds the package damaged for `reason`.
template <typename Read>
void expect_damaged(Read read, const std::string& reason) {
  try {
    read();
    ADD_FAILURE() << "read without a fault";
  } catch (const PackageDamaged& damage) {
    EXPECT_NE(std::string(damage.what()).find(reason), std::string::npos) << damage.what();
  }
}

// The longest file name a package program makes is its slow-down order's,
// "<line>_<train>_rallentamenti.txt": 19 bytes more than the two names.
TEST(PackagePayload, TakesNamesOnlyAsLongAsTheFileNamesTheyMakeCanBe) {
  constexpr LineTable kDocument = make_line_table("[fine]\r\n");
  struct Case {
    std::size_t line;
    std::size_t train;
    std::size_t longest;  // the longest file name they make
  };
  const Case cases[] = {
      {200, 36, 255},  {200, 37, 256}, {1, 236, 256},
      {240, 6, 265},   {245, 1, 265},  // the line description's name, 255 bytes, fits
      {255, 255, 529},
  };
  for (const Case& c : cases) {
    const std::string line(c.line, 'L');
    const std::string train(c.train, 'T');
    SCOPED_TRACE(std::to_string(c.line) + " and " + std::to_string(c.train) + " bytes");
    const Scenario scenario{
        .line_name = line, .train_name = train, .documents = {&kDocument, &kDocument}};
    HandMade made;
    made.line = line;
    made.train = train;
    if (c.longest <= kLongestFileName) {
      EXPECT_EQ(package_file_name_fault(line, train), std::nullopt);
      EXPECT_EQ(read_package(kProgram + make_payload(scenario))->scenario().line_name, line);
      EXPECT_EQ(read_package(made.after(kProgram))->scenario().train_name, train);
      continue;
    }
    const std::string reason = "make a file name " + std::to_string(c.longest) + " bytes long";
    EXPECT_NE(package_file_name_fault(line, train).value_or("").find(reason), std::string::npos);
    try {
      make_payload(scenario);
      ADD_FAILURE() << "packed";
    } catch (const std::invalid_argument& refused) {
      EXPECT_NE(std::string(refused.what()).find(reason), std::string::npos) << refused.what();
    }
    expect_damaged([&] { return read_package(made.after(kProgram)); },
                   "the line and train names " + reason);
  }
}

TEST(PackagePayload, AHandMadePayloadReads) {
  const std::unique_ptr<Package> package = read_package(HandMade().after(kProgram));
  EXPECT_EQ(package->scenario().line_name, "L");
  EXPECT_EQ(rendered(package->scenario(), DocumentKind::kTrainDescription), "[fine]\r\n");
}

TEST(PackagePayload, RefusesWhatIsNotAsItsWriterLeftIt) {
  const std::string good = HandMade().after(kProgram);
  const std::size_t payload_end = good.size() - kTrailerSize;
  const auto with = [](auto change) {
    HandMade made;
    change(made);
    return made.after(kProgram);
  };
  struct Case {
    const char* name;
    std::string bytes;
    const char* reason;
  };
  std::string flipped = good;
  flipped[payload_end - 8] ^= 0x20;  // in the train description
  std::string size_past_start = good;
  size_past_start[payload_end + 3] = 0x7f;  // the trailer's size, now near 2 GB
  const Case cases[] = {
      {"a program without a payload", kProgram, "carries no scenario"},
      {"nothing at all", "", "carries no scenario"},
      {"truncated at the end", good.substr(0, good.size() - 1), "carries no scenario"},
      {"truncated in the middle",
       good.substr(0, kProgram.size() + 3) + good.substr(kProgram.size() + 20), "checksum"},
      {"a flipped byte", flipped, "checksum"},
      {"a trailer size past the start of the file", size_past_start, "cannot hold"},
      {"a trailer size smaller than a checksum",
       kProgram + std::string("\x02\x00\x00\x00", 4) + std::string(kPayloadMagic), "cannot hold"},
      {"a document size past the end", with([](HandMade& m) { m.train_size = 1000; }), "add up to"},
      {"a document size of nearly 4 GB", with([](HandMade& m) { m.train_size = 0xFFFFFFF0u; }),
       "add up to"},
      {"a name with a path separator", with([](HandMade& m) { m.train = "..\\T"; }),
       "the train name holds '\\'"},
      {"a name with a slash", with([](HandMade& m) { m.line = "../L"; }),
       "the line name holds '/'"},
      {"an empty name", with([](HandMade& m) { m.line.clear(); }), "the line name is empty"},
      {"names that make a file name too long",
       with([](HandMade& m) { m.line = std::string(240, 'L'); }), "make a file name 260 bytes"},
      {"a missing description", with([](HandMade& m) { m.documents[0].reset(); }),
       "the line description is missing"},
      {"a document not made of CR LF lines", with([](HandMade& m) { m.documents[2] = "note\n"; }),
       "the notes has a line feed"},
      {"a document with the end marker",
       with([](HandMade& m) { m.documents[4] = "a\r\nriferimento fine del file\r\nb\r\n"; }),
       "end marker (line 2)"},
  };
  ScratchFolder folder;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::spit(folder / "program", c.bytes);
    expect_damaged([&] { return read_package(c.bytes); }, c.reason);
    expect_damaged([&] { return read_package_file(folder / "program"); }, c.reason);
  }
}

// A program file of a gigabyte, nearly all of it a hole that costs no disk:
// read from its end, whatever its size and whatever its trailer claims.
TEST(PackagePayload, IsReadFromTheEndOfALargeFile) {
  constexpr std::uint64_t kPayloadAt = 1ull << 30;
  const auto trailer = [](std::uint32_t size) {
    std::string bytes;
    for (int i = 0; i < 4; ++i) bytes += static_cast<char>(size >> (8 * i) & 0xff);
    return bytes + std::string(kPayloadMagic);
  };
  const std::string payload = HandMade().after("");
  ScratchFolder folder;
  testing::spit_around_hole(folder / "program", kProgram, kPayloadAt, payload);
  const std::unique_ptr<Package> package = read_package_file(folder / "program");
  EXPECT_EQ(package->scenario().line_name, "L");
  EXPECT_EQ(rendered(package->scenario(), DocumentKind::kTrainDescription), "[fine]\r\n");

  struct Case {
    const char* name;
    std::string tail;
    const char* reason;
  };
  const Case cases[] = {
      {"a trailer size of nearly 4 GB", trailer(0xFFFFFFF0u), "which its file cannot hold"},
      {"a trailer size the file holds, past the largest payload", trailer(kLargestPayload + 1),
       "more than a package carries"},
      {"a trailer size the file holds, of zeros", trailer(1000), "checksum"},
      {"no trailer", "SCENPAK2", "carries no scenario"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::spit_around_hole(folder / "program", kProgram, kPayloadAt, c.tail);
    expect_damaged([&] { return read_package_file(folder / "program"); }, c.reason);
  }
}

}  // namespace
}  // namespace borgo::documents
