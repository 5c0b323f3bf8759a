#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "documents/line_table.hpp"

namespace borgo::documents {

// The scenario's five documents as line tables, embedded when the program is built.
const LineTable& line_description();   // the line description (compiler input)
const LineTable& train_description();  // the train description (compiler input)
const LineTable& notes();
const LineTable& slow_down_order();
const LineTable& train_sheet();

// File names, built from the scenario names.
std::string line_description_name(std::string_view line_name);
std::string train_description_name(std::string_view line_name, std::string_view train_name);
std::string notes_name(std::string_view line_name, std::string_view train_name);
std::string slow_down_order_name(std::string_view line_name, std::string_view train_name);
std::string train_sheet_name(std::string_view line_name, std::string_view train_name);

// Writes one table into `path`, replacing any older file. Throws storage::FileError.
void write_document(const std::filesystem::path& path, const LineTable& table);

// The five writers: each writes its document into `folder`.
void dati_linea(const std::filesystem::path& folder, std::string_view line_name);
void dati_treno(const std::filesystem::path& folder, std::string_view line_name,
                std::string_view train_name);
void dati_note(const std::filesystem::path& folder, std::string_view line_name,
               std::string_view train_name);
void dati_rallentamenti(const std::filesystem::path& folder, std::string_view line_name,
                        std::string_view train_name);
void dati_scheda(const std::filesystem::path& folder, std::string_view line_name,
                 std::string_view train_name);

}  // namespace borgo::documents
