#include "tools/lsp/server.hpp"

#include <algorithm>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <stdexcept>
#include <utility>

#include "tools/lsp/analysis.hpp"
#include "tools/lsp/diagnostics.hpp"
#include "tools/lsp/documents.hpp"
#include "tools/lsp/edits/code_actions.hpp"
#include "tools/lsp/edits/formatting.hpp"
#include "tools/lsp/features.hpp"
#include "tools/lsp/protocol/positions.hpp"
#include "tools/lsp/views/definition.hpp"
#include "tools/lsp/views/inlay_hints.hpp"
#include "tools/lsp/views/semantic_tokens.hpp"

namespace borgo::tools::lsp {
namespace {

using nlohmann::json;
using Clock = LanguageServer::Clock;

// JSON-RPC's and the protocol's error codes.
enum ErrorCode {
  kParseError = -32700,
  kInvalidRequest = -32600,
  kMethodNotFound = -32601,
  kInvalidParams = -32602,
  kInternalError = -32603,
  kServerNotInitialized = -32002,
};

// Parameters a method cannot take: the request is answered with kInvalidParams.
class InvalidParams : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A request that is not due now: answered with kInvalidRequest.
class InvalidRequest : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// How deep a message's values may nest. The protocol's own messages nest a
// dozen levels at most. Copying, comparing and writing a value recurse on its
// depth, so a deeper message is refused while it is parsed (the parser keeps
// a stack of its own), before a value that deep exists.
constexpr int kMostNesting = 64;

struct ParsedMessage {
  json message;           // discarded when the content is not JSON
  bool too_deep = false;  // what nests deeper than kMostNesting was left out
};

ParsedMessage parsed_message(std::string_view content) {
  ParsedMessage out;
  bool& too_deep = out.too_deep;
  const json::parser_callback_t bounded = [&too_deep](int depth, json::parse_event_t event,
                                                      const json&) {
    const bool opens =
        event == json::parse_event_t::object_start || event == json::parse_event_t::array_start;
    if (!opens || depth < kMostNesting) return true;
    too_deep = true;
    return false;  // neither this value nor anything in it is built
  };
  out.message = json::parse(content, bounded, false);
  return out;
}

std::string dumped(const json& message) {
  // Text from the documents and file names is UTF-8 already; a name that is
  // not is shown with replacement characters rather than dropped.
  return message.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string error_response(const json& id, int code, const std::string& message) {
  return dumped(
      {{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}});
}

std::string notification(std::string_view method, json params) {
  return dumped({{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}});
}

const json& member(const json& object, const char* name) {
  if (!object.is_object())
    throw InvalidParams("expected an object holding \"" + std::string(name) + "\"");
  const auto it = object.find(name);
  if (it == object.end()) throw InvalidParams("\"" + std::string(name) + "\" is missing");
  return *it;
}

std::string string_member(const json& object, const char* name) {
  const json& value = member(object, name);
  if (!value.is_string()) throw InvalidParams("\"" + std::string(name) + "\" must be a string");
  return value.get<std::string>();
}

std::int64_t integer_member(const json& object, const char* name) {
  const json& value = member(object, name);
  if (!value.is_number_integer()) {
    throw InvalidParams("\"" + std::string(name) + "\" must be an integer");
  }
  return value.get<std::int64_t>();
}

std::string uri_of(const json& params) {
  return string_member(member(params, "textDocument"), "uri");
}

// A boolean deep in the client's capabilities; false when any step is missing.
bool capability(const json& capabilities, std::initializer_list<const char*> path) {
  const json* at = &capabilities;
  for (const char* step : path) {
    if (!at->is_object()) return false;
    const auto it = at->find(step);
    if (it == at->end()) return false;
    at = &*it;
  }
  return at->is_boolean() && at->get<bool>();
}

// Whether the client shows Markdown in a hover: it says so, or says nothing.
bool markdown_hover(const json& capabilities) {
  const json* at = &capabilities;
  for (const char* step : {"textDocument", "hover", "contentFormat"}) {
    if (!at->is_object() || !at->contains(step)) return true;
    at = &(*at)[step];
  }
  if (!at->is_array()) return true;
  for (const json& format : *at) {
    if (format == "markdown") return true;
  }
  return false;
}

}  // namespace

struct LanguageServer::State {
  enum class Phase { kBeforeInitialize, kRunning, kShutDown, kExited };

  State(ServerOptions given, DocumentLimits limits) : options(given), documents(limits) {}

