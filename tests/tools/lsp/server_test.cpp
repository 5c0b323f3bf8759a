// The language server's methods, message by message: the protocol's
// answers, the lifecycle, and what it says of the fixture scenario.
#include "tools/lsp/server.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/scratch_folder.hpp"
#include "tests/tools/findings/author_mistakes.hpp"
#include "tests/tools/lsp/in_process_client.hpp"
#include "tests/tools/tool_fixture.hpp"
#include "tools/lsp/diagnostics.hpp"
#include "tools/lsp/documents.hpp"
#include "tools/shared/text_encoding.hpp"

namespace borgo::tools::lsp {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;
using testing::kLineDocument;
using testing::kTrainDocument;
using testing::ScenarioFolder;

TEST(LspServer, AnswersEachMessageAsTheProtocolSays) {
  enum class Answer { kNone, kResult, kError, kLog };
  struct Step {
    const char* name;
    std::string content;
    Answer answer;
    int code = 0;       // for an error
    json id = nullptr;  // the answer's id
  };
  const json symbols_params = {{"textDocument", {{"uri", "file:///nowhere/notes.txt"}}}};
  const Step steps[] = {
      {"a request before initialize",
       R"({"jsonrpc":"2.0","id":1,"method":"textDocument/hover","params":{}})", Answer::kError,
       -32002, 1},
      {"a notification before initialize is dropped",
       R"({"jsonrpc":"2.0","method":"textDocument/didClose","params":{}})", Answer::kNone},
      {"not JSON", R"({"jsonrpc":"2.0",)", Answer::kError, -32700},
      {"not UTF-8", "{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"\xFF\"}", Answer::kError, -32700},
      {"not an object", "[1, 2]", Answer::kError, -32600},
      {"an id that is an object", R"({"jsonrpc":"2.0","id":{},"method":"shutdown"})",
       Answer::kError, -32600},
      {"no method", R"({"jsonrpc":"2.0","id":2})", Answer::kError, -32600, 2},
      {"no version", R"({"id":3,"method":"initialize","params":{}})", Answer::kError, -32600, 3},
      {"a response from the client", R"({"jsonrpc":"2.0","id":9,"result":null})", Answer::kNone},
      {"initialize",
       R"({"jsonrpc":"2.0","id":4,"method":"initialize","params":{"capabilities":{}}})",
       Answer::kResult, 0, 4},
      {"initialize again", R"({"jsonrpc":"2.0","id":5,"method":"initialize","params":{}})",
       Answer::kError, -32600, 5},
      {"an unknown request",
       R"({"jsonrpc":"2.0","id":6,"method":"textDocument/rename","params":{}})", Answer::kError,
       -32601, 6},
      {"an unknown notification", R"({"jsonrpc":"2.0","method":"$/setTrace","params":{}})",
       Answer::kNone},
      {"a string id",
       json{{"jsonrpc", "2.0"},
            {"id", "abc"},
            {"method", "textDocument/documentSymbol"},
            {"params", symbols_params}}
           .dump(),
       Answer::kResult, 0, "abc"},
      {"no params where they are needed",
       R"({"jsonrpc":"2.0","id":7,"method":"textDocument/hover"})", Answer::kError, -32602, 7},
      {"params of the wrong kind",
       R"({"jsonrpc":"2.0","id":8,"method":"textDocument/hover","params":3})", Answer::kError,
       -32602, 8},
      {"a notification without what it needs",
       R"({"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{}}})",
       Answer::kLog},
      {"shutdown", R"({"jsonrpc":"2.0","id":10,"method":"shutdown"})", Answer::kResult, 0, 10},
      {"a request after shutdown",
       json{{"jsonrpc", "2.0"},
            {"id", 11},
            {"method", "textDocument/documentSymbol"},
            {"params", symbols_params}}
           .dump(),
       Answer::kError, -32600, 11},
      {"exit", R"({"jsonrpc":"2.0","method":"exit"})", Answer::kNone},
  };
  Client client;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    EXPECT_FALSE(client.server.exited());
    const std::vector<json> replies = client.send_text(step.content);
    if (step.answer == Answer::kNone) {
      EXPECT_TRUE(replies.empty());
      continue;
    }
    ASSERT_EQ(replies.size(), 1u);
    const json& reply = replies[0];
    EXPECT_EQ(reply["jsonrpc"], "2.0");
    if (step.answer == Answer::kLog) {
      EXPECT_EQ(reply["method"], "window/logMessage");
      continue;
    }
    EXPECT_EQ(reply["id"], step.id);
    if (step.answer == Answer::kError) {
      EXPECT_EQ(reply["error"]["code"], step.code) << reply;
      EXPECT_FALSE(reply.contains("result"));
    } else {
      EXPECT_TRUE(reply.contains("result")) << reply;
    }
  }
  EXPECT_TRUE(client.server.exited());
  EXPECT_EQ(client.server.exit_status(), 0);
}

