// The language server's edits: quick fixes for the slips the compile finds,
// each applied as an editor applies it, and formatting.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "tests/support/files.hpp"
#include "tests/support/scratch_folder.hpp"
#include "tests/tools/findings/author_mistakes.hpp"
#include "tests/tools/lsp/in_process_client.hpp"
#include "tools/layout/column_layout.hpp"
#include "tools/lsp/protocol/positions.hpp"
#include "tools/shared/text_encoding.hpp"

namespace borgo::tools::lsp {
namespace {

using compiler::Document;

// Applies TextEdits (UTF-16 positions) to UTF-8 text, as an editor does.
std::string applied(std::string text, json edits) {
  const auto offset = [&](const json& position) {
    std::size_t start = 0;
    for (std::int64_t line = 0; line < position["line"].get<std::int64_t>(); ++line) {
      const std::size_t end = text.find('\n', start);
      if (end == std::string::npos) return text.size();
      start = end + 1;
    }
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    const std::string_view line(text.data() + start, end - start);
    return start + count_before(line, position["character"].get<std::int64_t>(), Counted::kBytes,
                                PositionEncoding::kUtf16);
  };
  std::sort(edits.begin(), edits.end(), [](const json& a, const json& b) {
    const json& x = a["range"]["start"];
    const json& y = b["range"]["start"];
    return std::pair(x["line"].get<int>(), x["character"].get<int>()) >
           std::pair(y["line"].get<int>(), y["character"].get<int>());
  });
  for (const json& edit : edits) {
    const std::size_t from = offset(edit["range"]["start"]);
    const std::size_t to = offset(edit["range"]["end"]);
    text.replace(from, to - from, edit["newText"].get<std::string>());
  }
  return text;
}

// The scenario of the compile's slips, in a folder of its own, with the
// server's client; each document in UTF-8 as the editor holds it.
struct EditedScenario {
  borgo::testing::ScratchFolder folder{"lsp-edits"};
  std::string line = utf8_from_1252(testing::clean_documents().first);
  std::string train = utf8_from_1252(testing::clean_documents().second);
  std::string line_uri;
  std::string train_uri;