  ServerOptions options;
  Phase phase = Phase::kBeforeInitialize;
  bool shut_down = false;
  PositionEncoding encoding = PositionEncoding::kUtf16;
  bool snippets = false;
  bool markdown = true;
  bool hierarchical_symbols = false;
  Documents documents;

  // A change's diagnostics wait for the next change, but not for ever.
  std::optional<Clock::time_point> publish_at;
  std::optional<Clock::time_point> waiting_since;
  // What each document was last given, so that only news is published.
  std::map<std::string, json> published;
  // Compiles of the documents as they are now: changed documents start a
  // new generation. Only the few last used are kept, for hover: a compile
  // holds its line's whole cell grid, many times the size of the documents.
  static constexpr std::size_t kMostCompilesKept = 8;
  struct KeptCompile {
    std::uint64_t generation = 0;
    std::uint64_t used = 0;
    CompiledPair pair;
  };
  std::uint64_t generation = 0;
  std::uint64_t uses = 0;
  std::map<std::pair<std::string, std::string>, KeptCompile> compiled;

  void changed(Clock::time_point now) {
    ++generation;
    if (phase != Phase::kRunning) return;
    if (!waiting_since) waiting_since = now;
    const Clock::time_point latest = *waiting_since + 10 * options.debounce;
    publish_at = std::min(now + options.debounce, latest);
  }

  // The pairing's compile, valid until the next call.
  const CompiledPair& compile(const Pairing& pairing) {
    const std::pair<std::string, std::string> key{pairing.line_uri, pairing.train_uri};
    auto it = compiled.find(key);
    if (it == compiled.end() && compiled.size() >= kMostCompilesKept) {
      compiled.erase(std::min_element(compiled.begin(), compiled.end(), [](auto& a, auto& b) {
        return a.second.used < b.second.used;
      }));
    }
    if (it == compiled.end() || it->second.generation != generation) {
      it = compiled
               .insert_or_assign(key, KeptCompile{.generation = generation,
                                                  .pair = compile_pairing(documents, pairing)})
               .first;
    }
    it->second.used = ++uses;
    return it->second.pair;
  }

  std::vector<std::string> publish() {
    publish_at.reset();
    waiting_since.reset();
    std::map<std::string, json> wanted;
    std::map<std::string, std::set<std::string>> seen;
    std::set<std::pair<std::string, std::string>> done;
    for (const auto& [uri, document] : documents.open_documents()) {
      for (const Pairing& pairing : documents.pairings_of(document)) {
        if (!done.insert({pairing.line_uri, pairing.train_uri}).second) continue;
        const CompiledPair& compiled_pair = compile(pairing);
        for (const compiler::Document d :
             {compiler::Document::kLineDescription, compiler::Document::kTrainDescription}) {
          if (compiled_pair.text(d)) wanted.emplace(compiled_pair.uri(d), json::array());
        }
        for (auto& [target, diagnostics] : diagnostics_of(compiled_pair, encoding)) {
          json& list = wanted.emplace(target, json::array()).first->second;
          for (json& diagnostic : diagnostics) {
            if (seen[target].insert(dumped(diagnostic)).second)
              list.push_back(std::move(diagnostic));
          }
        }
      }
    }
    // Compiles of pairings no document needs now are dropped.
    std::erase_if(compiled, [&](const auto& entry) { return !done.contains(entry.first); });
    std::vector<std::string> out;
    const auto send = [&](const std::string& uri, const json& diagnostics) {
      json params = {{"uri", uri}, {"diagnostics", diagnostics}};
      if (const OpenDocument* open = documents.find(uri)) params["version"] = open->version;
      out.push_back(notification("textDocument/publishDiagnostics", std::move(params)));
    };
    for (auto it = published.begin(); it != published.end();) {
      if (wanted.contains(it->first)) {
        ++it;
        continue;
      }
      if (!it->second.empty()) send(it->first, json::array());
      it = published.erase(it);
    }
    for (auto& [uri, diagnostics] : wanted) {
      const auto it = published.find(uri);
      if (it != published.end() && it->second == diagnostics) continue;
      send(uri, diagnostics);
      published[uri] = std::move(diagnostics);
    }
    return out;
  }

  // ---- requests

