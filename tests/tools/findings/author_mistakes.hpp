#pragma once

// Slips authors make, each a one-line edit of the emitted scenario, with the
// first diagnostic it must give and the words that tell the fix. The
// compile's diagnostics and the language server's are both held to them.

#include <string>
#include <utility>
#include <vector>

#include "compiler/compile_report.hpp"
#include "documents/documents.hpp"
#include "documents/line_table.hpp"

namespace borgo::tools::testing {

struct AuthorMistake {
  const char* name;
  compiler::Document document;  // the one edited: its first `from` becomes `to`
  std::string from;
  std::string to;
  // The first diagnostic of this code (a warning's name, or an error's number).
  std::string code;
  compiler::Document at_document;
  int line = 0;
  int column = 0;
  std::vector<std::string> words;  // what its message says
  bool in_editor = true;           // an editor can type it (not a UTF-8 file)
};

inline const std::string kMistakeLineName = "Borgo_Mar";
inline const std::string kMistakeTrainName = "TX 903";

// The emitted scenario with its one warning, a decimal comma, put right, so
// that each slip's diagnostic is its own.
inline std::pair<std::string, std::string> clean_documents() {
  std::string line = documents::render_lines(documents::line_description());
  const std::string comma = "pendenza,  1250,   -4,5";
  line.replace(line.find(comma), comma.size(), "pendenza,  1250,   -4");
  return {line, documents::render_lines(documents::train_description())};
}

// The two documents with the slip made; empty when `from` is not there.
inline std::pair<std::string, std::string> with_mistake(const AuthorMistake& mistake) {
  auto documents = clean_documents();
  std::string& text =
      mistake.document == compiler::Document::kLineDescription ? documents.first : documents.second;
  const std::size_t at = text.find(mistake.from);
  if (at == std::string::npos) return {};
  text.replace(at, mistake.from.size(), mistake.to);
  return documents;
}

inline const std::vector<AuthorMistake>& author_mistakes() {
  using D = compiler::Document;
  constexpr D L = D::kLineDescription;
  constexpr D T = D::kTrainDescription;
  static const std::vector<AuthorMistake> cases = {
      {"a misspelt station key",
       T,
       "stazione,    6800",
       "stazoine,    6800",
       "ignored-row",
       T,
       70,
       1,
       {"\"stazoine\" matches no key of the train description", "did you mean \"stazione\"?",
        "The row is ignored: no station at 6800 m"}},
      {"a misspelt signal key",
       T,
       "segnale,    2800",
       "segnael,    2800",
       "ignored-row",
       T,
       119,
       1,
       {"did you mean \"segnale\"?", "no signal at 2800 m"}},
      {"a misspelt setting",
       T,
       "sabbia,    180",
       "sabia,    180",
       "ignored-row",
       T,
       4,
       1,
       {"did you mean \"sabbia\"?", "the sand is not set"}},
      {"a misspelt curve key, near its example",
       L,
       "curvas1,  1350",
       "cruvas1,  1350",
       "ignored-row",
       L,
       11,
       1,
       {"did you mean \"curva\"?", "no curve at 1350 m"}},
      {"a misspelt line length, which the errors then miss",
       L,
       "lunghezza percorso",
       "lungezza percorso",
       "ignored-row",
       L,
       2,
       1,
       {"did you mean \"lunghezza percorso\"?", "the line's length is not set"}},
      {"a row without its key",
       T,
       "stazione,    6800,",
       "6800,",
       "ignored-row",
       T,
       70,
       1,
       {"\"6800\" stands where a key is due", "its values are not read (17 on line 70)"}},
      {"a key in capitals that is matched in lower case",
       L,
       "sfondo uno",
       "Sfondo uno",
       "ignored-row",
       L,
       6,
       1,
       {"is matched in lower case as written: write \"sfondo uno\"",
        "the first background setting is not set"}},
      {"a sign before any heading",
       L,
       "sfondo uno,    1",
       "cartello_indicatore,  2950,   Km 3",
       "ignored-row",
       L,
       6,
       1,
       {"is a row of the line description's body, not of the line description's general section",
        "put it after the heading that ends the general section", "no line-side sign at 2950 m"}},
      {"a general row after the general section",
       L,
       "[curve]\r\n",
       "[curve]\r\nsfondo due,    1\r\n",
       "ignored-row",
       L,
       11,
       1,
       {"is a row of the line description's general section",
        "put it between \"[generale]\" and the heading after it"}},
      {"a train row in the line description",
       L,
       "[curve]\r\n",
       "[curve]\r\nsegnale,    1050,   2, 4, 1,  1, 0,    2,  2,1,1, 210\r\n",
       "ignored-row",
       L,
       11,
       1,
       {"is a row of the train description", "no signal at 1050 m"}},
      {"a key alone on its line, misspelt",
       T,
       "[rallentamenti]",
       "stazoine\r\n[rallentamenti]",
       "unknown-key",
       T,
       114,
       1,
       {"\"stazoine\" matches no key of the train description, and is skipped",
        "did you mean \"stazione\"?"}},
      {"a decimal comma in the line's length",
       L,
       "lunghezza percorso,    334000",
       "lunghezza percorso,    334000,5",
       "decimal-comma",
       L,
       2,
       31,
       {"\"5\" follows a number and a comma", "decimals are ignored"}},
      {"an empty field, which shifts the values after it",
       T,
       "segnale,    2800,   2,",
       "segnale,    2800,,   2,",
       "decimal-comma",
       T,
       119,
       52,
       {"\"180\" is left over from the \"segnale\" row of line 119, which has an empty field at "
        "column 18",
        "remove the extra comma or write the missing value"}},
      {"a decimal comma in a background setting",
       L,
       "sfondo uno,    1",
       "sfondo uno,    1,5",
       "decimal-comma",
       L,
       6,
       18,
       {"a decimal comma splits the number"}},
      {"a line length cut by a decimal comma, and the error it leads to",
       L,
       "lunghezza percorso,    334000",
       "lunghezza percorso,    30,5",
       "15",
       T,
       9,
       13,
       {"the line's length was read as 30 m: a decimal comma cut \"30,5\" on line 2"}},
      {"a shortened line, whose rows lie past its end",
       L,
       "lunghezza percorso,    334000",
       "lunghezza percorso,    3000",
       "past-line-end",
       L,
       13,
       11,
       {"field \"inizio\" (metres): 3360 m lies past the line's end at 3000 m",
        "not in the scenario"}},
      {"a shortened line: error 15 stays at the train's row",
       L,
       "lunghezza percorso,    334000",
       "lunghezza percorso,    3000",
       "15",
       T,
       9,
       13,
       {"position 18000 m lies beyond the grid",
        "the line's length was read as 3000 m, on line 2"}},
      {"stations out of route order",
       T,
       "stazione,   12600",
       "stazione,    5800",
       "22",
       T,
       72,
       1,
       {"the stations are out of route order",
        "\"Roma San Pietro\" at 5800 m follows \"Roma Trastevere\" at 8900 m on line 71"}},
      {"a station name with a comma",
       T,
       "Roma Ostiense",
       "Ponte Rosso, Scalo",
       "comma-ends-text",
       T,
       70,
       86,
       {"a comma ends the \"stazione\" row's field \"nome\" at \"Ponte Rosso\"",
        "put the text in double quotes: \"Ponte Rosso, Scalo\""}},
      {"a tab in a key, and an error after it",
       T,
       "segnale,    1050,   2,",
       "\tsegnale,    1050,   2x,",
       "25",
       T,
       118,
       22,
       {"text \"2x\" in a numeric field"}},
      {"a document saved as UTF-8",
       T,
       "Roma Ostiense",
       "Roma Ostiense Citt\xC3\xA0",
       "utf8-document",
       T,
       70,
       91,
       {"1 letter beyond ASCII (\xC3\xA0)", "this \"\xC3\xA0\" as \"\xC3\x83\xC2\xA0\"",
        "Windows-1252", "scenario-tool pack --from-utf8"},
       false},
      {"a row typed half",
       T,
       "segnale,    2800,   2, 3, 1,  1, 0,    2,  3,1,1, 180",
       "rallentamento,",
       "25",
       T,
       120,
       1,
       {"the \"rallentamento\" row of line 119 ends before its field \"posizione\"",
        "the reading went on to line 120, where \"segnale\" is no number"}},
      {"a row cut by the document's end",
       T,
       "[fine]",
       "rallentamento,  140400",
       "25",
       T,
       376,
       17,
       {"the \"rallentamento\" row of line 376 ends before its field \"v\": the document ends"}},
  };
  return cases;
}

}  // namespace borgo::tools::testing