  EditedScenario() {
    const std::filesystem::path line_path = folder / (testing::kMistakeLineName + "_linea.txt");
    const std::filesystem::path train_path =
        folder / (testing::kMistakeLineName + "_" + testing::kMistakeTrainName + "-.txt");
    borgo::testing::spit(line_path, testing::clean_documents().first);
    borgo::testing::spit(train_path, testing::clean_documents().second);
    line_uri = uri_of(line_path);
    train_uri = uri_of(train_path);
  }
  const std::string& uri(Document document) const {
    return document == Document::kLineDescription ? line_uri : train_uri;
  }
};

// The first published diagnostic of `code`; null when there is none.
json first_of(const json& published, const json& code) {
  for (const json& diagnostic : published) {
    if (diagnostic.value("code", json()) == code) return diagnostic;
  }
  return nullptr;
}

std::size_t errors_in(const json& published) {
  return std::count_if(published.begin(), published.end(),
                       [](const json& d) { return d["severity"] == 1; });
}

json code_of(const std::string& code) {
  return code[0] >= '0' && code[0] <= '9' ? json(std::stoi(code)) : json(code);
}

// The actions for `diagnostic`, asked as Neovim 0.7 asks: the cursor's
// position as the range, and the line's diagnostics as the context.
json actions_for(Client& client, const std::string& uri, const json& diagnostic) {
  const json cursor = diagnostic["range"]["start"];
  return client.request("textDocument/codeAction",
                        {{"textDocument", {{"uri", uri}}},
                         {"range", {{"start", cursor}, {"end", cursor}}},
                         {"context", {{"diagnostics", json::array({diagnostic})}}}});
}

// Each action applied in turn: its diagnostic is gone and no error came.
void expect_each_action_fixes(Client& client, const std::string& uri, const std::string& text,
                              const json& diagnostic, const json& actions) {
  const json code = diagnostic["code"];
  for (const json& action : actions) {
    SCOPED_TRACE(action["title"].get<std::string>());
    EXPECT_EQ(action["kind"], "quickfix");
    EXPECT_EQ(action["diagnostics"], json::array({diagnostic}));
    ASSERT_EQ(action["edit"]["changes"].size(), 1u) << action;
    const std::string fixed = applied(text, action["edit"]["changes"][uri]);
    client.change(uri, fixed);
    const json published = client.wait()[uri];
    const json still = first_of(published, code);
    EXPECT_TRUE(still.is_null() || still["range"] != diagnostic["range"]) << published;
    EXPECT_EQ(errors_in(published), code.is_number() ? 0u : errors_in(json::array())) << published;
    client.change(uri, text);  // back to the slip for the next action
    client.wait();
  }
}

// The compile's table of slips, each typed in the editor: the slips a quick
// fix is offered for, and each offered fix applied gives a compile without
// the diagnostic it fixes.
TEST(LspEdits, QuickFixesPutRightTheAuthorsSlips) {
  const std::set<std::string> fixed = {
      "a misspelt station key",
      "a misspelt signal key",
      "a misspelt setting",
      "a misspelt curve key, near its example",
      "a misspelt line length, which the errors then miss",
      "a key in capitals that is matched in lower case",
      "a sign before any heading",
      "a general row after the general section",
      "a decimal comma in the line's length",
      "a decimal comma in a background setting",
  };
  EditedScenario scenario;
  std::set<std::string> offered;
  for (const testing::AuthorMistake& mistake : testing::author_mistakes()) {
    if (!mistake.in_editor || mistake.document != mistake.at_document) continue;
    SCOPED_TRACE(mistake.name);
    const auto edited = testing::with_mistake(mistake);
    const std::string text = utf8_from_1252(
        mistake.document == Document::kLineDescription ? edited.first : edited.second);
    const std::string& uri = scenario.uri(mistake.document);
    Client client;
    client.initialize();
    client.open(uri, text);
    const json published = client.wait()[uri];
    const json diagnostic = first_of(published, code_of(mistake.code));
    ASSERT_FALSE(diagnostic.is_null()) << published;
    const json actions = actions_for(client, uri, diagnostic);
    ASSERT_TRUE(actions.is_array()) << actions;
    if (!actions.empty()) offered.insert(mistake.name);
    expect_each_action_fixes(client, uri, text, diagnostic, actions);
  }
  // Not among them: a key alone on its line, whose right spelling would read
  // the heading after it as its position (an error), and the slips no key or
  // number nearby puts right.
  EXPECT_EQ(offered, fixed);
}

// Slips whose fix is found by compiling candidates: a value off its grid, a
// feature on a held cell, a letter Windows-1252 lacks.
TEST(LspEdits, QuickFixesFoundByCompilingEachCandidate) {
  struct Case {
    const char* name;
    Document document;
    std::string from;
    std::string to;
    json code;
    std::vector<std::string> titles;  // the fixes offered, in order
  };
  const Case cases[] = {
      {"a station off the 50 m grid",
       Document::kTrainDescription,
       "stazione,    6800",
       "stazione,    6820",
       8,
       {"Write 6800 (a multiple of 50 below)", "Write 6850 (a multiple of 50 above)"}},
      {"a station's zone off the 100 m grid",
       Document::kTrainDescription,
       "stazione,    6800, 12,  400",
       "stazione,    6800, 12,  450",
       9,
       {"Write 400 (a multiple of 100 below)", "Write 500 (a multiple of 100 above)"}},
      {"a repetition end off the 50 m grid",
       Document::kLineDescription,
       "ripetizione segnali 9 codici,    8000,    330700",
       "ripetizione segnali 9 codici,    8000,    330720",
       4,
       {"Write 330700 (a multiple of 50 below)", "Write 330750 (a multiple of 50 above)"}},
      {"a signal on the cell of another",
       Document::kTrainDescription,
       "segnale,    2800",
       "segnale,    1050",
       16,
       {"Move to 950 m (the nearest free position before)",
        "Move to 1100 m (the nearest free position after)"}},
      {"a letter Windows-1252 lacks",
       Document::kTrainDescription,
       "Roma Ostiense",
       "Roma Ostiense \xC5\x81"
       "ukasz",
       "not-windows-1252",
       {"Write \"L\", which Windows-1252 holds"}},
  };
  EditedScenario scenario;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string text = c.document == Document::kLineDescription ? scenario.line : scenario.train;
    ASSERT_NE(text.find(c.from), std::string::npos);
    text.replace(text.find(c.from), c.from.size(), c.to);
    const std::string& uri = scenario.uri(c.document);
    Client client;
    client.initialize();
    client.open(uri, text);
    const json published = client.wait()[uri];
    json diagnostic = nullptr;
    for (const json& d : published) {
      if (d["severity"] != 3 && d["code"] == c.code) diagnostic = d;
    }
    ASSERT_FALSE(diagnostic.is_null()) << published;
    const json actions = actions_for(client, uri, diagnostic);
    std::vector<std::string> titles;
    for (const json& action : actions) titles.push_back(action["title"]);
    EXPECT_EQ(titles, c.titles) << published;
    expect_each_action_fixes(client, uri, text, diagnostic, actions);
  }
}

// A fix is asked for a diagnostic of the text before a change the server
// has not published yet: the compile of the text now no longer gives it, so
// nothing is offered, and nothing is applied to text it was not made for.
TEST(LspEdits, NoQuickFixForADiagnosticAChangeHasOutdated) {
  EditedScenario scenario;
  Client client;
  client.initialize();
  std::string slip = scenario.line;
  slip.replace(slip.find("sfondo uno"), 10, "Sfondo uno");
  client.open(scenario.line_uri, slip);
  const json diagnostic = first_of(client.wait()[scenario.line_uri], "ignored-row");
  ASSERT_FALSE(diagnostic.is_null());
  EXPECT_FALSE(actions_for(client, scenario.line_uri, diagnostic).empty());
  client.change(scenario.line_uri, scenario.line);  // pending: not yet published
  EXPECT_EQ(actions_for(client, scenario.line_uri, diagnostic), json::array());
}

TEST(LspEdits, FormattingLaysOutTheWholeDocumentOrARangeOfIt) {
  EditedScenario scenario;
  Client client;
  client.initialize();
  // A few rows moved out of their columns.
  std::string text = scenario.train;
  for (const auto& [from, to] : {std::pair{"aderenza,    6600,    70", "aderenza, 6600,70"},
                                 std::pair{"velocita,   18000,", "velocita,18000,"}}) {
    if (text.find(from) != std::string::npos)
      text.replace(text.find(from), std::string(from).size(), to);
  }
  client.open(scenario.train_uri, text);
  const json whole = client.request("textDocument/formatting",
                                    {{"textDocument", {{"uri", scenario.train_uri}}},
                                     {"options", {{"tabSize", 8}, {"insertSpaces", true}}}});
  ASSERT_TRUE(whole.is_array()) << whole;
  const std::string formatted = applied(text, whole);
  EXPECT_EQ(formatted, layout::laid_out(text));
  client.change(scenario.train_uri, formatted);
  EXPECT_EQ(client.request("textDocument/formatting",
                           {{"textDocument", {{"uri", scenario.train_uri}}},
                            {"options", {{"tabSize", 8}, {"insertSpaces", true}}}}),
            json::array());
  // A range: only its lines change.
  client.change(scenario.train_uri, text);
  const json ranged = client.request(
      "textDocument/rangeFormatting",
      {{"textDocument", {{"uri", scenario.train_uri}}},
       {"range",
        {{"start", {{"line", 0}, {"character", 0}}}, {"end", {{"line", 8}, {"character", 0}}}}},
       {"options", {{"tabSize", 8}, {"insertSpaces", true}}}});
  ASSERT_TRUE(ranged.is_array()) << ranged;
  EXPECT_FALSE(ranged.empty());
  EXPECT_LT(ranged.size(), whole.size());
  for (const json& edit : ranged) EXPECT_LT(edit["range"]["start"]["line"], 8) << edit;
}

TEST(LspEdits, AnnouncedAndSafeOnBadInput) {
  EditedScenario scenario;
  Client client;
  const json result = client.request("initialize", {{"capabilities", json::object()}});
  const json& server = result["capabilities"];
  EXPECT_EQ(server["codeActionProvider"]["codeActionKinds"], json::array({"quickfix"}));
  EXPECT_TRUE(server["documentFormattingProvider"].get<bool>());
  EXPECT_TRUE(server["documentRangeFormattingProvider"].get<bool>());
  const std::string notes_uri = uri_beside(scenario.line_uri, "notes.txt");
  client.open(notes_uri, "a,   1\na, 22\n");
  client.open(scenario.line_uri, "");
  const json nowhere = {{"start", {{"line", 900}, {"character", 0}}},
                        {"end", {{"line", 901}, {"character", 0}}}};
  const json empty_context = {{"diagnostics", json::array()}};
  struct Case {
    const char* name;
    std::string method;
    json params;
    int error = 0;  // 0: an empty result
  };
  const Case cases[] = {
      {"formatting what is no description",
       "textDocument/formatting",
       {{"textDocument", {{"uri", notes_uri}}}}},
      {"formatting an empty description",
       "textDocument/formatting",
       {{"textDocument", {{"uri", scenario.line_uri}}}}},
      {"formatting a document not open",
       "textDocument/formatting",
       {{"textDocument", {{"uri", scenario.train_uri}}}}},
      {"a range past the end",
       "textDocument/rangeFormatting",
       {{"textDocument", {{"uri", scenario.line_uri}}}, {"range", nowhere}}},
      {"a range that is none",
       "textDocument/rangeFormatting",
       {{"textDocument", {{"uri", scenario.line_uri}}}, {"range", {{"start", 1}}}},
       -32602},
      {"actions on what is no description",
       "textDocument/codeAction",
       {{"textDocument", {{"uri", notes_uri}}}, {"range", nowhere}, {"context", empty_context}}},
      {"actions past the end of an empty description",
       "textDocument/codeAction",
       {{"textDocument", {{"uri", scenario.line_uri}}},
        {"range", nowhere},
        {"context",
         {{"diagnostics",
           json::array({{{"range", nowhere}, {"code", "decimal-comma"}, {"message", "x"}},
                        {{"range", 3}, {"code", 16}},
                        "not a diagnostic"})}}}}},
      {"actions without a context",
       "textDocument/codeAction",
       {{"textDocument", {{"uri", scenario.line_uri}}}, {"range", nowhere}},
       -32602},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<json> replies =
        client.send({{"jsonrpc", "2.0"}, {"id", 7}, {"method", c.method}, {"params", c.params}});
    ASSERT_EQ(replies.size(), 1u);
    if (c.error != 0) {
      EXPECT_EQ(replies[0]["error"]["code"], c.error) << replies[0];
    } else {
      EXPECT_EQ(replies[0]["result"], json::array()) << replies[0];
    }
  }
}

}  // namespace
}  // namespace borgo::tools::lsp
