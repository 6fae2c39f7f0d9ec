// The history: every run that can write keeps its journal, a Block listing
// with whole paths and the blocks it wrote, in the user's state folder, so
// that the last runs can be given back without having asked for --undo.
// Beside each journal a note says the command line and the folder it ran in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/console.h"
#include "platform/file_access.h"

/// One run the history keeps.
struct HistoryRun {
  /// The journal's whole path.
  std::string journal;
  /// When it started, in microseconds since 1970 (UTC).
  std::uint64_t started = 0;
  /// The command line, and the folder it ran in, as its note gives them.
  std::string commandLine;
  std::string folder;
};

class History {
 public:
  /// How many runs are kept: the oldest go when a run starts.
  static constexpr std::size_t kKept = 100;

  /// Sets `folder` to the history's folder, in the user's state folder;
  /// false with `problem` (one line) when the environment names none.
  static bool folder(std::string& folder, std::string& problem);
  /// Makes the folder (each part this user's alone), removes the oldest
  /// runs past kKept - 1, and writes the note of a run starting now,
  /// setting `journal` to the path its journal takes (the caller creates
  /// it, CreatePrivate). Sets `folder` to the history's folder; returns 0,
  /// or the system's reason when any of it cannot be done.
  static int begin(FileAccess& files, const std::string& commandLine, std::string& journal,
                   std::string& folder);
  /// Looks, without making anything, whether begin() could be done; false
  /// with `problem` when not. Sets `free` to what the disk can take for the
  /// run's journal once its folders and note are made.
  static bool check(std::string& problem, std::uint64_t& free);
  /// Sets `runs` to the runs kept, newest first, with their notes read when
  /// `notes`; false with `problem` when the folder cannot be read. No
  /// folder is no run.
  static bool runs(std::vector<HistoryRun>& runs, std::string& problem, bool notes = true);
  /// Removes a run's journal and note, as when the run changed nothing.
  static void forget(const std::string& journal);
};

/// Prints the runs kept, newest first (1), a line each as a table or, with
/// `json`, one JSON object a line, each with how many files it changed;
/// returns the exit status (1 when a journal or the output failed).
int listHistory(bool json, OutputSink& out, OutputSink& errors, FileAccess& files);
