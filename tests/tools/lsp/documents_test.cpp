// The server's documents: URIs, descriptions by their file names, the text
// the compile reads, and which documents compile together.
#include "tools/lsp/documents.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/files.hpp"
#include "tests/support/scratch_folder.hpp"
#include "tools/shared/text_encoding.hpp"

namespace borgo::tools::lsp {
namespace {

namespace fs = std::filesystem;
using compiler::Document;

#ifndef _WIN32
TEST(LspDocuments, FileUrisNameTheirPaths) {
  struct Case {
    const char* uri;
    std::optional<std::string> path;
  };
  const Case cases[] = {
      {"file:///tmp/a/Borgo_Mar_TX%20903-.txt", "/tmp/a/Borgo_Mar_TX 903-.txt"},
      {"FILE:///tmp/Citt%C3%A0_linea.txt", "/tmp/Citt\xC3\xA0_linea.txt"},
      {"file://localhost/tmp/x", "/tmp/x"},
      {"file:///tmp/x?query#part", "/tmp/x"},
      {"file://server/share/x", std::nullopt},
      {"file:///tmp/%zz", std::nullopt},
      {"file:///tmp/%2", std::nullopt},
      {"file:///tmp/%00", std::nullopt},
      {"untitled:Untitled-1", std::nullopt},
      {"file:", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.uri);
    const std::optional<fs::path> path = path_of_uri(c.uri);
    ASSERT_EQ(path.has_value(), c.path.has_value());
    if (path) {
      EXPECT_EQ(path->string(), *c.path);
    }
  }
}
#endif

TEST(LspDocuments, UrisOfFilesBesideAnother) {
  EXPECT_EQ(uri_beside("file:///d/Borgo_Mar_linea.txt", "Borgo_Mar_TX 903-.txt"),
            "file:///d/Borgo_Mar_TX%20903-.txt");
  EXPECT_EQ(file_name_of_uri("file:///d/Borgo_Mar_TX%20903-.txt"), "Borgo_Mar_TX 903-.txt");
  EXPECT_EQ(file_name_of_uri(uri_beside("file:///c%3A/d/x.txt", "Citt\xC3\xA0 #1_linea.txt")),
            "Citt\xC3\xA0 #1_linea.txt");
}

TEST(LspDocuments, DescriptionsAreKnownByTheirNames) {
  using N = DescriptionName;
  struct Case {
    const char* file_name;
    std::vector<N> names;
  };
  const Case cases[] = {
      {"Borgo_Mar_linea.txt", {{Document::kLineDescription, "Borgo_Mar", ""}}},
      {"Costa_R 12-.txt", {{Document::kTrainDescription, "Costa", "R 12"}}},
      {"Borgo_Mar_TX 903-.txt",
       {{Document::kTrainDescription, "Borgo", "Mar_TX 903"},
        {Document::kTrainDescription, "Borgo_Mar", "TX 903"}}},
      {"_linea.txt", {}},
      {"Costa_-.txt", {}},
      {"Costa-.txt", {}},
      {"notes.txt", {}},
      {"Costa_linea.TXT", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file_name);
    EXPECT_EQ(description_names(c.file_name), c.names);
    for (const N& name : c.names) EXPECT_EQ(file_name_of(name), c.file_name);
  }
}

TEST(LspDocuments, TextKeepsOneByteForEachCharacter) {
  // à is held by Windows-1252, the emoji is not: it becomes one "?".
  const DocumentText buffer = buffer_text("Citt\xC3\xA0 \xF0\x9F\x98\x80x\r\n");
  EXPECT_EQ(buffer.bytes, "Citt\xE0 ?x\r\n");
  EXPECT_EQ(buffer.unheld, 1u);
  EXPECT_EQ(buffer.first_unheld, 6u);
  EXPECT_EQ(buffer.counted, Counted::kCharacters);

  const DocumentText windows = disk_text("Citt\xE0\r\n");
  EXPECT_EQ(windows.text, "Citt\xC3\xA0\r\n");
  EXPECT_EQ(windows.counted, Counted::kCharacters);
  // A document saved as UTF-8 is read as it is, and counted in bytes.
  const DocumentText utf8 = disk_text("Citt\xC3\xA0\r\n");
  EXPECT_EQ(utf8.text, utf8.bytes);
  EXPECT_EQ(utf8.counted, Counted::kBytes);
}

// A document that would take the open buffers past a limit is not kept; one
// that grows past it is closed; the others stay as they were.
TEST(LspDocuments, KeepsTheOpenBuffersWithinTheirLimits) {
  enum class Step { kOpen, kChange, kClose };
  struct Case {
    Step step;
    const char* uri;
    std::size_t bytes;
    int done;  // open: 1 kept, 0 refused; change: a Documents::Change
    std::vector<std::string> open_after;
  };
  using Change = Documents::Change;
  const auto changed = [](Change c) { return static_cast<int>(c); };
  struct Session {
    const char* name;
    DocumentLimits limits;
    std::vector<Case> steps;
  };
  const Session sessions[] = {
      {"by number",
       {.most_documents = 2, .most_bytes = 100},
       {{Step::kOpen, "a", 1, 1, {"a"}},
        {Step::kOpen, "b", 1, 1, {"a", "b"}},
        {Step::kOpen, "c", 1, 0, {"a", "b"}},
        {Step::kOpen, "a", 2, 1, {"a", "b"}},  // opened again: replaced
        {Step::kChange, "c", 1, changed(Change::kNotOpen), {"a", "b"}},
        {Step::kClose, "a", 0, 1, {"b"}},
        {Step::kOpen, "c", 1, 1, {"b", "c"}}}},
      {"by bytes",
       {.most_documents = 10, .most_bytes = 10},
       {{Step::kOpen, "a", 5, 1, {"a"}},
        {Step::kOpen, "b", 6, 0, {"a"}},
        {Step::kOpen, "b", 5, 1, {"a", "b"}},
        {Step::kOpen, "b", 4, 1, {"a", "b"}},
        {Step::kChange, "a", 6, changed(Change::kChanged), {"a", "b"}},
        {Step::kChange, "a", 7, changed(Change::kTooLarge), {"b"}},
        {Step::kOpen, "a", 6, 1, {"a", "b"}},
        {Step::kOpen, "c", 1, 0, {"a", "b"}},
        {Step::kClose, "b", 0, 1, {"a"}},
        {Step::kOpen, "c", 4, 1, {"a", "c"}}}},
  };
  for (const Session& session : sessions) {
    SCOPED_TRACE(session.name);
    Documents documents(session.limits);
    int version = 0;
    for (const Case& c : session.steps) {
      SCOPED_TRACE(std::string(c.uri) + " step " + std::to_string(++version));
      const std::string uri = std::string("file:///d/") + c.uri;
      const std::string text(c.bytes, 'x');
      switch (c.step) {
        case Step::kOpen:
          EXPECT_EQ(documents.open(uri, text, version), c.done == 1);
          break;
        case Step::kChange:
          EXPECT_EQ(changed(documents.change(uri, text, version)), c.done);
          break;
        case Step::kClose:
          EXPECT_EQ(documents.close(uri), c.done == 1);
          break;
      }
      std::vector<std::string> open;
      for (const auto& [name, document] : documents.open_documents()) {
        open.push_back(name.substr(name.rfind('/') + 1));
      }
      EXPECT_EQ(open, c.open_after);
      // What is kept is what the editor sent last.
      if (c.step != Step::kClose && documents.find(uri) != nullptr) {
        EXPECT_EQ(documents.find(uri)->text.text, text);
      }
    }
  }
}

#ifndef _WIN32
std::string uri_of(const fs::path& path) { return "file://" + path.string(); }

TEST(LspDocuments, PairsALineWithItsTrains) {
  borgo::testing::ScratchFolder folder;
  const fs::path dir = folder.path();
  for (const char* name : {"Costa_linea.txt", "Costa_R 12-.txt", "Costa_R 14-.txt",
                           "Altra_R 12-.txt", "Costa_linea.dat"}) {
    borgo::testing::spit(dir / name, "[generale]\r\n");
  }
  Documents documents;
  const std::string line_uri = uri_of(dir / "Costa_linea.txt");
  documents.open(line_uri, "[generale]\r\n", 1);
  // No train open: each train of the line on disk.
  std::vector<Pairing> pairings = documents.pairings_of(*documents.find(line_uri));
  ASSERT_EQ(pairings.size(), 2u);
  EXPECT_EQ(pairings[0].train->train, "R 12");
  EXPECT_EQ(pairings[1].train->train, "R 14");
  EXPECT_EQ(file_name_of_uri(pairings[1].train_uri), "Costa_R 14-.txt");

  // Trains opened: the last one opened.
  const std::string r14 = uri_beside(line_uri, "Costa_R 14-.txt");
  const std::string r12 = uri_beside(line_uri, "Costa_R 12-.txt");
  documents.open(r14, "", 1);
  documents.open(r12, "", 1);
  pairings = documents.pairings_of(*documents.find(line_uri));
  ASSERT_EQ(pairings.size(), 1u);
  EXPECT_EQ(pairings[0].train_uri, r12);
  documents.close(r12);
  EXPECT_EQ(documents.pairings_of(*documents.find(line_uri))[0].train_uri, r14);

  // A train finds its line, open or on disk; the open buffer wins.
  pairings = documents.pairings_of(*documents.find(r14));
  ASSERT_EQ(pairings.size(), 1u);
  EXPECT_EQ(pairings[0].line_uri, line_uri);
  documents.change(line_uri, "unsaved", 2);
  EXPECT_EQ(documents.text_at(pairings[0].line_path)->bytes, "unsaved");
  documents.close(line_uri);
  EXPECT_EQ(documents.text_at(pairings[0].line_path)->bytes, "[generale]\r\n");

  // A line without a train on disk: one compile, without one.
  borgo::testing::ScratchFolder alone;
  const std::string lone = uri_of(alone.path() / "Sola_linea.txt");
  documents.open(lone, "", 1);
  pairings = documents.pairings_of(*documents.find(lone));
  ASSERT_EQ(pairings.size(), 1u);
  EXPECT_FALSE(pairings[0].train);
  // Not a description: nothing to compile.
  documents.open(uri_of(dir / "notes.txt"), "", 1);
  EXPECT_TRUE(documents.pairings_of(*documents.find(uri_of(dir / "notes.txt"))).empty());
}

TEST(LspDocuments, ATrainWhoseNameSplitsTwoWaysTakesTheLineThatIsThere) {
  borgo::testing::ScratchFolder folder;
  borgo::testing::spit(folder / "Borgo_Mar_linea.txt", "");
  Documents documents;
  const std::string train = uri_of(folder.path() / "Borgo_Mar_TX 903-.txt");
  documents.open(train, "", 1);
  const std::vector<Pairing> pairings = documents.pairings_of(*documents.find(train));
  ASSERT_EQ(pairings.size(), 1u);
  EXPECT_EQ(pairings[0].line.line, "Borgo_Mar");
  EXPECT_EQ(pairings[0].train->train, "TX 903");
}
#endif

}  // namespace
}  // namespace borgo::tools::lsp