  json initialize(const json& params) {
    if (phase != Phase::kBeforeInitialize) throw InvalidRequest("initialize came twice");
    const json capabilities =
        params.is_object() ? params.value("capabilities", json::object()) : json::object();
    encoding = negotiated_encoding(capabilities);
    snippets = capability(capabilities,
                          {"textDocument", "completion", "completionItem", "snippetSupport"});
    markdown = markdown_hover(capabilities);
    hierarchical_symbols = capability(
        capabilities, {"textDocument", "documentSymbol", "hierarchicalDocumentSymbolSupport"});
    phase = Phase::kRunning;
    return {{"capabilities",
             {{"positionEncoding", encoding_name(encoding)},
              {"textDocumentSync",
               {{"openClose", true}, {"change", 1}, {"save", {{"includeText", false}}}}},
              {"hoverProvider", true},
              {"completionProvider", {{"triggerCharacters", json::array({"["})}}},
              {"documentSymbolProvider", true},
              {"codeActionProvider", {{"codeActionKinds", json::array({"quickfix"})}}},
              {"documentFormattingProvider", true},
              {"documentRangeFormattingProvider", true},
              {"inlayHintProvider", true},
              {"semanticTokensProvider", {{"legend", semantic_tokens_legend()}, {"full", true}}},
              {"definitionProvider", true}}},
            {"serverInfo", {{"name", "scenario-tool lsp"}}}};
  }

  // The open description a request is about, and its document's place.
  struct Target {
    const OpenDocument* open = nullptr;
    compiler::Document document = compiler::Document::kLineDescription;
  };
  std::optional<Target> target(const json& params) {
    const OpenDocument* open = documents.find(uri_of(params));
    if (open == nullptr) return std::nullopt;
    const std::vector<DescriptionName> names = description_names(file_name_of_uri(open->uri));
    if (names.empty()) return std::nullopt;
    return Target{open, names.front().document};
  }

  std::optional<compiler::FieldLocation> location(const PositionMap& positions,
                                                  const json& params) {
    const json& position = member(params, "position");
    const std::int64_t line = integer_member(position, "line");
    const std::int64_t character = integer_member(position, "character");
    if (line < 0 || character < 0) throw InvalidParams("a position is never negative");
    return positions.location(line, character);
  }

  json hover_at(const json& params) {
    const std::optional<Target> at = target(params);
    if (!at) return nullptr;
    const std::vector<Pairing> pairings = documents.pairings_of(*at->open);
    if (pairings.empty()) return nullptr;
    const CompiledPair& compiled_pair = compile(pairings.front());
    const std::optional<DocumentText>& text = compiled_pair.text(at->document);
    if (!text) return nullptr;
    const PositionMap positions(*text, encoding);
    const std::optional<compiler::FieldLocation> spot = location(positions, params);
    if (!spot) return nullptr;
    return hover(compiled_pair, at->document, positions, *spot, markdown);
  }

  json completion_at(const json& params) {
    json list = {{"isIncomplete", false}, {"items", json::array()}};
    const std::optional<Target> at = target(params);
    if (!at) return list;
    const PositionMap positions(at->open->text, encoding);
    const std::optional<compiler::FieldLocation> spot = location(positions, params);
    if (!spot) return list;
    list["items"] = completion(at->open->text, at->document, positions, *spot, snippets);
    return list;
  }

  json symbols_of(const json& params) {
    const std::optional<Target> at = target(params);
    if (!at) return json::array();
    const PositionMap positions(at->open->text, encoding);
    return document_symbols(at->open->text, at->document, positions, at->open->uri,
                            hierarchical_symbols);
  }

  // The request's range, checked.
  static const json& range_of(const json& params) {
    const json& range = member(params, "range");
    if (!is_range(range)) throw InvalidParams("\"range\" must be a range");
    return range;
  }

  json code_actions_of(const json& params) {
    const json& range = range_of(params);
    const json& diagnostics = member(member(params, "context"), "diagnostics");
    const std::optional<Target> at = target(params);
    if (!at) return json::array();
    const std::vector<Pairing> pairings = documents.pairings_of(*at->open);
    if (pairings.empty()) return json::array();
    return quick_fixes(compile(pairings.front()), at->document, encoding, range, diagnostics);
  }

  json formatting_of(const json& params, bool ranged) {
    std::optional<LineSpan> lines;
    if (ranged) {
      const json& range = range_of(params);
      lines = LineSpan{range["start"]["line"].get<std::int64_t>(),
                       range["end"]["line"].get<std::int64_t>()};
      // A range ending at a line's start leaves that line out.
      if (range["end"]["character"] == 0 && lines->last > lines->first) --lines->last;
    }
    const std::optional<Target> at = target(params);
    if (!at) return json::array();
    return formatting_edits(at->open->text, encoding, lines);
  }

  // The compile of the pairing a request's description is in; nullptr when
  // it is in none, or is no description.
  const CompiledPair* compiled_for(const Target& at) {
    const std::vector<Pairing> pairings = documents.pairings_of(*at.open);
    if (pairings.empty()) return nullptr;
    const CompiledPair& compiled_pair = compile(pairings.front());
    return compiled_pair.text(at.document) ? &compiled_pair : nullptr;
  }

