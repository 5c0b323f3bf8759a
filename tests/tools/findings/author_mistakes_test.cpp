// Each slip an author makes leads to the fix: the first diagnostic of its
// kind stands on the field at fault and says what to do.
#include "tests/tools/findings/author_mistakes.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "tests/tools/tool_fixture.hpp"
#include "tools/findings/scenario_compile.hpp"

namespace borgo::tools::testing {
namespace {

using compiler::Document;

const std::string kLineFile = kMistakeLineName + "_linea.txt";
const std::string kTrainFile = kMistakeLineName + "_" + kMistakeTrainName + "-.txt";

ScenarioNames mistake_names() {
  return {kMistakeLineName, kMistakeTrainName, kMistakeLineName, kMistakeTrainName};
}

struct Compiled {
  std::string diagnostics;
  DiagnosticCounts counts;
};

Compiled compiled(const std::pair<std::string, std::string>& documents) {
  std::ostringstream err;
  const CompileResult result = compile_documents(mistake_names(), {kLineFile, documents.first},
                                                 {kTrainFile, documents.second}, true, err);
  return {err.str(), result.counts};
}

std::string label_of(const std::string& code) {
  return !code.empty() && code[0] >= '0' && code[0] <= '9' ? "error " + code : "warning";
}

TEST(AuthorMistakes, TheCleanScenarioSaysNothing) {
  const Compiled clean = compiled(clean_documents());
  EXPECT_EQ(clean.diagnostics, "");
  EXPECT_TRUE(clean.counts.ignored_rows.empty());
}

TEST(AuthorMistakes, EachSlipLeadsToItsFix) {
  for (const AuthorMistake& mistake : author_mistakes()) {
    SCOPED_TRACE(mistake.name);
    const auto documents = with_mistake(mistake);
    ASSERT_FALSE(documents.first.empty()) << mistake.from;
    const Compiled result = compiled(documents);
    const std::vector<Diagnostic> found = diagnostics(result.diagnostics);
    ASSERT_FALSE(found.empty()) << result.diagnostics;
    // The slip's own diagnostic comes first of its kind.
    const Diagnostic* d = nullptr;
    for (const Diagnostic& each : found) {
      if (each.label == label_of(mistake.code)) {
        d = &each;
        break;
      }
    }
    ASSERT_NE(d, nullptr) << result.diagnostics;
    EXPECT_EQ(d->file, mistake.at_document == Document::kLineDescription ? kLineFile : kTrainFile);
    EXPECT_EQ(d->line, mistake.line) << d->message;
    EXPECT_EQ(d->column, mistake.column) << d->message;
    for (const std::string& words : mistake.words) {
      EXPECT_NE(d->message.find(words), std::string::npos) << words << "\n" << d->message;
    }
    // Only ignored rows are counted as such.
    EXPECT_EQ(result.counts.ignored_rows.empty(), mistake.code != "ignored-row");
  }
}

TEST(AuthorMistakes, EachMisspeltRowIsOneWarningAndNoneIsHidden) {
  // Twelve misspelt station rows: one warning each, on its key; past ten of
  // a kind a note counts the rest, and the summary counts every one.
  auto documents = clean_documents();
  std::string& train = documents.second;
  for (int i = 0; i < 12; ++i) {
    const std::size_t at = train.find("\r\nstazione,");
    ASSERT_NE(at, std::string::npos);
    train.replace(at, 11, "\r\nstazoine,");
  }
  const Compiled result = compiled(documents);
  const std::vector<Diagnostic> found = diagnostics(result.diagnostics);
  ASSERT_EQ(found.size(), 10u) << result.diagnostics;
  for (const Diagnostic& d : found) {
    EXPECT_EQ(d.column, 1);
    EXPECT_NE(d.message.find("did you mean \"stazione\"?"), std::string::npos) << d.message;
  }
  EXPECT_NE(result.diagnostics.find("note: 2 more warnings of this kind in this document are not "
                                    "shown"),
            std::string::npos)
      << result.diagnostics;
  EXPECT_EQ(summary_line(result.counts), "0 errors, 12 warnings, 12 ignored rows");
  ASSERT_EQ(result.counts.ignored_rows.size(), 12u);
  EXPECT_EQ(result.counts.ignored_rows.front(), kTrainFile + ":68: \"stazoine\"");
}

TEST(AuthorMistakes, ATabIsShownWideAndTheCaretStaysUnderItsField) {
  AuthorMistake tab;
  for (const AuthorMistake& mistake : author_mistakes()) {
    if (mistake.to.find('\t') != std::string::npos) tab = mistake;
  }
  ASSERT_FALSE(tab.to.empty());
  const std::vector<Diagnostic> found = diagnostics(compiled(with_mistake(tab)).diagnostics);
  ASSERT_FALSE(found.empty());
  const Diagnostic& d = found.back();
  const std::string source = d.source.substr(d.source.find(" | ") + 3);
  const std::string caret = d.caret.substr(d.caret.find(" | ") + 3);
  EXPECT_EQ(source.find('\t'), std::string::npos) << source;
  EXPECT_EQ(source.rfind("        segnale,", 0), 0u) << source;
  EXPECT_EQ(caret.find('^'), source.find("2x")) << source << "\n" << caret;
  EXPECT_EQ(caret.substr(caret.find('^')), "^~");
}

TEST(AuthorMistakes, AUtf8LetterIsUnderlinedAlone) {
  for (const AuthorMistake& mistake : author_mistakes()) {
    if (mistake.code != "utf8-document") continue;
    const std::vector<Diagnostic> found = diagnostics(compiled(with_mistake(mistake)).diagnostics);
    ASSERT_FALSE(found.empty());
    const std::string caret = found.front().caret;
    // The letter's two bytes, as the simulator would read them.
    EXPECT_EQ(caret.substr(caret.find('^')), "^~") << caret;
  }
}

}  // namespace
}  // namespace borgo::tools::testing
