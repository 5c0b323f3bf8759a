#include "tools/findings/reference/reference.hpp"

#include <span>
#include <string_view>

#include "compiler/description_format.hpp"
#include "compiler/error_catalog.hpp"
#include "compiler/file_names.hpp"
#include "compiler/route_model.hpp"
#include "tools/findings/scenario_compile.hpp"

namespace borgo::tools {
namespace {

namespace format = compiler::format;

// Text for a table cell: a '|' would end the cell, a line end the row.
std::string cell(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '|') {
      out += "\\|";
    } else if (c == '\r' || c == '\n') {
      out += ' ';
    } else {
      out += c;
    }
  }
  return out;
}

std::string quoted(std::string_view word) { return "\"" + std::string(word) + "\""; }

// "holds "percorso" and "lunghezza", in any letter case"
std::string key_test(const compiler::KeyWords& key) {
  std::string words;
  for (const std::string_view word : key.words) {
    if (word.empty()) continue;
    if (!words.empty()) words += " and ";
    words += quoted(word);
  }
  return "the key field holds " + words +
         (key.letter_case == compiler::LetterCase::kExact ? ", in lower case as written here"
                                                          : ", in any letter case");
}

std::string numbers(std::span<const compiler::error::Number> errors) {
  std::string out;
  for (const compiler::error::Number n : errors) {
    if (!out.empty()) out += ", ";
    out += "[" + std::to_string(n) + "](#error-" + std::to_string(n) + ")";
  }
  return out;
}

std::string type_of(const format::FieldFormat& field) {
  std::string out(format::type_name(field.type));
  const std::string_view range = format::type_range(field.type);
  if (!range.empty()) out += ", " + std::string(range);
  return out;
}

std::string anchor(const format::RowFormat& row) {
  std::string out = "row-";
  for (const char c : row.name) out += c == ' ' ? '-' : c;
  return out;
}

void row_section(std::string& out, const format::RowFormat& row) {
  out += "<a id=\"" + anchor(row) + "\"></a>\n";
  out += "### `" + std::string(row.name) + "`: " + std::string(row.title) + "\n\n";
  out += std::string(row.summary) + "\n\n";
  out += "Key: " + key_test(*row.key) + ".";
  if (!row.key_rule.empty()) out += " " + std::string(row.key_rule);
  out += "\n\nFrom the embedded scenario:\n\n```\n" + std::string(row.example) + "\n```\n\n";
  out += "| # | field | meaning | unit | type | checks | in the compiled files | errors |\n";
  out += "|---|---|---|---|---|---|---|---|\n";
  int n = 1;
  for (const format::FieldFormat& field : row.fields) {
    out += "| " + std::to_string(n++) + " | `" + std::string(field.name) + "` | " +
           cell(field.meaning) + " | " + cell(format::unit_name(field.unit)) + " | " +
           cell(type_of(field)) + " | " + cell(field.checks) + " | " + cell(field.lands) + " | " +
           numbers(field.errors) + " |\n";
  }
  out += "\n";
  if (!row.errors.empty()) out += "The row as a whole: errors " + numbers(row.errors) + ".\n\n";
  if (!row.warnings.empty()) {
    out += "Warnings:";
    bool first = true;
    for (const compiler::CompileWarning::Kind kind : row.warnings) {
      out += std::string(first ? " " : ", ") + "[`" + std::string(format::warning(kind).name) +
             "`](#warnings)";
      first = false;
    }
    out += ".\n\n";
  }
}

void rows_of(std::string& out, format::Section section) {
  for (const format::RowFormat& row : format::rows_of(section)) row_section(out, row);
}

}  // namespace