// Values nested far deeper than any of the protocol's messages: each message
// is refused as it is read, with an error, and the server goes on as it was.
TEST(LspServer, RefusesMessagesNestedTooDeepAndGoesOn) {
  const auto objects = [](std::size_t levels) {
    std::string text;
    for (std::size_t i = 0; i < levels; ++i) text += "{\"a\":";
    return text + "1" + std::string(levels, '}');
  };
  const auto arrays = [](std::size_t levels) {
    return std::string(levels, '[') + std::string(levels, ']');
  };
  const std::string request = R"({"jsonrpc":"2.0","id":7,"method":"textDocument/hover","params":)";
  // The message is the first level and params the second: 63 levels in
  // params are the most taken.
  struct Case {
    const char* name;
    std::string content;
    int code;           // 0: no answer
    json id = nullptr;  // the answer's id
  };
  const Case cases[] = {
      {"objects in a request's params", request + objects(100000) + "}", -32600, 7},
      {"arrays in a request's params", request + arrays(100000) + "}", -32600, 7},
      {"objects as the id", R"({"jsonrpc":"2.0","method":"shutdown","id":)" + objects(100000) + "}",
       -32600},
      {"a message of nothing but arrays", arrays(100000), -32600},
      {"objects in a notification's params",
       R"({"jsonrpc":"2.0","method":"textDocument/didOpen","params":)" + objects(100000) + "}",
       -32600},
      {"one level more than the most", request + objects(64) + "}", -32600, 7},
      {"the most levels", R"({"jsonrpc":"2.0","method":"$/setTrace","params":)" + objects(63) + "}",
       0},
      {"deep and cut short", request + std::string(100000, '['), -32700},
  };
  Client client;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<json> replies = client.send_text(c.content);
    if (c.code == 0) {
      EXPECT_TRUE(replies.empty());
    } else {
      ASSERT_EQ(replies.size(), 1u);
      EXPECT_EQ(replies[0]["error"]["code"], c.code) << replies[0];
      EXPECT_EQ(replies[0]["id"], c.id);
    }
    // The next request gets its own answer: before initialize, that one.
    const std::vector<json> next =
        client.send_text(R"({"jsonrpc":"2.0","id":8,"method":"shutdown"})");
    ASSERT_EQ(next.size(), 1u);
    EXPECT_EQ(next[0]["error"]["code"], -32002) << next[0];
  }
  EXPECT_TRUE(
      client.request("initialize", {{"capabilities", json::object()}}).contains("capabilities"));
}

TEST(LspServer, ExitWithoutShutdownIsAFailure) {
  Client client;
  client.initialize();
  client.send_text(R"({"jsonrpc":"2.0","method":"exit"})");
  EXPECT_TRUE(client.server.exited());
  EXPECT_EQ(client.server.exit_status(), 1);
}

TEST(LspServer, AnnouncesWhatItDoesInTheEncodingAgreed) {
  for (const auto& [offered, chosen] :
       {std::pair{json::array({"utf-8", "utf-16"}), "utf-8"}, std::pair{json(), "utf-16"}}) {
    Client client;
    json capabilities = json::object();
    if (!offered.is_null()) capabilities["general"]["positionEncodings"] = offered;
    const json result = client.request("initialize", {{"capabilities", capabilities}});
    const json& server = result["capabilities"];
    EXPECT_EQ(server["positionEncoding"], chosen);
    EXPECT_EQ(server["textDocumentSync"]["change"], 1);  // whole documents
    EXPECT_TRUE(server["hoverProvider"].get<bool>());
    EXPECT_TRUE(server["documentSymbolProvider"].get<bool>());
    EXPECT_TRUE(server.contains("completionProvider"));
    EXPECT_TRUE(server["inlayHintProvider"].get<bool>());
    EXPECT_TRUE(server["definitionProvider"].get<bool>());
    EXPECT_TRUE(server["semanticTokensProvider"]["full"].get<bool>());
    EXPECT_FALSE(server["semanticTokensProvider"]["legend"]["tokenTypes"].empty());
  }
}

// ---- the fixture scenario

struct Scenario {
  ScenarioFolder folder;
  std::string line_uri = uri_of(folder.path() / kLineDocument);
  std::string train_uri = uri_of(folder.path() / kTrainDocument);
  std::string line() const { return folder.read(kLineDocument); }
  std::string train() const { return folder.read(kTrainDocument); }
};

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

json range(int line, int start, int end) {
  return {{"start", {{"line", line}, {"character", start}}},
          {"end", {{"line", line}, {"character", end}}}};
}

