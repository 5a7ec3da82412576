#pragma once
#include <string>

// Folders the client reads and writes. Each one can be redirected with an environment
// variable, which tests use to keep their files in a temporary folder:
//   TOLVAN_CONFIG_DIR  settings            (default $XDG_CONFIG_HOME/tolvan, ~/.config/tolvan)
//   TOLVAN_DATA_DIR    per-account files   (default $XDG_DATA_HOME/tolvan, ~/.local/share/tolvan)
//   TOLVAN_STATE_DIR   logs                (default $XDG_STATE_HOME/tolvan, ~/.local/state/tolvan)
std::string ConfigDir();
std::string DataDir();
std::string StateDir();

// The install folder holding raw/, snd/ and web_content/ (see FindResourceDir).
std::string ProgramDir();
void SetProgramDir(const std::string& dir);
// Folder of the running executable.
std::string ExecutableDir();
// Where the data of a program in `exe_dir` is: `exe_dir` itself when raw/ is next to the
// program (the build folder, a copied install), else the installed data folder, found
// from `exe_dir` by the relative path kInstalledDataFromBin (bin/ to share/tolvan/ in
// an installed prefix). With neither holding raw/, `exe_dir` (the program then reports
// each missing file as it goes).
std::string FindResourceDir(const std::string& exe_dir);
extern const char* const kInstalledDataFromBin;

// A text made safe as one plain file name inside a folder: path separators and control
// characters become "_", every ".." becomes "__" and a leading dot becomes "_".
std::string SanitizeFileName(std::string name);

// mkdir -p; true when the folder exists afterwards.
bool EnsureDir(const std::string& dir);

// Replaces `path` with `data` so that a crash never leaves it half written: the data
// goes to a temporary file in the same folder, is flushed to disk, then renamed over.
bool WriteFileAtomic(const std::string& path, const std::string& data);
// Whole file into `out`; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string* out);