std::string description_reference_markdown() {
  compiler::RouteModel names;
  names.line_name = "LINE";
  names.train_name = "TRAIN";
  compiler::RouteModel embedded;
  embedded.line_name = kEmbeddedLine;
  embedded.train_name = kEmbeddedTrain;

  std::string out = "# The line and train descriptions\n\n";
  out +=
      "<!-- Made from compiler/description_format.cpp and compiler/error_catalog.hpp by\n"
      "     cmake --build build/debug --target description_format_doc\n"
      "     Change those, not this file: a test fails while the two differ. -->\n\n";
  out += "A scenario is two text documents: the line description, `" +
         compiler::line_description_name(names) + "`, and the train description, `" +
         compiler::train_description_name(names) +
         "`, where LINE and TRAIN are the scenario's names (the embedded scenario's are `" +
         compiler::line_description_name(embedded) + "` and `" +
         compiler::train_description_name(embedded) +
         "`). Both are single-byte text in the Windows-1252 code page, one row a line.\n\n"
         "`scenario-tool emit DIR` writes the embedded scenario as a start; "
         "`scenario-tool compile DIR --line LINE --train TRAIN` compiles a scenario and says "
         "where and why it fails; `scenario-tool explain DIR --line LINE --train TRAIN "
         "FILE:LINE` shows what one line of a description holds, field by field; "
         "`scenario-tool decompile DIR --line LINE --train TRAIN` writes the descriptions back "
         "from the compiled files, and `scenario-tool unpack PROGRAM` the documents a package "
         "program carries.\n\n";

  out +=
      "- [General rules](#general-rules)\n"
      "- [The line description](#the-line-description)\n"
      "- [The train description](#the-train-description)\n"
      "- [Error numbers](#error-numbers)\n"
      "- [Warnings](#warnings)\n"
      "- [What the tool says](#what-the-tool-says)\n\n";

  out += "## General rules\n\n";
  for (const format::GeneralRule& rule : format::general_rules()) {
    out += "**" + std::string(rule.title) + ".** " + std::string(rule.text) + "\n\n";
  }

  out += "## The line description\n\n";
  out += "Its general section, from the field that holds " + quoted(format::kGeneralHeading) +
         " up to the next section heading, holds the rows below; the line's length must be "
         "among them. A key may be replaced by the field after it up to " +
         std::to_string(format::kGeneralDashReads) + " times there.\n\n";
  rows_of(out, format::Section::kLineGeneral);
  out +=
      "After the general section come the body's rows, in any order, under whatever "
      "headings an author likes (the embedded scenario uses \"[curve]\", \"[pendenze]\", "
      "\"[montagne]\", \"[cartelli]\", \"[indicazioni]\" and \"[fine]\"). A key may be "
      "replaced by the field after it up to " +
      std::to_string(format::kBodyDashReads) + " times.\n\n";
  rows_of(out, format::Section::kLineBody);

  out += "## The train description\n\n";
  out += "Every row may come anywhere after the field that holds " +
         quoted(format::kGeneralHeading) +
         ", in any order; the keys ignore letter case. A "
         "key may be replaced by the field after it up to " +
         std::to_string(format::kBodyDashReads) + " times.\n\n";
  rows_of(out, format::Section::kTrainBody);

  out += "## Error numbers\n\n";
  out +=
      "The compile records at most one error: reading stops at the first (see the general "
      "rules). 1250 and 1251 are fatal: the program shows \" Errore n. \" and the number and "
      "writes no compiled file.\n\n";
  out += "| number | name | meaning | what to do |\n|---|---|---|---|\n";
  for (const compiler::ErrorInfo& e : compiler::error_catalog()) {
    out += "| <a id=\"error-" + std::to_string(e.number) + "\"></a>" + std::to_string(e.number) +
           " | `" + std::string(e.name) + "` | " + cell(e.message) + " | " + cell(e.advice) +
           " |\n";
  }
  out += "\n## Warnings\n\n";
  out +=
      "A warning leaves the compile going: the format accepts the text, though an author "
      "hardly means it.\n\n";
  out += "| name | meaning | what to do |\n|---|---|---|\n";
  for (const format::WarningFormat& w : format::warnings()) {
    out += "| `" + std::string(w.name) + "` | " + cell(w.meaning) + " | " + cell(w.advice) + " |\n";
  }
  out += "\n## What the tool says\n\n";
  out +=
      "Beyond an error's or a warning's own meaning, `scenario-tool` words these cases as "
      "below (compile's diagnostics, `explain`, the language server, the preview), each name "
      "in braces filled in from the document: {key} is the key field as written, {section} "
      "the section it stands in, {lost} what the scenario lacks for the row.\n\n";
  out += "| about | when | what it says |\n|---|---|---|\n";
  for (const format::Saying& saying : format::sayings()) {
    out +=
        "| " + cell(saying.about) + " | " + cell(saying.when) + " | " + cell(saying.says) + " |\n";
  }
  return out;
}

}  // namespace borgo::tools