TEST(LspServer, PublishesACellConflictOnBothRowsOnceTheChangesSettle) {
  Scenario scenario;
  const auto listing = [&] {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(scenario.folder.path())) {
      files.push_back(entry.path().filename().string() + ":" + borgo::testing::slurp(entry.path()));
    }
    std::sort(files.begin(), files.end());
    return files;
  };
  const std::vector<std::string> before = listing();
  Client client;
  client.initialize();
  client.open(scenario.train_uri, scenario.train());
  EXPECT_EQ(client.wait(), (std::map<std::string, json>{{scenario.line_uri, json::array()},
                                                        {scenario.train_uri, json::array()}}));
  // The first signal moved onto the speed indicators at 1000 m, not saved;
  // a burst of changes waits for its last.
  client.change(scenario.train_uri,
                replaced(scenario.train(), "segnale,    1050", "segnale,    1040"));
  EXPECT_TRUE(client.wait(15ms).empty());
  client.change(scenario.train_uri,
                replaced(scenario.train(), "segnale,    1050", "segnale,    1000"));
  EXPECT_TRUE(client.wait(15ms).empty());
  std::map<std::string, json> published = client.wait(5ms);
  ASSERT_EQ(published.size(), 2u);
  const json& train = published[scenario.train_uri];
  ASSERT_EQ(train.size(), 1u) << train;
  EXPECT_EQ(train[0]["code"], 16);
  EXPECT_EQ(train[0]["severity"], 1);
  EXPECT_EQ(train[0]["range"], range(16, 12, 16));
  EXPECT_EQ(
      train[0]["message"].get<std::string>().rfind("field \"posizione\" (metres): a signal", 0),
      0u);
  const json& related = train[0]["relatedInformation"][0];
  EXPECT_EQ(related["location"]["uri"], scenario.line_uri);
  EXPECT_EQ(related["location"]["range"], range(15, 18, 22));
  // The row holding the cell hears of it too, pointing back.
  const json& line = published[scenario.line_uri];
  ASSERT_EQ(line.size(), 1u) << line;
  EXPECT_EQ(line[0]["code"], 16);
  EXPECT_EQ(line[0]["range"], range(15, 18, 22));
  EXPECT_EQ(line[0]["relatedInformation"][0]["location"]["uri"], scenario.train_uri);
  // Nothing new: nothing published; fixed: both cleared.
  client.change(scenario.train_uri,
                replaced(scenario.train(), "segnale,    1050", "segnale,    1000"));
  EXPECT_TRUE(client.wait().empty());
  client.change(scenario.train_uri, scenario.train());
  EXPECT_EQ(client.wait(), (std::map<std::string, json>{{scenario.line_uri, json::array()},
                                                        {scenario.train_uri, json::array()}}));
  // Closed with an error in it: its diagnostics go with it.
  client.change(scenario.train_uri,
                replaced(scenario.train(), "segnale,    1050", "segnale,    1000"));
  EXPECT_EQ(client.wait().size(), 2u);
  client.notify("textDocument/didClose", {{"textDocument", {{"uri", scenario.train_uri}}}});
  EXPECT_EQ(client.wait(), (std::map<std::string, json>{{scenario.line_uri, json::array()},
                                                        {scenario.train_uri, json::array()}}));
  EXPECT_EQ(listing(), before);  // nothing written
}

// Past the limits of the open documents, the document is not followed and
// the user is told; the documents held are served as before.
TEST(LspServer, TellsOfADocumentPastItsLimitsAndServesTheOthers) {
  Scenario scenario;
  Client client(DocumentLimits{.most_documents = 2, .most_bytes = std::size_t{1} << 20});
  client.initialize();
  client.open(scenario.train_uri, scenario.train());
  client.open(uri_beside(scenario.train_uri, "notes.txt"), "x");
  const auto symbols = [&](const std::string& uri) {
    return client.request("textDocument/documentSymbol", {{"textDocument", {{"uri", uri}}}});
  };
  const auto told = [](const std::vector<json>& replies, const std::string& words) {
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0]["method"], "window/showMessage");
    EXPECT_EQ(replies[0]["params"]["type"], 2);  // a warning
    const std::string message = replies[0]["params"]["message"];
    EXPECT_NE(message.find(words), std::string::npos) << message;
    EXPECT_NE(message.find("at most 2 open documents, with 1 MB of text"), std::string::npos)
        << message;
  };

  told(client.send_open(scenario.line_uri, scenario.line()), kLineDocument + " is not followed");
  EXPECT_EQ(symbols(scenario.line_uri), json::array());
  // The train is compiled with the line description on disk, as when alone.
  EXPECT_EQ(client.wait(), (std::map<std::string, json>{{scenario.line_uri, json::array()},
                                                        {scenario.train_uri, json::array()}}));
  EXPECT_TRUE(
      client.request("textDocument/hover", Client::at(scenario.train_uri, 16, 14)).is_object());
  EXPECT_FALSE(symbols(scenario.train_uri).empty());

  told(client.send_change(scenario.train_uri, std::string(std::size_t{1} << 20, '\n')),
       kTrainDocument + " has grown too large and is no longer followed");
  EXPECT_EQ(symbols(scenario.train_uri), json::array());
  // Room again.
  client.open(scenario.line_uri, scenario.line());
  EXPECT_FALSE(symbols(scenario.line_uri).empty());
}