  json inlay_hints_in(const json& params) {
    const std::optional<Target> at = target(params);
    const CompiledPair* compiled_pair = at ? compiled_for(*at) : nullptr;
    if (compiled_pair == nullptr) return json::array();
    const PositionMap positions(*compiled_pair->text(at->document), encoding);
    const json& range = member(params, "range");
    const std::optional<compiler::FieldLocation> first =
        location(positions, {{"position", member(range, "start")}});
    if (!first) return json::array();  // the range starts past the end
    const std::optional<compiler::FieldLocation> last =
        location(positions, {{"position", member(range, "end")}});
    return inlay_hints(*compiled_pair, at->document, positions, first->line,
                       last ? last->line : INT32_MAX);
  }

  json semantic_tokens_of(const json& params) {
    const std::optional<Target> at = target(params);
    const CompiledPair* compiled_pair = at ? compiled_for(*at) : nullptr;
    if (compiled_pair == nullptr) return {{"data", json::array()}};
    const PositionMap positions(*compiled_pair->text(at->document), encoding);
    return semantic_tokens(*compiled_pair, at->document, positions);
  }

  json definition_at(const json& params) {
    const std::optional<Target> at = target(params);
    const CompiledPair* compiled_pair = at ? compiled_for(*at) : nullptr;
    if (compiled_pair == nullptr) return nullptr;
    const PositionMap positions(*compiled_pair->text(at->document), encoding);
    const std::optional<compiler::FieldLocation> spot = location(positions, params);
    if (!spot) return nullptr;
    json found = definition(*compiled_pair, at->document, *spot, encoding);
    return found.empty() ? json(nullptr) : found;
  }

  json request(const std::string& method, const json& params, bool& known) {
    known = true;
    if (method == "initialize") return initialize(params);
    if (method == "shutdown") {
      phase = Phase::kShutDown;
      shut_down = true;
      return nullptr;
    }
    if (method == "textDocument/hover") return hover_at(params);
    if (method == "textDocument/completion") return completion_at(params);
    if (method == "textDocument/documentSymbol") return symbols_of(params);
    if (method == "textDocument/codeAction") return code_actions_of(params);
    if (method == "textDocument/formatting") return formatting_of(params, false);
    if (method == "textDocument/rangeFormatting") return formatting_of(params, true);
    if (method == "textDocument/inlayHint") return inlay_hints_in(params);
    if (method == "textDocument/semanticTokens/full") return semantic_tokens_of(params);
    if (method == "textDocument/definition") return definition_at(params);
    known = false;
    return nullptr;
  }

  // ---- notifications

  // What the user is told when a document is past the limits of what is kept.
  std::string not_followed(const std::string& uri, std::string_view why) const {
    const DocumentLimits& limits = documents.limits();
    return notification(
        "window/showMessage",
        {{"type", 2},
         {"message", "scenario-tool lsp: " + file_name_of_uri(uri) + " " + std::string(why) +
                         ": the server follows at most " + std::to_string(limits.most_documents) +
                         " open documents, with " + std::to_string(limits.most_bytes >> 20) +
                         " MB of text in all. Close others, then open it again."}});
  }

