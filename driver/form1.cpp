#include "driver/form1.hpp"

#include <exception>
#include <optional>
#include <stdexcept>
#include <string>

#include "compiler/compile_in_folder.hpp"
#include "documents/documents.hpp"
#include "driver/exit_status.hpp"
#include "driver/own_file_guard.hpp"
#include "storage/file_error.hpp"
#include "storage/folder_lock.hpp"
#include "storage/replace_file.hpp"

namespace borgo::driver {

const WindowLayout kForm1Layout{
    .name = "Form1",
    .title = "Borgo_Mar_TX 903",
    .client_width_twips = 4200,
    .client_height_twips = 2688,
    .label = {.name = "Label1",
              .caption = "Attendere",
              .left_twips = 960,
              .top_twips = 960,
              .width_twips = 2652,
              .height_twips = 792,
              .font_face = "MS Sans Serif",
              .font_points = 24,
              .font_weight = 700,
              .italic = false,
              .underline = false,
              .strikeout = false,
              .charset = 0,
              .tab_index = 0},
};

namespace {

// The folder for this run alone, from before its first document until the
// process ends: a second run started at the same time (a double click) waits
// for the first instead of deleting the descriptions it is reading. What a
// killed run left behind is cleared once the folder is ours.
void take_folder(std::optional<storage::FolderLock>& lock, const std::filesystem::path& folder,
                 std::chrono::milliseconds wait_limit) {
  try {
    lock.emplace(folder, wait_limit);
  } catch (const storage::FileError& failure) {
    throw std::runtime_error("cannot take the folder '" + failure.path().string() +
                             "': " + failure.reason());
  }
  try {
    storage::remove_stale_temporaries(folder);
  } catch (const storage::FileError& failure) {
    throw std::runtime_error("cannot clear the temporary files of an earlier run: '" +
                             failure.path().string() + "': " + failure.reason());
  }
}

// A program named as one of its own files would write over or delete itself,
// and a player would never get it back: the run stops before the first file.
void refuse_to_write_over_itself(Platform& platform, const std::filesystem::path& folder,
                                 const documents::Scenario& scenario) {
  const std::optional<std::filesystem::path> own = own_file_among_outputs(
      platform.own_program(), folder, scenario.line_name, scenario.train_name);
  if (!own) return;
  throw std::runtime_error((storage::is_temporary_file_name(own->filename())
                                ? "cannot clear the temporary files of an earlier run: '"
                                : "cannot write '") +
                           own->string() + "': it is this program's own file");
}

}  // namespace

void Form1::Form_Load() {
  line_name = scenario_.line_name;
  train_name = scenario_.train_name;
  WindowLayout layout = kForm1Layout;
  layout.title = title_;
  platform_.show_window(layout);
  platform_.repaint();
  std::optional<storage::FolderLock> lock;
  try {
    const std::filesystem::path folder = platform_.own_folder();
    refuse_to_write_over_itself(platform_, folder, scenario_);
    take_folder(lock, folder, folder_wait_limit_);
    documents::dati_linea(folder, scenario_);
    documents::dati_treno(folder, scenario_);
    documents::dati_note(folder, scenario_);
    documents::dati_rallentamenti(folder, scenario_);
    documents::dati_scheda(folder, scenario_);

    model.line_name = line_name;
    model.train_name = train_name;
    std::int32_t j = 1;
    const compiler::CompileOutcome outcome = compiler::memorizza_percorso(model, folder, j);
    if (outcome.fatal != 0) errore(std::to_string(outcome.fatal));
    if (outcome.error_number != 0) {
      if (diagnostics_ != nullptr) {
        std::fprintf(diagnostics_, "%s: the compile recorded error %d\n", title_.c_str(),
                     outcome.error_number);
      }
      end_program(platform_, kExitCompileError);
    }
  } catch (const storage::FileError& failure) {
    report_run_time_failure("cannot write '" + failure.path().string() + "': " + failure.reason());
  } catch (const std::exception& failure) {
    report_run_time_failure(failure.what());
  }
  end_program(platform_, kExitDone);
}

void Form1::errore(std::string_view a) {
  std::string text = " Errore n. ";
  text += a;
  platform_.message_box(text, title_);
  end_program(platform_, kExitFatalError);
}

void Form1::report_run_time_failure(std::string_view what) {
  platform_.message_box("Run-time error: " + std::string(what), title_);
  end_program(platform_, kExitRunTimeFailure);
}

}  // namespace borgo::driver