// After an error the rows after it were not read: the hover there says
// where the compile stopped, in this description or in the other.
TEST(LspServer, HoverOnARowNotReadSaysWhereTheCompileStopped) {
  struct Case {
    const char* name;
    bool in_line;  // the edit is in the line description
    const char* from;
    const char* to;
    std::string stopped_at;
  };
  const Case cases[] = {
      {"an error earlier in the train", false, "segnale,    1050", "segnale,    1000",
       kTrainDocument + ":17"},
      {"an error in the line", true, "curvad3,  2000", "curvad7,  2000", kLineDocument + ":7"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scenario scenario;
    Client client;
    client.initialize();
    client.open(scenario.train_uri,
                c.in_line ? scenario.train() : replaced(scenario.train(), c.from, c.to));
    if (c.in_line) client.open(scenario.line_uri, replaced(scenario.line(), c.from, c.to));
    client.wait();
    // The second signal's row, line 18.
    const json hover = client.request("textDocument/hover", Client::at(scenario.train_uri, 17, 14));
    const std::string value = hover["contents"]["value"];
    EXPECT_NE(value.find("not read: the compile stopped at " + c.stopped_at), std::string::npos)
        << value;
  }
}

// Only the last compiles used are kept: hover on a document whose compile
// was let go compiles it again, to the same answer.
TEST(LspServer, HoverOnADocumentWhoseCompileWasLetGo) {
  Scenario scenario;
  Client client;
  client.initialize();
  std::vector<std::string> uris;
  for (int i = 0; i < 12; ++i) {
    uris.push_back(uri_beside(scenario.line_uri, "Linea" + std::to_string(i) + "_linea.txt"));
    client.open(uris.back(), scenario.line());
  }
  const auto hover = [&](const std::string& uri) {
    return client.request("textDocument/hover", Client::at(uri, 1, 25));
  };
  std::map<std::string, json> before;
  for (const std::string& uri : uris) {
    before[uri] = hover(uri);
    ASSERT_TRUE(before[uri].is_object()) << before[uri];
  }
  EXPECT_EQ(client.wait().size(), uris.size());  // every document compiled again
  for (const std::string& uri : uris) EXPECT_EQ(hover(uri), before[uri]) << uri;
}

TEST(LspServer, CountsColumnsInTheEncodingAgreed) {
  // A station named "xà, 5": the comma ends the name, and the "5" after it
  // is in byte column 5 after the name's start in the document as compiled.
  const std::string station =
      "stazione,    15000, 12,  400,  0, 0, 0,  1,1,0,  3,1,1,    1,  8,30, 0, ";
  struct Case {
    json encodings;
    int character;
  };
  const int name = static_cast<int>(station.size());
  for (const Case& c :
       {Case{json::array({"utf-8"}), name + 5}, Case{json::array({"utf-16"}), name + 4}}) {
    SCOPED_TRACE(c.encodings.dump());
    Scenario scenario;
    Client client;
    client.initialize({{"general", {{"positionEncodings", c.encodings}}}});
    client.open(scenario.train_uri, replaced(scenario.train(), "[fine]",
                                             station + "x\xC3\xA0, 5 \xF0\x9F\x98\x80\n[fine]"));
    const json train = client.wait()[scenario.train_uri];
    bool found = false;
    for (const json& diagnostic : train) {
      if (diagnostic["code"] == "comma-ends-text" &&
          diagnostic["message"].get<std::string>().find("\"5 ") != std::string::npos) {
        EXPECT_EQ(diagnostic["range"]["start"]["character"], c.character);
        found = true;
      }
      if (diagnostic["code"] == "not-windows-1252") {
        EXPECT_EQ(diagnostic["range"]["start"]["character"], c.character + 2);
      }
    }
    EXPECT_TRUE(found) << train;
  }
}

TEST(LspServer, NamesWhatIsMissingOrWrongOnTheDocumentThere) {
  struct Case {
    const char* name;
    bool line_on_disk;
    bool train_on_disk;
    std::string open_line;  // empty: the train is opened as it is
    json code;
    int severity;
    json range;
  };
  const Case cases[] = {
      {"a line without a train beside it", true, false, "*", nullptr, 3, range(0, 0, 0)},
      {"a train without its line", false, true, "", 101, 1, range(0, 0, 0)},
      {"a line description that is none", true, true, "hello", 102, 1, range(0, 0, 5)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scenario scenario;
    if (!c.line_on_disk) std::filesystem::remove(scenario.folder.path() / kLineDocument);
    const std::string train = scenario.train();
    if (!c.train_on_disk) std::filesystem::remove(scenario.folder.path() / kTrainDocument);
    Client client;
    client.initialize();
    const bool line = !c.open_line.empty();
    const std::string uri = line ? scenario.line_uri : scenario.train_uri;
    client.open(uri, line ? (c.open_line == "*" ? scenario.line() : c.open_line) : train);
    std::map<std::string, json> published = client.wait();
    ASSERT_EQ(published[uri].size(), 1u) << published[uri];
    const json& diagnostic = published[uri][0];
    EXPECT_EQ(diagnostic.value("code", json()), c.code);
    EXPECT_EQ(diagnostic["severity"], c.severity);
    EXPECT_EQ(diagnostic["range"], c.range);
  }
}

// A slow-down order drafted beside the descriptions, then the slow-down
// moved in the editor's buffer: a warning on its row names the order's line.
TEST(LspServer, WarnsOnTheRowAServiceDocumentNoLongerGoesWith) {
  Scenario scenario;
  ASSERT_EQ(testing::tool({"documents", scenario.folder.path().string(), "--line", testing::kLine,
                           "--train", testing::kTrain})
                .status,
            0);
  Client client;
  client.initialize();
  client.open(scenario.train_uri,
              replaced(scenario.train(), "rallentamento,  12000", "rallentamento,  13000"));
  const json train = client.wait()[scenario.train_uri];
  ASSERT_EQ(train.size(), 1u) << train;
  EXPECT_EQ(train[0]["severity"], 2);
  EXPECT_EQ(train[0]["range"]["start"], range(14, 0, 0)["start"]);
  EXPECT_EQ(train[0]["message"].get<std::string>().rfind(
                "Costa_R 12_rallentamenti.txt:13: slow-down 1 differs from its row", 0),
            0u)
      << train;
}

TEST(LspServer, CountsTheWarningsItLeavesOut) {
  Scenario scenario;
  std::string faults;
  for (int i = 0; i < 150; ++i) faults += "fermata" + std::to_string(i) + "\n";
  Client client;
  client.initialize();
  client.open(scenario.line_uri, replaced(scenario.line(), "[curve]", faults + "[curve]"));
  const json line = client.wait()[scenario.line_uri];
  ASSERT_EQ(line.size(), kMostWarningsOfAKind + 1);
  EXPECT_EQ(line.back()["message"], "50 more warnings of this kind in this document are not shown");
}

TEST(LspServer, HoverExplainsTheRowWithTheFieldUnderTheCursorFirst) {
  Scenario scenario;
  Client client;
  client.initialize();
  client.open(scenario.train_uri, scenario.train());
  // Line 17: "segnale,    1050, ...", the cursor on "1050".
  const json hover = client.request("textDocument/hover", Client::at(scenario.train_uri, 16, 14));
  ASSERT_TRUE(hover.is_object()) << hover;
  const std::string text = hover["contents"]["value"];
  EXPECT_EQ(hover["contents"]["kind"], "markdown");
  EXPECT_EQ(text.rfind("**posizione** = 1050 metres: where the signal stands", 0), 0u) << text;
  EXPECT_NE(text.find("cell 22 (1050..1100 m) holds: signal"), std::string::npos) << text;
  EXPECT_NE(text.find("a \"segnale\" row: a signal"), std::string::npos) << text;
  EXPECT_EQ(hover["range"], range(16, 12, 16));
  // On the key: the row without a field first; past the end, nothing.
  const json key = client.request("textDocument/hover", Client::at(scenario.train_uri, 16, 2));
  EXPECT_EQ(key["contents"]["value"].get<std::string>().rfind("```text\n", 0), 0u) << key;
  EXPECT_TRUE(
      client.request("textDocument/hover", Client::at(scenario.train_uri, 400, 0)).is_null());
  // Not a description, or not open: nothing.
  client.open(uri_beside(scenario.train_uri, "notes.txt"), "segnale, 1050");
  EXPECT_TRUE(client
                  .request("textDocument/hover",
                           Client::at(uri_beside(scenario.train_uri, "notes.txt"), 0, 9))
                  .is_null());
  EXPECT_TRUE(client.request("textDocument/hover", Client::at(scenario.line_uri, 0, 0)).is_null());
}

TEST(LspServer, CompletesTheKeysOfTheSectionThere) {
  Scenario scenario;
  Client client;
  client.initialize(
      {{"textDocument", {{"completion", {{"completionItem", {{"snippetSupport", true}}}}}}}});
  const std::string line = replaced(scenario.line(), "[curve]", "\nsfo\n[curve]");
  client.open(scenario.line_uri, "\n" + line);
  client.open(scenario.train_uri, replaced(scenario.train(), "[segnali]", "[segnali]\n  seg, 1"));
  const auto items = [&](const std::string& uri, int l, int c) {
    std::map<std::string, json> by_label;
    const json list = client.request("textDocument/completion", Client::at(uri, l, c));
    for (const json& item : list["items"]) by_label[item["label"]] = item;
    return by_label;
  };
  struct Case {
    const char* name;
    const std::string* uri;
    int line, character;
    std::vector<std::string> present;
    std::vector<std::string> absent;
  };
  const Case cases[] = {
      {"before [generale]",
       &scenario.line_uri,
       0,
       0,
       {"[generale]"},
       {"lunghezza percorso", "pendenza"}},
      {"the general section",
       &scenario.line_uri,
       6,
       3,
       {"lunghezza percorso", "ripetizione segnali", "[curve]"},
       {"pendenza", "segnale"}},
      {"the line's body",
       &scenario.line_uri,
       10,
       0,
       {"pendenza", "curva", "indicatori_vmax", "[fine]"},
       {"sfondo uno", "segnale"}},
      {"the train's body",
       &scenario.train_uri,
       16,
       5,
       {"segnale", "stazione", "[segnali]"},
       {"pendenza", "[generale]"}},
      {"among a row's values", &scenario.train_uri, 16, 8, {}, {"segnale"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto found = items(*c.uri, c.line, c.character);
    for (const std::string& label : c.present) EXPECT_TRUE(found.contains(label)) << label;
    for (const std::string& label : c.absent) EXPECT_FALSE(found.contains(label)) << label;
  }
  const json segnale = items(scenario.train_uri, 16, 5)["segnale"];
  EXPECT_EQ(segnale["insertTextFormat"], 2);
  EXPECT_EQ(segnale["textEdit"]["newText"],
            "segnale, ${1:posizione}, ${2:sx}, ${3:s1}, ${4:s2}, ${5:s3}, ${6:rapp}, ${7:dx}, "
            "${8:d1}, ${9:d2}, ${10:d3}, ${11:tempo}");
  EXPECT_EQ(segnale["textEdit"]["range"], range(16, 2, 5));  // replaces what was typed
  EXPECT_EQ(items(scenario.line_uri, 10, 0)["curva"]["textEdit"]["newText"],
            "${1:curvas1}, ${2:inizio}, ${3:lunghezza}");
}

TEST(LspServer, CompletesPlainTextForClientsWithoutSnippets) {
  Scenario scenario;
  Client client;
  client.initialize();
  client.open(scenario.train_uri, replaced(scenario.train(), "[segnali]", "[segnali]\n"));
  const json list =
      client.request("textDocument/completion", Client::at(scenario.train_uri, 16, 0));
  for (const json& item : list["items"]) {
    if (item["label"] != "segnale") continue;
    EXPECT_EQ(item["insertTextFormat"], 1);
    EXPECT_EQ(item["textEdit"]["newText"], "segnale, ");
    return;
  }
  ADD_FAILURE() << list;
}

TEST(LspServer, OutlinesSectionsStationsSignalsAndSlowDowns) {
  Scenario scenario;
  for (const bool hierarchical : {true, false}) {
    SCOPED_TRACE(hierarchical);
    Client client;
    client.initialize(
        {{"textDocument",
          {{"documentSymbol", {{"hierarchicalDocumentSymbolSupport", hierarchical}}}}}});
    client.open(scenario.train_uri, scenario.train());
    const json symbols = client.request("textDocument/documentSymbol",
                                        {{"textDocument", {{"uri", scenario.train_uri}}}});
    std::vector<std::string> names;
    if (hierarchical) {
      for (const json& section : symbols) {
        names.push_back(section["name"]);
        for (const json& child : section["children"]) {
          names.push_back("  " + child["name"].get<std::string>());
          EXPECT_GE(child["range"]["start"]["line"], section["range"]["start"]["line"]);
        }
      }
    } else {
      for (const json& symbol : symbols) {
        names.push_back((symbol.contains("containerName") ? "  " : "") +
                        symbol["name"].get<std::string>());
        EXPECT_EQ(symbol["location"]["uri"], scenario.train_uri);
      }
    }
    EXPECT_EQ(names, (std::vector<std::string>{
                         "[generale]", "[aderenze]", "[vel_limite]", "[stazioni]", "  Capo Nord",
                         "  Borgo Sud", "[rallentamenti]", "  rallentamento 12000 m", "[segnali]",
                         "  segnale 1050 m", "  segnale 8000 m", "[codici]", "[fine]"}));
  }
}

// The slips of the compile's table, typed in the editor: the same first
// diagnostic of their kind, on the field at fault, with the same words.
TEST(LspServer, PublishesEachAuthorMistakeAsTheCompileTellsIt) {
  using testing::AuthorMistake;
  borgo::testing::ScratchFolder folder("mistakes");
  const auto [line, train] = testing::clean_documents();
  const std::filesystem::path line_path = folder / (testing::kMistakeLineName + "_linea.txt");
  const std::filesystem::path train_path =
      folder / (testing::kMistakeLineName + "_" + testing::kMistakeTrainName + "-.txt");
  borgo::testing::spit(line_path, line);
  borgo::testing::spit(train_path, train);
  const std::string line_uri = uri_of(line_path);
  const std::string train_uri = uri_of(train_path);
  for (const AuthorMistake& mistake : testing::author_mistakes()) {
    if (!mistake.in_editor) continue;
    SCOPED_TRACE(mistake.name);
    const auto edited = testing::with_mistake(mistake);
    const bool in_line = mistake.document == compiler::Document::kLineDescription;
    Client client;
    client.initialize();
    client.open(in_line ? line_uri : train_uri,
                utf8_from_1252(in_line ? edited.first : edited.second));
    const std::string at_uri =
        mistake.at_document == compiler::Document::kLineDescription ? line_uri : train_uri;
    const json published = client.wait()[at_uri];
    const json code = mistake.code[0] >= '0' && mistake.code[0] <= '9'
                          ? json(std::stoi(mistake.code))
                          : json(mistake.code);
    const json* first = nullptr;
    for (const json& diagnostic : published) {
      if (diagnostic.value("code", json()) == code) {
        first = &diagnostic;
        break;
      }
    }
    ASSERT_NE(first, nullptr) << published;
    EXPECT_EQ((*first)["range"]["start"],
              json({{"line", mistake.line - 1}, {"character", mistake.column - 1}}));
    const std::string message = (*first)["message"];
    for (const std::string& words : mistake.words) {
      EXPECT_NE(message.find(words), std::string::npos) << words << "\n" << message;
    }
    if (mistake.code == "22") {
      // The station out of order points at the one before it in the document.
      EXPECT_EQ((*first)["relatedInformation"][0]["location"]["range"]["start"]["line"], 70);
    }
  }
}

// ---- what the compile made of the text, shown beside it

json lines_range(int first, int last) {
  return {{"start", {{"line", first}, {"character", 0}}},
          {"end", {{"line", last}, {"character", 0}}}};
}

// The hints as "line:character label", in order.
std::vector<std::string> hint_list(const json& hints) {
  std::vector<std::string> out;
  for (const json& hint : hints) {
    out.push_back(std::to_string(hint["position"]["line"].get<int>()) + ":" +
                  std::to_string(hint["position"]["character"].get<int>()) + " " +
                  hint["label"].get<std::string>());
  }
  return out;
}

bool holds(const std::vector<std::string>& list, const std::string& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

TEST(LspServer, HintsKilometresCellsCurvesAndZonesOfTheRowsRead) {
  Scenario scenario;
  Client client;
  client.initialize();
  client.open(scenario.line_uri, scenario.line());
  const auto hints = [&](const std::string& uri, const json& range) {
    return hint_list(client.request("textDocument/inlayHint",
                                    {{"textDocument", {{"uri", uri}}}, {"range", range}}));
  };
  const std::vector<std::string> line = hints(scenario.line_uri, lines_range(0, 40));
  for (const char* expected : {
           // The progressive changes at 3100 m: the sheet marks it with "/".
           "2:37 km 3.100/, cell 63",
           // Past the change the progressive runs 3050 m ahead.
           "4:47 km 18.050, cell 301",
           "6:7 turns right, radius class 3: a radius of 2500 m",
           "6:14 km 2.000, cell 41",
           "7:7 turns left, radius class 2: a radius of 5000 m",
       }) {
    EXPECT_TRUE(holds(line, expected)) << expected << "\n" << ::testing::PrintToString(line);
  }
  // Only the range asked for: the curves' lines.
  EXPECT_EQ(hints(scenario.line_uri, lines_range(6, 7)),
            (std::vector<std::string>{
                "6:7 turns right, radius class 3: a radius of 2500 m", "6:14 km 2.000, cell 41",
                "7:7 turns left, radius class 2: a radius of 5000 m", "7:14 km 12.050, cell 181"}));

  client.open(scenario.train_uri, scenario.train());
  const std::vector<std::string> train = hints(scenario.train_uri, lines_range(11, 18));
  for (const char* expected :
       {"12:17 km 12.050, cell 181",
        // Borgo Sud's 400 m zone around 9000 m.
        "12:80 zone cells 177..185", "16:16 km 1.050, cell 22", "17:16 km 11.050, cell 161"}) {
    EXPECT_TRUE(holds(train, expected)) << expected << "\n" << ::testing::PrintToString(train);
  }
  // The first signal on the indicators' cell: the compile stops there, and
  // the second signal, never read, gets no hint.
  client.change(scenario.train_uri,
                replaced(scenario.train(), "segnale,    1050", "segnale,    1000"));
  const std::vector<std::string> stopped = hints(scenario.train_uri, lines_range(16, 18));
  EXPECT_EQ(stopped, (std::vector<std::string>{"16:16 km 1.000, cell 21"}));
}

// Requests on what is no description, or past its end, or while a change
// waits for its diagnostics: an empty answer or an error, never a crash.
TEST(LspServer, ViewsOfBadInputAreEmptyOrRefused) {
  Scenario scenario;
  Client client;
  client.initialize();
  const std::string notes = uri_beside(scenario.train_uri, "notes.txt");
  client.open(notes, "segnale, 1000\n");
  client.open(scenario.train_uri, "");
  const std::string line_uri = scenario.line_uri;
  client.open(line_uri, scenario.line());
  client.change(line_uri, replaced(scenario.line(), "curvad3", "curvad7"));  // pending
  struct Case {
    const char* name;
    std::string method;
    json params;
    json result;  // null with an error code
    int error = 0;
  };
  const auto doc = [](const std::string& uri) { return json{{"uri", uri}}; };
  const Case cases[] = {
      {"hints in no description",
       "textDocument/inlayHint",
       {{"textDocument", doc(notes)}, {"range", lines_range(0, 5)}},
       json::array()},
      {"hints in an empty description",
       "textDocument/inlayHint",
       {{"textDocument", doc(scenario.train_uri)}, {"range", lines_range(0, 5)}},
       json::array()},
      {"hints past the end",
       "textDocument/inlayHint",
       {{"textDocument", doc(line_uri)}, {"range", lines_range(500, 900)}},
       json::array()},
      {"hints in a range turned round",
       "textDocument/inlayHint",
       {{"textDocument", doc(line_uri)}, {"range", lines_range(10, 2)}},
       json::array()},
      {"hints without a range",
       "textDocument/inlayHint",
       {{"textDocument", doc(line_uri)}},
       nullptr,
       -32602},
      {"tokens of no description",
       "textDocument/semanticTokens/full",
       {{"textDocument", doc(notes)}},
       {{"data", json::array()}}},
      {"tokens of an empty description",
       "textDocument/semanticTokens/full",
       {{"textDocument", doc(scenario.train_uri)}},
       {{"data", json::array()}}},
      {"a definition past the end", "textDocument/definition", Client::at(line_uri, 900, 0),
       nullptr},
      {"a definition at a negative place", "textDocument/definition", Client::at(line_uri, -1, 0),
       nullptr, -32602},
      {"a definition in no description", "textDocument/definition", Client::at(notes, 0, 0),
       nullptr},
  };
  int id = 500;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<json> replies =
        client.send({{"jsonrpc", "2.0"}, {"id", ++id}, {"method", c.method}, {"params", c.params}});
    ASSERT_EQ(replies.size(), 1u);
    if (c.error != 0) {
      EXPECT_EQ(replies[0]["error"]["code"], c.error) << replies[0];
    } else {
      EXPECT_EQ(replies[0]["result"], c.result) << replies[0];
    }
  }
  // A range ending past the end runs to the end, on the pending text: the
  // curve's class 7 is none.
  const std::vector<std::string> pending = hint_list(client.request(
      "textDocument/inlayHint", {{"textDocument", doc(line_uri)}, {"range", lines_range(6, 900)}}));
  ASSERT_FALSE(pending.empty());
  EXPECT_EQ(pending.front(), "6:7 it names no radius class 1 to 6: error 103");
}

// The tokens as "line:character text type", decoded from the protocol's
// relative numbers.
std::vector<std::string> token_list(const json& tokens, const json& legend,
                                    const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  std::vector<std::string> out;
  const json& data = tokens["data"];
  int line = 0;
  int character = 0;
  for (std::size_t i = 0; i + 4 < data.size(); i += 5) {
    const int delta_line = data[i];
    line += delta_line;
    character = delta_line == 0 ? character + data[i + 1].get<int>() : data[i + 1].get<int>();
    const std::string shown =
        line < static_cast<int>(lines.size())
            ? lines[static_cast<std::size_t>(line)].substr(static_cast<std::size_t>(character),
                                                           data[i + 2].get<std::size_t>())
            : "?";
    out.push_back(std::to_string(line) + ":" + std::to_string(character) + " " + shown + " " +
                  legend["tokenTypes"][data[i + 3].get<std::size_t>()].get<std::string>());
  }
  return out;
}

TEST(LspServer, ColoursHeadingsKeysNumbersNamesAndIgnoredText) {
  Scenario scenario;
  Client client;
  // Columns in UTF-8 bytes, as the test cuts the text.
  const json capabilities = {{"general", {{"positionEncodings", json::array({"utf-8"})}}}};
  const json legend = client.request(
      "initialize",
      {{"capabilities", capabilities}})["capabilities"]["semanticTokensProvider"]["legend"];
  // A misspelt key, a name with a letter past ASCII, and an error at the
  // first signal that leaves the second unread.
  std::string train = replaced(scenario.train(), "sabbia,", "sabia,");
  train = replaced(train, "Borgo Sud", "Borgo Sù");
  train = replaced(train, "segnale,    1050", "segnale,    1000");
  client.open(scenario.train_uri, train);
  const std::vector<std::string> tokens =
      token_list(client.request("textDocument/semanticTokens/full",
                                {{"textDocument", {{"uri", scenario.train_uri}}}}),
                 legend, train);
  for (const char* expected : {
           "0:0 [generale] namespace",
           "1:0 numero vetture keyword",
           "1:19 6 number",
           "3:0 sabia variable",  // matches no key
           "3:10 100 variable",   // so its value is read as a key, matching none
           "4:13 8 number",       // numbers end at a blank
           "10:0 [stazioni] namespace",
           "11:68 Capo Nord string",
           "12:71 Borgo Sù string",
           "16:0 segnale keyword",
           "16:12 1000 number",
           "17:0 segnale comment",  // never read
           "17:12 8000 comment",
       }) {
    EXPECT_TRUE(holds(tokens, expected)) << expected << "\n" << ::testing::PrintToString(tokens);
  }
}

TEST(LspServer, GoesFromAConflictToTheRowHoldingTheCell) {
  Scenario scenario;
  Client client;
  client.initialize();
  client.open(scenario.train_uri,
              replaced(scenario.train(), "segnale,    1050", "segnale,    1000"));
  // From anywhere on the signal's row: the speed indicators' position.
  for (const int character : {0, 14}) {
    EXPECT_EQ(
        client.request("textDocument/definition", Client::at(scenario.train_uri, 16, character)),
        json::array({{{"uri", scenario.line_uri}, {"range", range(15, 18, 22)}}}));
  }
  // And back from the indicators' row to the signal's position.
  client.open(scenario.line_uri, scenario.line());
  EXPECT_EQ(client.request("textDocument/definition", Client::at(scenario.line_uri, 15, 3)),
            json::array({{{"uri", scenario.train_uri}, {"range", range(16, 12, 16)}}}));
  // Another row points nowhere; nor does the signal once it moves off.
  EXPECT_EQ(client.request("textDocument/definition", Client::at(scenario.train_uri, 17, 14)),
            nullptr);
  client.change(scenario.train_uri, scenario.train());
  EXPECT_EQ(client.request("textDocument/definition", Client::at(scenario.train_uri, 16, 14)),
            nullptr);
}

// A slow-down's warning board has no row of its own: a signal set on the
// board's cell (1200 m before the slow-down) leads to the slow-down's row.
TEST(LspServer, GoesFromAConflictOnAWarningBoardToItsSlowDown) {
  Scenario scenario;
  Client client;
  client.initialize();
  client.open(scenario.train_uri,
              replaced(scenario.train(), "segnale,    8000", "segnale,   10800"));
  EXPECT_EQ(client.request("textDocument/definition", Client::at(scenario.train_uri, 17, 3)),
            json::array({{{"uri", scenario.train_uri}, {"range", range(14, 16, 21)}}}));
  EXPECT_EQ(client.request("textDocument/definition", Client::at(scenario.train_uri, 14, 3)),
            json::array({{{"uri", scenario.train_uri}, {"range", range(17, 11, 16)}}}));
}

}  // namespace
}  // namespace borgo::tools::lsp