  // The messages a notification calls for.
  std::vector<std::string> notified(const std::string& method, const json& params,
                                    Clock::time_point now) {
    if (method == "textDocument/didOpen") {
      const json& document = member(params, "textDocument");
      const std::string uri = string_member(document, "uri");
      if (!documents.open(uri, string_member(document, "text"),
                          integer_member(document, "version"))) {
        return {not_followed(uri, "is not followed")};
      }
      changed(now);
    } else if (method == "textDocument/didChange") {
      const json& document = member(params, "textDocument");
      const json& changes = member(params, "contentChanges");
      if (!changes.is_array() || changes.empty()) throw InvalidParams("no content change");
      // Whole documents only, as the server asked: the last one is the text.
      const json& last = changes.back();
      if (last.is_object() && last.contains("range")) {
        throw InvalidParams("a change of a range: the server takes whole documents only");
      }
      const std::string uri = string_member(document, "uri");
      const Documents::Change change =
          documents.change(uri, string_member(last, "text"), integer_member(document, "version"));
      if (change == Documents::Change::kNotOpen) {
        throw InvalidParams("a change to a document that is not open");
      }
      changed(now);
      if (change == Documents::Change::kTooLarge) {
        return {not_followed(uri, "has grown too large and is no longer followed")};
      }
    } else if (method == "textDocument/didSave") {
      uri_of(params);
      changed(now);  // a partner on disk may read differently now
    } else if (method == "textDocument/didClose") {
      documents.close(uri_of(params));
      changed(now);
    }
    // initialized, $/cancelRequest, $/setTrace and the others need nothing.
    return {};
  }
};

LanguageServer::LanguageServer(ServerOptions options, DocumentLimits limits)
    : state_(std::make_unique<State>(options, limits)) {}

LanguageServer::~LanguageServer() = default;

std::vector<std::string> LanguageServer::bad_frame(std::string_view problem) {
  return {error_response(nullptr, kParseError,
                         "a message header that cannot be read: " + std::string(problem))};
}

std::vector<std::string> LanguageServer::receive(std::string_view content, Clock::time_point now) {
  State& s = *state_;
  const ParsedMessage parsed = parsed_message(content);
  const json& message = parsed.message;
  if (message.is_discarded()) {
    return {error_response(nullptr, kParseError, "the message is not JSON")};
  }
  if (parsed.too_deep) {
    // Answered even when it may have been a notification: its id may be
    // what was too deep to read.
    const auto id = message.find("id");  // end() when the message is no object
    const bool id_known = id != message.end() && (id->is_string() || id->is_number_integer());
    return {error_response(id_known ? *id : json(nullptr), kInvalidRequest,
                           "the message nests deeper than " + std::to_string(kMostNesting) +
                               " levels: it is not read")};
  }
  if (!message.is_object()) {
    return {error_response(nullptr, kInvalidRequest, "a message must be one JSON object")};
  }
  const auto id_at = message.find("id");
  const bool has_id = id_at != message.end();
  const json id = has_id ? *id_at : json(nullptr);
  if (has_id && !id.is_string() && !id.is_number_integer()) {
    return {error_response(nullptr, kInvalidRequest, "an id must be an integer or a string")};
  }
  const auto method_at = message.find("method");
  if (method_at == message.end()) {
    // A client's answer to a request of ours: the server sends none.
    if (has_id && (message.contains("result") || message.contains("error"))) return {};
    return {error_response(id, kInvalidRequest, "a message without a method")};
  }
  if (!method_at->is_string() || message.value("jsonrpc", json()) != "2.0") {
    return {error_response(id, kInvalidRequest,
                           "a request needs \"jsonrpc\": \"2.0\" and a method name")};
  }
  const std::string method = method_at->get<std::string>();
  const json params = message.value("params", json::object());
  if (!params.is_object() && !params.is_array()) {
    if (!has_id) return {};
    return {error_response(id, kInvalidParams, "params must be an object or an array")};
  }

  if (method == "exit") {
    s.phase = State::Phase::kExited;
    return {};
  }
  if (s.phase == State::Phase::kBeforeInitialize && method != "initialize") {
    if (!has_id) return {};  // notifications before initialize are dropped
    return {error_response(id, kServerNotInitialized, "the server is not initialized yet")};
  }
  if (s.phase == State::Phase::kShutDown) {
    if (!has_id) return {};
    return {error_response(id, kInvalidRequest, "the server has been shut down")};
  }
  if (!has_id) {
    try {
      return s.notified(method, params, now);
    } catch (const std::exception& failure) {
      return {notification("window/logMessage",
                           {{"type", 1}, {"message", method + ": " + failure.what()}})};
    }
  }
  try {
    bool known = false;
    json result = s.request(method, params, known);
    if (!known) return {error_response(id, kMethodNotFound, "no method " + method)};
    return {dumped({{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}})};
  } catch (const InvalidParams& wrong) {
    return {error_response(id, kInvalidParams, wrong.what())};
  } catch (const InvalidRequest& wrong) {
    return {error_response(id, kInvalidRequest, wrong.what())};
  } catch (const std::exception& failure) {
    return {error_response(id, kInternalError, method + " failed: " + failure.what())};
  }
}

std::vector<std::string> LanguageServer::due(Clock::time_point now) {
  State& s = *state_;
  if (!s.publish_at || now < *s.publish_at || s.phase != State::Phase::kRunning) return {};
  return s.publish();
}

std::optional<LanguageServer::Clock::time_point> LanguageServer::next_due() const {
  return state_->phase == State::Phase::kRunning ? state_->publish_at : std::nullopt;
}

bool LanguageServer::exited() const { return state_->phase == State::Phase::kExited; }

int LanguageServer::exit_status() const {
  // exit after shutdown ends cleanly; any other end is an error.
  return state_->phase == State::Phase::kExited && state_->shut_down ? 0 : 1;
}

}  // namespace borgo::tools::lsp
